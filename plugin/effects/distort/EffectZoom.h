#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/DistortSettings.h"

namespace Obrisk::Ogl {

// A rectangle of the picture, zoomed in on over the ramp-in and out again
// over the ramp-out: with crop, in a frame of its own size; without, fitted
// into the frame with its shape kept.
class EffectZoom final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectZoom> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                              const Proc::FrameInfo& info, double progress) override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  const Proc::SettingsEffectZoom& CurrentSettings() const {
    return static_cast<const Proc::SettingsEffectZoom&>(GetSettings());
  }
};

}  // namespace Obrisk::Ogl
