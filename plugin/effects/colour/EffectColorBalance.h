#pragma once

#include "effects/colour/WorkingColorSpace.h"
#include "obrisk/settings/ColorSettings.h"

namespace Obrisk::Ogl {

// Contrast, brightness, saturation, gamma and hue on full-range BT.709 Y'CbCr, in the working
// colour space; alpha is kept.
class EffectColorBalance final : public WorkingColorSpaceEffect<Proc::SettingsEffectColorBalance> {
 public:
  const std::string_view& GetName() const override;

 protected:
  void DrawInWorkingSpace(Frame& target, DataVideoOGL& source, WorkingSpacePass& pass) override;
};

}  // namespace Obrisk::Ogl
