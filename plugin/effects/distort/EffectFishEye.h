#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/DistortSettings.h"

namespace Obrisk::Ogl {

// A fish-eye lens seen from the front (bulging) or the back (pinching).
class EffectFishEye final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectFishEye> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
