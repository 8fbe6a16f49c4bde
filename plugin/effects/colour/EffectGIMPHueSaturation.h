#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ColorToolSettings.h"

namespace Obrisk::Ogl {

// Turns the hue and changes saturation and lightness in HSL, by the master
// range and the hue sector each pixel falls in (two neighbours blended within
// the overlap).
class EffectGIMPHueSaturation final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectGIMPHueSaturation> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
