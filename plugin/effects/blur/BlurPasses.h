// Passes shared by the blur effects: drawing one full-frame pass and the
// one-directional Gaussian that the separable blurs run twice.
#pragma once

#include <string>

#include <glm/vec2.hpp>

#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/Mesh.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/Texture.h"

namespace Obrisk::Ogl {

// Renders `target` through `mesh` with `program`; `setInputs` binds the
// program's textures and sets its uniforms (the program is in use by then).
template <class SetInputs>
void DrawPass(ShaderStorage& storage, Texture& target, Mesh& mesh, ShaderProgram& program,
              SetInputs&& setInputs) {
  storage.FBO().Attach(target);
  program.Use();
  setInputs(program);
  mesh.Activate();
  mesh.Draw(program);
}

// Blends `frame` into the attached target: target = frame * opacity +
// target * (1 - opacity), colour and alpha alike.
void DrawWithOpacity(Frame& frame, ShaderStorage& storage, float opacity);

// The weights of one Gaussian direction: `taps` samples on each side of the
// centre, sample i weighted exp(coefficient * i^2), the sum scaled by `norm`.
struct GaussianTaps {
  int taps = 0;
  float coefficient = 0.0f;
  float norm = 1.0f;
};

// 1 / (1 + 2 sum_{i=1..taps} exp(coefficient * i^2)), in single precision.
float GaussianNorm(int taps, float coefficient);

// What a program of the Gaussian pass calls its uniforms besides `tex`.
struct GaussianUniformNames {
  const char* taps;
  const char* coefficient;
  const char* norm;
  const char* step;
};

// The fragment source of one Gaussian direction with these uniform names.
std::string GaussianPassFragment(const GaussianUniformNames& names);

// One Gaussian direction from `input` into `target`, samples `step` apart
// (texture coordinates); alpha is the centre's.
void DrawGaussianPass(ShaderStorage& storage, ShaderProgram& program,
                      const GaussianUniformNames& names, const GaussianTaps& taps, glm::vec2 step,
                      const Texture& input, Texture& target);

}  // namespace Obrisk::Ogl
