#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMotionSettings.h"

namespace Obrisk::Ogl {

// The first clip splits along its diagonals and its four pieces fly out.
class TransitionCross final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionCross> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
