#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMotionSettings.h"

namespace Obrisk::Ogl {

// Doors of the first clip slide apart over the second, or the second closes in as doors.
class TransitionBarnDoor final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionBarnDoor> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
