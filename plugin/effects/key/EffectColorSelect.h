#pragma once

#include "effects/colour/WorkingColorSpace.h"
#include "obrisk/settings/KeySettings.h"

namespace Obrisk::Ogl {

// Keeps the colours in a cone around the key colour's chroma and turns the
// rest grey, with a soft band between the bounds.
class EffectColorSelect final : public WorkingColorSpaceEffect<Proc::SettingsEffectColorSelect> {
 public:
  const std::string_view& GetName() const override;

 protected:
  void DrawInWorkingSpace(Frame& target, DataVideoOGL& source, WorkingSpacePass& pass) override;
};

}  // namespace Obrisk::Ogl
