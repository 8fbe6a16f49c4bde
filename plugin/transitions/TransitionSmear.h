#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMotionSettings.h"

namespace Obrisk::Ogl {

// The first clip smears away and the second smears in; the two are added.
class TransitionSmear final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionSmear> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
