#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionSettings.h"

namespace Obrisk::Ogl {

// A soft straight edge, or a wedge from the middle of a side, wipes the
// second input in.
class TransitionWipe final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionWipe> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
