#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionSettings.h"

namespace Obrisk::Ogl {

// The first input goes to the key colour in the first half of the progress,
// the second comes out of it in the second half.
class TransitionThroughColor final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm,
                                         Proc::SettingsTransitionThroughColor> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
