// The blender interface: a two-input video effect with settings of its own.
#pragma once

#include "obrisk/host/Effect.h"

namespace Obrisk::Proc {

// A blender: a two-input video effect that composites a layer over a
// background image or colour; its settings are SettingsEffectColorBlender
// or SettingsEffectImageBlender.
class IBlend : public ITwoInputEffectVideo {
 public:
  // Applies a Property to blender settings (errors as Settings::Deserialize);
  // settings of another class raise std::invalid_argument "Invalid settings".
  static void Property2Settings(const Property& property, Settings& settings);
  static Property Settings2Property(const Settings& settings);
};

}  // namespace Obrisk::Proc
