#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/BrushSettings.h"

namespace Obrisk::Ogl {

// Parallel brush strokes at an angle paint the second picture over the
// first, each stroke from its own moment on along its length; the cache
// keeps the strokes laid out for the frame size.
class TransitionWaterbrush final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionWaterbrush> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
