#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// Both pictures drift by a zoom and pan of their corners; the first fades or
// cuts to the second.
class TransitionKenBurns final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionKenBurns> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
