#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionSettings.h"

namespace Obrisk::Ogl {

// A clock hand turning about the centre sweeps the second input in.
class TransitionRadial final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionRadial> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
