#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ColorSettings.h"

namespace Obrisk::Ogl {

// Quantises the luma into steps, scaling each colour onto its step; alpha is kept.
class EffectPosterize final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectPosterize> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
