#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/StyliseSettings.h"

namespace Obrisk::Ogl {

// Unsharp masking with a separable box kernel of radius 1 to 3 by picture
// size: a horizontal, then a vertical pass; alpha is the centre's.
class EffectSharpen final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectSharpen> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
