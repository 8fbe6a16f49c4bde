#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/RetroSettings.h"

namespace Obrisk::Ogl {

// Sideways tearing in simplex-noise waves, animated by the effect's own clock.
class EffectGlitchSecurityCam final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectGlitchSecurityCam> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
