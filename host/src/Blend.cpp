#include "obrisk/host/Blend.h"

#include <stdexcept>

#include "obrisk/settings/BlendSettings.h"

namespace Obrisk::Proc {
namespace {

void CheckBlenderSettings(const Settings& settings) {
  const std::string& id = settings.GetClassId();
  if (id != SettingsEffectColorBlender::CLASS_ID && id != SettingsEffectImageBlender::CLASS_ID) {
    throw std::invalid_argument("Invalid settings");
  }
}

}  // namespace

void IBlend::Property2Settings(const Property& property, Settings& settings) {
  CheckBlenderSettings(settings);
  settings.Deserialize(property);
}

Property IBlend::Settings2Property(const Settings& settings) {
  CheckBlenderSettings(settings);
  return settings.Serialize();
}

}  // namespace Obrisk::Proc
