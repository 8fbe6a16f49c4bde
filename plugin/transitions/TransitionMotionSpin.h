#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionShaderSettings.h"

namespace Obrisk::Ogl {

// The first picture spins away half a turn and the second, upside down at
// first, completes it; each frame is five sub-frames of the turn, each mixed
// over the ones before as a motion blur does, which leaves trails.
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
  // Mixes `input` turned for each sub-frame that leads up to `progress` into
  // its trail, which starts as the first sub-frame drawn (or, when the size
  // of `target` changes, starts over).
  void SpinInto(const Frame& target, Frame& input, bool upsideDown, double progress, double step,
                ShaderStorage& storage, Ptr<Frame>& trail);
};

}  // namespace Obrisk::Ogl
