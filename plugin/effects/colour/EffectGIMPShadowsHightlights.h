#pragma once

#include "effects/colour/WorkingColorSpace.h"
#include "obrisk/settings/ColorToolSettings.h"

namespace Obrisk::Ogl {

// Lifts the shadows and tames the highlights on CIE Lab lightness, carrying
// the chroma along, in the working colour space.
class EffectGIMPShadowsHightlights final
    : public WorkingColorSpaceEffect<Proc::SettingsEffectGIMPShadowsHightlights> {
 public:
  const std::string_view& GetName() const override;

 protected:
  void DrawInWorkingSpace(Frame& target, DataVideoOGL& source, WorkingSpacePass& pass) override;
};

}  // namespace Obrisk::Ogl
