// Settings of the per-pixel colour effects.
#pragma once

#include <string>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

class SettingsEffectInvert final : public SettingsBase<SettingsEffectInvert> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectInvert"};
  static constexpr std::string_view DESCRIPTION = "Inverts the colours, fully or part way";
  static constexpr auto Fields() {
    return std::make_tuple(Param("intensity", &SettingsEffectInvert::intensity_, 0.0, 1.0,
                                 "each colour channel c becomes |intensity - c|: 1 inverts, "
                                 "0 leaves the picture unchanged"));
  }

  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { intensity_ = intensity; }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  float intensity_ = 1.0f;
};

}  // namespace Obrisk::Proc
