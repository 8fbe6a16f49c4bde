#pragma once

#include <array>

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// 24 tiles in 4 rows of 6 turn over, each after its own random delay, from the
// first picture to the second.
class TransitionMosaic final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionMosaic> {
 public:
  TransitionMosaic();
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  static constexpr int kTileCount = 24;
  // When each tile starts turning, drawn once: 0 to the delay spread.
  std::array<double, kTileCount> delays_;
};

}  // namespace Obrisk::Ogl
