#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMotionSettings.h"

namespace Obrisk::Ogl {

// The picture turns about a sweeping line like a card, the second clip on its back.
class TransitionTwist final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionTwist> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
