#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// The first picture breaks into cells that fly apart from the centre and
// shrink, showing the second behind them.
class TransitionDisintegrate final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm,
                                         Proc::SettingsTransitionDisintegrate> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
