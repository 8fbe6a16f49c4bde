#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionSettings.h"

namespace Obrisk::Ogl {

// Bands of the frame fill with the second input one after another,
// alternately left to right and right to left.
class TransitionSnake final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionSnake> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
