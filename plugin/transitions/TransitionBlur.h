#pragma once

#include "effects/blur/EffectGaussianBlur.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionSettings.h"

namespace Obrisk::Ogl {

// Mixes the inputs while the first blurs away, the second comes into focus,
// or both, with an embedded Gaussian blur.
class TransitionBlur final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionBlur> {
 public:
  const std::string_view& GetName() const override;
  // The embedded blur's cache.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  // The input in RGBA layout blurred for progress `q` into a frame like
  // `target`; at q = 0 the input itself.
  Ptr<Frame> Blurred(const Frame& target, const Ptr<DataVideoOGL>& input, double time, double q,
                     ShaderStorage& storage, const Ptr<OglCache>& cache);

  EffectGaussianBlur blur_;
};

}  // namespace Obrisk::Ogl
