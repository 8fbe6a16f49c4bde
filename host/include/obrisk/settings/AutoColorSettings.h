// Settings of the colour effects that measure each frame: auto contrast,
// per-channel enhancement, auto white balance and saturation.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// Percentages of pixels allowed to saturate at the black and the white end
// when a level range is stretched. The effect passes its input through (and
// logs why) when the two add up to more than 100.
inline constexpr double kMaxSaturatedPercent = 100.0;

class SettingsEffectAutoContrast final : public SettingsBase<SettingsEffectAutoContrast> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectAutoContrast"};
  static constexpr std::string_view FAMILY = Family::kMeasured;
  static constexpr std::string_view DESCRIPTION =
      "Stretches the luma levels of each frame over the video range";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "levels stretched to the frame's range"}};
  static constexpr auto Fields() {
    using S = SettingsEffectAutoContrast;
    return std::make_tuple(Param("blackSaturatedPixels", &S::black_, 0.0, kMaxSaturatedPercent,
                                 "percent of the pixels allowed to turn fully black"),
                           Param("whiteSaturatedPixels", &S::white_, 0.0, kMaxSaturatedPercent,
                                 "percent of the pixels allowed to turn fully white"),
                           Param("alphaIsDisabled", &S::alphaDisabled_,
                                 "ignore the input's alpha: the output is opaque"));
  }

  float GetBlackSaturatedPixels() const { return black_; }
  float GetWhiteSaturatedPixels() const { return white_; }
  void SetSaturatedPixels(float black, float white) {
    Update([&](auto& s) {
      s.black_ = black;
      s.white_ = white;
    });
  }
  bool GetAlphaIsDisabled() const { return alphaDisabled_; }
  void SetAlphaIsDisabled(bool disabled) { Assign(alphaDisabled_, disabled); }

 private:
  float black_ = 0.5f;
  float white_ = 0.5f;
  bool alphaDisabled_ = false;
};

class SettingsEffectMagicEnhance2 final : public SettingsBase<SettingsEffectMagicEnhance2> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectMagicEnhance2"};
  static constexpr std::string_view FAMILY = Family::kMeasured;
  static constexpr std::string_view DESCRIPTION =
      "Stretches the red, green and blue levels of each frame over the full range";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "levels and colour stretched per frame"}};
  static constexpr auto Fields() {
    using S = SettingsEffectMagicEnhance2;
    return std::make_tuple(
        Param("blackSaturatedPixels", &S::black_, 0.0, kMaxSaturatedPercent,
              "percent of the pixels allowed to saturate at 0 in each channel"),
        Param("whiteSaturatedPixels", &S::white_, 0.0, kMaxSaturatedPercent,
              "percent of the pixels allowed to saturate at 255 in each channel"));
  }

  float GetBlackSaturatedPixels() const { return black_; }
  float GetWhiteSaturatedPixels() const { return white_; }
  void SetSaturatedPixels(float black, float white) {
    Update([&](auto& s) {
      s.black_ = black;
      s.white_ = white;
    });
  }

 private:
  float black_ = 0.5f;
  float white_ = 0.5f;
};

// How a white balance adapts the colours: the cone-like space in which the
// reference colour's responses are scaled to those of white.
enum class ScalingMethod : std::int32_t {
  VonKries = 0,   // Hunt-Pointer-Estevez cone responses
  Bradford = 1,   // the Bradford sharpened responses
  XYZScaling = 2  // CIE XYZ itself
};

class SettingsEffectAutoWhiteBalance final : public SettingsBase<SettingsEffectAutoWhiteBalance> {
 public:
  using Color = std::array<std::uint8_t, 4>;  // red, green, blue, alpha
  inline static const std::string CLASS_ID{"SettingsEffectAutoWhiteBalance"};
  static constexpr std::string_view FAMILY = Family::kMeasured;
  static constexpr std::string_view DESCRIPTION =
      "Removes a colour cast: the reference colour (or, when it is opaque black, the frame's "
      "mean colour) becomes neutral grey";
  static constexpr std::array PRESETS{
      Preset{"measured", R"({})", "grey-world balance of the frame, Bradford"},
      Preset{"reference-warm", R"({"red": 255, "green": 214, "blue": 170, "alpha": 255})",
             "a warm reference colour made white"}};
  static constexpr auto Fields() {
    using S = SettingsEffectAutoWhiteBalance;
    return std::make_tuple(
        Param("red", &S::red_, 0, 255, "reference colour red; opaque black measures the frame"),
        Param("green", &S::green_, 0, 255, "reference colour green"),
        Param("blue", &S::blue_, 0, 255, "reference colour blue"),
        Param("alpha", &S::alpha_, 0, 255, "reference colour alpha"),
        Param("scalingMethod", &S::method_, 0, 2, "0 von Kries, 1 Bradford, 2 XYZ scaling"));
  }

  // The reference colour that tells the effect to measure the frame.
  static constexpr Color kMeasure{0, 0, 0, 255};

  Color GetColor() const {
    return {static_cast<std::uint8_t>(red_), static_cast<std::uint8_t>(green_),
            static_cast<std::uint8_t>(blue_), static_cast<std::uint8_t>(alpha_)};
  }
  void SetColor(const Color& color) {
    Update([&](auto& s) {
      s.red_ = color[0];
      s.green_ = color[1];
      s.blue_ = color[2];
      s.alpha_ = color[3];
    });
  }
  ScalingMethod GetScalingMethod() const { return static_cast<ScalingMethod>(method_); }
  void SetScalingMethod(ScalingMethod method) {
    Assign(method_, static_cast<std::int32_t>(method));
  }

 private:
  std::int32_t red_ = kMeasure[0];
  std::int32_t green_ = kMeasure[1];
  std::int32_t blue_ = kMeasure[2];
  std::int32_t alpha_ = kMeasure[3];
  std::int32_t method_ = static_cast<std::int32_t>(ScalingMethod::Bradford);
};

class SettingsEffectSaturation final : public SettingsBase<SettingsEffectSaturation> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectSaturation"};
  static constexpr std::string_view FAMILY = Family::kMeasured;
  static constexpr std::string_view DESCRIPTION =
      "Scales the chroma; at exactly 1 the gain is measured from each frame";
  static constexpr std::array PRESETS{
      Preset{"measured", R"({})", "saturation set from the frame's measure"},
      Preset{"double", R"({"saturation": 2})", "twice the saturation"}};
  // The setting that selects the measured gain.
  static constexpr double kAutomatic = 1.0;
  static constexpr double kMaxSaturation = 4.0;
  static constexpr auto Fields() {
    using S = SettingsEffectSaturation;
    return std::make_tuple(
        Param("saturation", &S::saturation_, 0.0, kMaxSaturation,
              "chroma gain: 0 grey, exactly 1 measures a gain that lifts pale frames"),
        Param("alphaIsDisabled", &S::alphaDisabled_,
              "ignore the input's alpha: the output is opaque"));
  }

  double GetSaturation() const { return saturation_; }
  void SetSaturation(double saturation) { Assign(saturation_, saturation); }
  bool IsAutomatic() const { return saturation_ == kAutomatic; }
  bool GetAlphaIsDisabled() const { return alphaDisabled_; }
  void SetAlphaIsDisabled(bool disabled) { Assign(alphaDisabled_, disabled); }

 private:
  double saturation_ = kAutomatic;
  bool alphaDisabled_ = false;
};

}  // namespace Obrisk::Proc
