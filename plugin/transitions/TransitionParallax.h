#pragma once

#include "effects/blur/EffectMotionBlur.h"
#include "effects/distort/EffectLensDistortion.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// The picture's three horizontal bands slide at speeds of their own, through
// a lens that bulges and a motion blur, out of the first picture half way
// and into the second.
class TransitionParallax final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionParallax> {
 public:
  const std::string_view& GetName() const override;
  // The embedded motion blur's cache.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  EffectLensDistortion lens_;
  EffectMotionBlur blur_;
};

}  // namespace Obrisk::Ogl
