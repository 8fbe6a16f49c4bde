#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/KeySettings.h"

namespace Obrisk::Ogl {

// Each channel c becomes mix(c, 1 - c, e) with e the exchange colour's
// matching channel.
class EffectColorMixExchange final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectColorMixExchange> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
