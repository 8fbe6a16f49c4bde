#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/KeySettings.h"

namespace Obrisk::Ogl {

// Each channel c moves towards sin((c - 0.5) pi) by the strength.
class EffectColorMixBurn final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectColorMixBurn> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
