#pragma once

#include <array>

#include "effects/colour/WorkingColorSpace.h"
#include "obrisk/settings/ColorToolSettings.h"

namespace Obrisk::Ogl {

// Scales red, green and blue by the ratio of the light colours of the
// original and the intended temperature, in the working colour space.
class EffectGIMPColorTemperature final
    : public WorkingColorSpaceEffect<Proc::SettingsEffectGIMPColorTemperature> {
 public:
  const std::string_view& GetName() const override;

 protected:
  void DrawInWorkingSpace(Frame& target, DataVideoOGL& source, WorkingSpacePass& pass) override;
};

// The colour of black-body light of `kelvin` (clamped to 1000 to 12000) as
// RGB, each channel a rational fit of fifth degree, in single precision.
std::array<float, 3> ColorTemperatureRgb(float kelvin);

}  // namespace Obrisk::Ogl
