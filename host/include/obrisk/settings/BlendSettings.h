// Settings of the colour blender: a layer composited over a flat colour or
// over a second picture with one of 26 blend modes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "obrisk/settings/KeySettings.h"

namespace Obrisk::Proc {

namespace Blend {
// The blend modes: separable ones act per channel, the last four (and
// darker and lighter colour) on the whole colour.
enum Mode : std::int32_t {
  kNormal = 0,
  kDarken = 1,
  kMultiply = 2,
  kColorBurn = 3,
  kLinearBurn = 4,
  kDarkerColor = 5,
  kLighten = 6,
  kScreen = 7,
  kColorDodge = 8,
  kLinearDodge = 9,
  kLighterColor = 10,
  kOverlay = 11,
  kSoftLight = 12,
  kHardLight = 13,
  kVividLight = 14,
  kLinearLight = 15,
  kPinLight = 16,
  kHardMix = 17,
  kDifference = 18,
  kExclusion = 19,
  kSubtract = 20,
  kDivide = 21,
  kHue = 22,
  kSaturation = 23,
  kColor = 24,
  kLuminosity = 25
};
}  // namespace Blend

// The parameters both blender classes share; Derived names the class.
template <class Derived>
class BlenderSettingsBase : public SettingsWithColours<Derived> {
 public:
  using BlendMode = Blend::Mode;
  static constexpr std::int32_t kModeCount = 26;
  // Offsets reach a little past the largest frame on either side.
  static constexpr double kMaxOffset = 32768.0;

  static constexpr auto Fields() {
    return std::make_tuple(
        Param("mode", &Derived::mode_, 0.0, kModeCount - 1.0,
              "blend mode: 0 normal, 1 darken, 2 multiply, 3 colour burn, 4 linear burn, "
              "5 darker colour, 6 lighten, 7 screen, 8 colour dodge, 9 linear dodge (add), "
              "10 lighter colour, 11 overlay, 12 soft light, 13 hard light, 14 vivid light, "
              "15 linear light, 16 pin light, 17 hard mix, 18 difference, 19 exclusion, "
              "20 subtract, 21 divide, 22 hue, 23 saturation, 24 colour, 25 luminosity"),
        Param("intensity", &Derived::intensity_, 0.0, 1.0,
              "share of the composite: 0 leaves the background unchanged"),
        Param("offsetX", &Derived::offsetX_, -kMaxOffset, kMaxOffset,
              "the layer's offset to the right over the background, in pixels"),
        Param("offsetY", &Derived::offsetY_, -kMaxOffset, kMaxOffset,
              "the layer's offset upwards over the background, in pixels"),
        Param("useColor", &Derived::useColor_,
              "blend the (first) input over the colour instead of over a second input"),
        Param("color", &Derived::color_, "the background colour as #RRGGBB or #RRGGBBAA"));
  }
  static constexpr auto ColourFields() {
    return std::make_tuple(std::pair{"color", &Derived::color_});
  }

  BlendMode GetBlendMode() const { return static_cast<BlendMode>(mode_); }
  float GetIntensity() const { return intensity_; }
  std::int32_t GetOffsetX() const { return offsetX_; }
  std::int32_t GetOffsetY() const { return offsetY_; }
  bool HasBackgroundColor() const { return static_cast<const Derived&>(*this).useColor_; }
  Rgba8 GetBackgroundColor() const { return this->Colour(&Derived::color_); }

  void SetBlendMode(BlendMode mode) { this->Assign(mode_, static_cast<std::int32_t>(mode)); }
  void SetIntensity(float intensity) { this->Assign(intensity_, intensity); }
  void SetOffset(std::int32_t x, std::int32_t y) {
    this->Update([&](Derived& s) { std::tie(s.offsetX_, s.offsetY_) = std::tie(x, y); });
  }
  // A background colour, or none (the layer goes over a second input).
  void SetBackgroundColor(bool use, const Rgba8& colour) {
    this->Update([&](Derived& s) {
      s.useColor_ = use;
      s.color_ = FormatHexColour(colour);
    });
  }

 protected:
  std::int32_t mode_ = Blend::kOverlay;
  float intensity_ = 1.0f;
  std::int32_t offsetX_ = 0;
  std::int32_t offsetY_ = 0;
};

// The layer over a flat colour.
class SettingsEffectColorBlender final : public BlenderSettingsBase<SettingsEffectColorBlender> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectColorBlender"};
  static constexpr std::string_view FAMILY = Family::kBlendModes;
  static constexpr std::string_view DESCRIPTION =
      "Blends the picture with a colour in one of 26 blend modes (overlay, multiply, ...)";
  static constexpr std::array PRESETS{
      Preset{"overlay", R"({})", "overlay over orange"},
      Preset{"multiply", R"({"mode": 2})", "multiplied with orange"},
      Preset{"difference", R"({"mode": 18, "color": "#3080ff"})", "difference with blue"},
      Preset{"hue", R"({"mode": 22, "color": "#20c040"})",
             "hue of green, the picture's saturation and luminosity"}};

 private:
  friend class BlenderSettingsBase<SettingsEffectColorBlender>;
  bool useColor_ = true;
  std::string color_ = "#e07020";
};

// The second input (the layer) over the first (the background).
class SettingsEffectImageBlender final : public BlenderSettingsBase<SettingsEffectImageBlender> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectImageBlender"};
  static constexpr std::string_view FAMILY = Family::kBlendModes;
  static constexpr std::string_view DESCRIPTION =
      "Blends the second input over the first in one of 26 blend modes, at an offset";
  static constexpr std::array PRESETS{
      Preset{"overlay", R"({})", "the clip over the card by overlay"},
      Preset{"screen-offset", R"({"mode": 7, "offsetX": 40, "offsetY": -20})",
             "screen, the layer moved right and down"},
      Preset{"difference", R"({"mode": 18})", "the difference of the two"}};

 private:
  friend class BlenderSettingsBase<SettingsEffectImageBlender>;
  bool useColor_ = false;
  std::string color_ = "#000000";
};

}  // namespace Obrisk::Proc
