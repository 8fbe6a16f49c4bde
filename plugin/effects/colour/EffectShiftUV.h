#pragma once

#include "effects/colour/WorkingColorSpace.h"
#include "obrisk/settings/ColorSettings.h"

namespace Obrisk::Ogl {

// Shifts the chroma by constant offsets, in the working colour space; alpha is kept.
class EffectShiftUV final : public WorkingColorSpaceEffect<Proc::SettingsEffectShiftUV> {
 public:
  const std::string_view& GetName() const override;

 protected:
  void DrawInWorkingSpace(Frame& target, DataVideoOGL& source, WorkingSpacePass& pass) override;
};

}  // namespace Obrisk::Ogl
