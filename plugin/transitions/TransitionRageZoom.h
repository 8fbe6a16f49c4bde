#pragma once

#include "effects/blur/EffectMotionBlur.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// The first picture zooms into its centre (type 0) or pulls back over
// mirrored copies of itself (other types), motion-blurred, until the cut to
// the second picture half way.
class TransitionRageZoom final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionRageZoom> {
 public:
  const std::string_view& GetName() const override;
  // The embedded motion blur's cache.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  EffectMotionBlur blur_;
};

}  // namespace Obrisk::Ogl
