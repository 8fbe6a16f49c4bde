// Pieces shared by the tile, particle and zoom transitions: sampling the
// inputs with other wrapping for one scope, GPU video data for an embedded
// effect to read, and pictures drawn through sets of quads.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "frame/SinglePass.h"
#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/Gl.h"
#include "obrisk/ogl/Mesh.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {

// Linear filtering and `wrap` (GL_MIRRORED_REPEAT, GL_REPEAT, ...) on the
// given texture units for the length of a scope, through a sampler object:
// the inputs' own textures, which others may sample after this call, keep
// their settings.
class ScopedSampling {
 public:
  ScopedSampling(GLint wrap, std::initializer_list<GLuint> units);
  ~ScopedSampling();
  ScopedSampling(const ScopedSampling&) = delete;
  ScopedSampling& operator=(const ScopedSampling&) = delete;

 private:
  static constexpr std::size_t kMaxUnits = 2;
  GLuint sampler_ = 0;
  GLuint units_[kMaxUnits] = {};
  int unitCount_ = 0;
};

// New GPU video data whose frame is allocated like `like` (colour space,
// pixel format, size): a picture drawn here can be handed to an effect.
Ptr<DataVideoOGL> NewVideoData(const Frame& like);

// Draws `frame` over the whole of `target`, then `quads` of `overlay` on top.
void DrawQuadsOver(ShaderStorage& storage, Frame& target, Frame& frame, Frame& overlay,
                   const PackedMesh& quads);

}  // namespace Obrisk::Ogl
