#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/BlurSettings.h"

namespace Obrisk::Ogl {

// Temporal blur: each frame is blended into an accumulation of the earlier
// ones, which keeps the weight `scale`; the accumulation is the output.
class EffectMotionBlur final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectMotionBlur> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
