#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/MaskSettings.h"

namespace Obrisk::Ogl {

// Scales the alpha by a triangle over the progress (0 at both ends, peaking
// at 0.5) raised to a power and multiplied, limited to 1. Its output always
// carries alpha.
class EffectAlphaChannelModifier final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectAlphaChannelModifier> {
 public:
  const std::string_view& GetName() const override;
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                              const Proc::FrameInfo& info, double progress) override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

// The factor the alpha is multiplied by at `progress`.
double AlphaScale(const Proc::SettingsEffectAlphaChannelModifier& settings, double progress);

}  // namespace Obrisk::Ogl
