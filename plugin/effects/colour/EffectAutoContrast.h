#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/AutoColorSettings.h"

namespace Obrisk::Ogl {

// Stretches the luma range of each frame over the video range: the luma
// quantiles (the saturated-pixel percentages) map onto a target range that
// starts at the limited range and widens to the levels the material uses.
class EffectAutoContrast final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectAutoContrast> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
