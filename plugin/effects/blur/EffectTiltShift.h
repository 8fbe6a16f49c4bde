#pragma once

#include "effects/blur/EffectGaussianBlur.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/BlurSettings.h"

namespace Obrisk::Ogl {

// Sharp between two lines, blurred elsewhere, with a soft edge inside the band.
class EffectTiltShift final : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                                                 Proc::SettingsEffectTiltShiftQRW> {
 public:
  const std::string_view& GetName() const override;
  // The embedded blur's cache.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  EffectGaussianBlur blur_;
};

}  // namespace Obrisk::Ogl
