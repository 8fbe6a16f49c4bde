// The pass that most per-pixel effects draw.
#pragma once

#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {

// Draws the source, in RGBA layout, through `program` over the whole target:
// sampler `tex` on unit 0, then the effect's own uniforms from `setUniforms`.
// Source and target have the same size, so unit 0 samples texel-exactly.
template <class SetUniforms>
void DrawSinglePass(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                    DataVideoOGL& source, SetUniforms&& setUniforms) {
  Ptr<Frame> rgba = source.FrameData()->ConvertToRGBA(storage);
  program.Use();
  program.Uniform("tex", 0);
  setUniforms(program);
  storage.FBO().Attach(target.GetFirstTexture());
  rgba->GetFirstTexture().Use(0);
  glBindSampler(0, storage.NearestSampler());
  storage.Quad().Activate();
  storage.Quad().Draw(program);
  glBindSampler(0, 0);
}

}  // namespace Obrisk::Ogl
