#pragma once

#include "effects/blur/EffectMotionBlur.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionShaderSettings.h"

namespace Obrisk::Ogl {

// The first picture spins away half a turn and the second, upside down at
// first, completes it; each frame is five sub-frames of the turn gathered by
// an embedded motion blur, which leaves trails.
class TransitionMotionSpin final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionMotionSpin> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  // Draws `input` turned for the sub-frames that lead up to `progress` into
  // the embedded motion blur, whose accumulation (`blurCache`) goes to `target`.
  void SpinInto(const Ptr<Frame>& target, Frame& input, bool upsideDown, double time,
                double progress, double step, ShaderStorage& storage,
                const Ptr<OglCache>& blurCache);

  EffectMotionBlur blur_;
};

}  // namespace Obrisk::Ogl
