#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionShaderSettings.h"

namespace Obrisk::Ogl {

// The first picture spins away half a turn, blurred along the turn, and the
// second, upside down at first, completes it.
class TransitionModifiedMotionSpin final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm,
                                         Proc::SettingsTransitionModifiedMotionSpin> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
