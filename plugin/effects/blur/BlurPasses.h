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

// The weights of one Gaussian direction: `taps` samples on each side of the
// centre, `texelsPerTap` (1 or 2) texels apart. Tap i stands for the texels
// texelsPerTap (i - 1) + 1 to texelsPerTap i from the centre, texel x weighted
// exp(coefficient * (x / texelsPerTap)^2); the sum is scaled by `norm`. With
// two texels per tap, linear filtering fetches both of a tap's texels in one
// sample placed between them.
struct GaussianTaps {
  int taps = 0;
  float coefficient = 0.0f;
  float norm = 1.0f;
  int texelsPerTap = 1;
};

// The weight of the texel `texel` texels from the centre, before `norm`, in
// single precision.
float GaussianTexelWeight(const GaussianTaps& taps, int texel);

// 1 / (the sum of the weights of every texel the taps stand for, the
// centre's and both sides'), in single precision.
float GaussianNorm(const GaussianTaps& taps);

// What a program of the Gaussian pass calls its uniforms besides `tex`.
struct GaussianUniformNames {
  const char* taps;
  const char* coefficient;
  const char* norm;
  const char* step;
  const char* texelsPerTap;
};

// The fragment source of one Gaussian direction with these uniform names.
std::string GaussianPassFragment(const GaussianUniformNames& names);

// One Gaussian direction from `input` into `target`, samples `step` apart
// (texture coordinates); alpha is the centre's.
void DrawGaussianPass(ShaderStorage& storage, ShaderProgram& program,
                      const GaussianUniformNames& names, const GaussianTaps& taps, glm::vec2 step,
                      const Texture& input, Texture& target);
// The same drawn through `mesh` instead of the full-frame quad.
void DrawGaussianPass(ShaderStorage& storage, ShaderProgram& program,
                      const GaussianUniformNames& names, const GaussianTaps& taps, glm::vec2 step,
                      const Texture& input, Texture& target, Mesh& mesh);

}  // namespace Obrisk::Ogl
