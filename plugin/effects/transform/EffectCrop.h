#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransformSettings.h"

namespace Obrisk::Ogl {

// The part of the picture inside the margins, in a frame of its size.
class EffectCrop final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectCrop> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                              const Proc::FrameInfo& info, double progress) override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  const Proc::SettingsEffectCrop& CurrentSettings() const {
    return static_cast<const Proc::SettingsEffectCrop&>(GetSettings());
  }
};

}  // namespace Obrisk::Ogl
