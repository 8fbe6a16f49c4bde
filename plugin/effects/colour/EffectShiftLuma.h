#pragma once

#include "effects/colour/WorkingColorSpace.h"
#include "obrisk/settings/ColorSettings.h"

namespace Obrisk::Ogl {

// Moves the black and white levels of the luma, in the working colour space; alpha is kept.
class EffectShiftLuma final : public WorkingColorSpaceEffect<Proc::SettingsEffectShiftLuma> {
 public:
  const std::string_view& GetName() const override;

 protected:
  void DrawInWorkingSpace(Frame& target, DataVideoOGL& source, WorkingSpacePass& pass) override;
};

}  // namespace Obrisk::Ogl
