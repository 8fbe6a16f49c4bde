#include "transitions/TransitionPasses.h"

#include <stdexcept>

#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

ScopedSampling::ScopedSampling(GLint wrap, std::initializer_list<GLuint> units) {
  if (units.size() > kMaxUnits) throw std::logic_error("ScopedSampling: too many texture units");
  glGenSamplers(1, &sampler_);
  glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, wrap);
  glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, wrap);
  glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  for (GLuint unit : units) {
    glBindSampler(unit, sampler_);
    units_[unitCount_++] = unit;
  }
}

ScopedSampling::~ScopedSampling() {
  for (int i = 0; i < unitCount_; ++i) glBindSampler(units_[i], 0);
  glDeleteSamplers(1, &sampler_);
}

Ptr<DataVideoOGL> NewVideoData(const Frame& like) {
  Ptr<DataVideoOGL> data =
      DataVideoOGL::Create(like.GetColorSpace(), like.GetPixelFormat(), like.GetFrameInfo());
  data->FrameData()->Allocate(like.GetColorSpace(), like.GetPixelFormat(), like.GetFrameInfo());
  return data;
}

void DrawQuadsOver(ShaderStorage& storage, Frame& target, Frame& frame, Frame& overlay,
                   const PackedMesh& quads) {
  storage.FBO().Attach(target.GetFirstTexture());
  frame.Draw(storage.FrameQuad(), storage);
  DrawThroughQuads(overlay, quads, storage);
}

}  // namespace Obrisk::Ogl
