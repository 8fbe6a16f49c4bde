#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionSettings.h"

namespace Obrisk::Ogl {

// Mixes the inputs while the first is enlarged, the second shrinks into
// place, or both.
class TransitionZoom final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionZoom> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
