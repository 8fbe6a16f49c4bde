#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ColorSettings.h"

namespace Obrisk::Ogl {

// Multiplies alpha by the opacity and keeps the colour. Its output always
// carries alpha, whatever the input.
class EffectOpacity final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectOpacity> {
 public:
  const std::string_view& GetName() const override;
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                              const Proc::FrameInfo& info, double progress) override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
