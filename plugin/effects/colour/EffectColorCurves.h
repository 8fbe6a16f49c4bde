#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ColorToolSettings.h"

namespace Obrisk::Ogl {

// Tone curves held as 1-D lookup textures: the rgb curve on every channel,
// then each channel's own. One program per set of curves present.
class EffectColorCurves final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectColorCurves> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  // Raises std::invalid_argument "Color curves shader not found" for a set of
  // curves without a program (none at all).
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
