#pragma once

#include <array>

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ColorToolSettings.h"

namespace Obrisk::Ogl {

// Paints each pixel in the settings' hue and saturation at its own luminance,
// lifted or lowered by the lightness.
class EffectGIMPColorize final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectGIMPColorize> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

// Hue, saturation and lightness (-1 to 1) the shader takes: the settings'
// own, or those of their colour when it is valid (a grey keeps the hue, black
// and white keep the saturation).
std::array<float, 3> ColorizeHsl(const Proc::SettingsEffectGIMPColorize& settings);

}  // namespace Obrisk::Ogl
