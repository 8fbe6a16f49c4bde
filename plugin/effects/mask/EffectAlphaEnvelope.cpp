#include "effects/mask/EffectAlphaEnvelope.h"

#include <algorithm>

#include "frame/SinglePass.h"

namespace Obrisk::Ogl {

const std::string_view& EffectAlphaEnvelope::GetName() const {
  static constexpr std::string_view kName = "EffectAlphaEnvelope";
  return kName;
}

void EffectAlphaEnvelope::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                     double, double progress, ShaderStorage& storage,
                                     const Ptr<OglCache>&) {
  // Planar sources are drawn as RGBA: drawing their first plane would show luma alone.
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  storage.FBO().Attach(target->GetFirstTexture());
  EnableState blend(GL_BLEND);
  // The blend colour holds values from 0 to 1 only.
  glBlendColor(0.0f, 0.0f, 0.0f, static_cast<float>(std::clamp(progress, 0.0, 1.0)));
  if (Proc::PixFmtDescription::Find(target->GetPixelFormat()).HasAlpha()) {
    glBlendFuncSeparate(GL_ONE, GL_ZERO, GL_CONSTANT_ALPHA, GL_ZERO);
  } else {
    glBlendFuncSeparate(GL_CONSTANT_ALPHA, GL_ZERO, GL_ONE, GL_ZERO);
  }
  // A source of the target's size is read at its texels.
  const NearestSampling sampling(storage, TexelAligned(*rgba, *target) ? 1 : 0);
  rgba->Draw(storage.FrameQuad(), storage);
}

}  // namespace Obrisk::Ogl
