// Passes shared by the keying and selective-colour effects: the key-colour
// cone of the chroma key and the colour select (the chroma directions within
// an angle of the key colour's, and how far a chroma reaches into that
// cone), and plain draws of the source.
#pragma once

#include <glm/vec2.hpp>

#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/ShaderProgram.h"
#include "obrisk/settings/KeySettings.h"

namespace Obrisk::Ogl {

struct KeyCone {
  bool grey = false;           // the key has no hue: nothing is keyed
  glm::vec2 ortU{1.0f, 0.0f};  // unit chroma direction of the key (Cb, Cr)
  glm::vec2 ortV{0.0f, 1.0f};  // ortU turned a quarter
  float cosAlpha = 0.0f;
  float ctgAlpha = 0.0f;  // 1 / tan(angle), at most kMaxCotangent
  float tgFi = 0.0f;      // key luma over key chroma, at most kMaxCotangent
  float lBound = 0.0f;
  float uBound = 0.0f;
};

// The cone of a key colour, half-angle in degrees and bounds as the settings
// hold them.
KeyCone MakeKeyCone(const Proc::Rgba8& key, int angleDegrees, double lower, double upper);

// Sets ortU, ortV, cos_alpha, ctg_alpha, lBound and uBound.
void SetKeyConeUniforms(const ShaderProgram& program, const KeyCone& cone);

// GLSL: the cone's uniforms and inKeyCone(uv, out reach, out l, out h).
extern const char* const kKeyConeGlsl;

// The colour's bytes / 255.
ColorF ToColorF(const Proc::Rgba8& colour);

// Draws the source, as RGBA, unchanged into the target.
void DrawUnchanged(Frame& target, DataVideoOGL& source, ShaderStorage& storage);
// Blends the source, as RGBA, over what the target holds:
// target = source x opacity + target x (1 - opacity).
void DrawSourceOver(Frame& target, DataVideoOGL& source, ShaderStorage& storage, float opacity);

}  // namespace Obrisk::Ogl
