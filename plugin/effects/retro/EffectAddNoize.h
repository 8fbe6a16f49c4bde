#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/RetroSettings.h"

namespace Obrisk::Ogl {

// Film grain, drawn afresh every frame and blended over the picture by the amount.
class EffectAddNoize final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectAddNoize> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
