// The pass that most per-pixel effects draw.
#pragma once

#include <utility>

#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {

// Clears the surface attached to the storage's framebuffer to transparent black.
inline void ClearAttached() {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

// True when `input` has the size of `target`: a full-screen pass that reads
// it at TexCoord0 lands on its texel centres.
inline bool TexelAligned(const Frame& input, const Frame& target) {
  const Proc::FrameInfo& from = input.GetFrameInfo();
  const Proc::FrameInfo& to = target.GetFrameInfo();
  return from.width == to.width && from.height == to.height;
}

// The storage's nearest sampler on texture units 0 to `count` - 1 for the
// length of a scope, for passes that read textures of the target's size at
// TexCoord0 alone: every fragment lies on a texel centre, where the linear
// filter returns that texel, so nearest sampling gives the same for less.
class NearestSampling {
 public:
  NearestSampling(ShaderStorage& storage, GLuint count) : count_(count) {
    for (GLuint unit = 0; unit < count_; ++unit) glBindSampler(unit, storage.NearestSampler());
  }
  ~NearestSampling() {
    for (GLuint unit = 0; unit < count_; ++unit) glBindSampler(unit, 0);
  }
  NearestSampling(const NearestSampling&) = delete;
  NearestSampling& operator=(const NearestSampling&) = delete;

 private:
  GLuint count_;
};

// Draws the source, in RGBA layout, through `program` over the whole target:
// sampler `tex` on unit 0 read through `sampler` (0: the texture's own
// linear filter, clamped to the edge), then the effect's own uniforms from
// `setUniforms`.
template <class SetUniforms>
void DrawSinglePassSampled(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                           DataVideoOGL& source, GLuint sampler, SetUniforms&& setUniforms) {
  Ptr<Frame> rgba = source.FrameData()->ConvertToRGBA(storage);
  program.Use();
  program.Uniform("tex", 0);
  setUniforms(program);
  storage.FBO().Attach(target.GetFirstTexture());
  rgba->GetFirstTexture().Use(0);
  glBindSampler(0, sampler);
  storage.Quad().Activate();
  storage.Quad().Draw(program);
  glBindSampler(0, 0);
}

// The pass of effects that read each texel where it is. Source and target
// have the same size, so unit 0 samples texel-exactly.
template <class SetUniforms>
void DrawSinglePass(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                    DataVideoOGL& source, SetUniforms&& setUniforms) {
  DrawSinglePassSampled(storage, program, target, source, storage.NearestSampler(),
                        std::forward<SetUniforms>(setUniforms));
}

// The pass of effects that read between texels (shifted or warped lookups).
template <class SetUniforms>
void DrawFilteredPass(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                      DataVideoOGL& source, SetUniforms&& setUniforms) {
  DrawSinglePassSampled(storage, program, target, source, 0,
                        std::forward<SetUniforms>(setUniforms));
}

}  // namespace Obrisk::Ogl
