#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionSettings.h"

namespace Obrisk::Ogl {

// A circle about the centre with a soft inner edge: the second input grows
// out of it, or the first shrinks into it.
class TransitionCircle final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionCircle> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
