#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMotionSettings.h"

namespace Obrisk::Ogl {

// The second clip slides in over the first.
class TransitionSlide final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionSlide> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
