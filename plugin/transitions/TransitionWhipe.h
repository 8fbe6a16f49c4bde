#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionShaderSettings.h"

namespace Obrisk::Ogl {

// Both pictures swish past as one strip, blurred along the motion.
class TransitionWhipe final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionWhipe> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
