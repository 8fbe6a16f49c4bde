#pragma once

#include <cstdint>

#include "effects/blur/BlurPasses.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/BlurSettings.h"

namespace Obrisk::Ogl {

// Separable Gaussian blur: a horizontal and a vertical pass with taps two
// texels apart. Other algorithms embed it: they set its settings themselves
// and call ProcessGpu with the cache that its CreateCache made.
class EffectGaussianBlur final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectBlurGaussian> {
 public:
  const std::string_view& GetName() const override;
  // Holds the intermediate frame between the two passes.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

// The taps of either pass for a frame whose longer side is `longerSide` pixels.
GaussianTaps GaussianBlurTaps(const Proc::SettingsEffectBlurGaussian& settings,
                              std::uint32_t longerSide);

}  // namespace Obrisk::Ogl
