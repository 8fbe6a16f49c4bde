#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ColorSettings.h"

namespace Obrisk::Ogl {

// Exposure, brightness and contrast on RGB, then hue and saturation in HSV; alpha is kept.
class EffectColorCorrection final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectColorCorrection> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
