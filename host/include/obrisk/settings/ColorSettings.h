// Settings of the per-pixel colour effects.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

class SettingsEffectInvert final : public SettingsBase<SettingsEffectInvert> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectInvert"};
  static constexpr std::string_view FAMILY = Family::kColour;
  static constexpr std::string_view DESCRIPTION = "Inverts the colours, fully or part way";
  static constexpr std::array PRESETS{
      Preset{"full", R"({})", "every colour turned to its opposite"},
      Preset{"half", R"({"intensity": 0.5})", "half way: colours wash towards grey"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("intensity", &SettingsEffectInvert::intensity_, 0.0, 1.0,
                                 "each colour channel c becomes |intensity - c|: 1 inverts, "
                                 "0 leaves the picture unchanged"));
  }

  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  float intensity_ = 1.0f;
};

// Each output channel is a weighted sum of the input's red, green and blue.
// The nine weights are stored by output channel: red's three, then green's,
// then blue's, each in the order red, green, blue of the input.
class SettingsEffectChannelMixer final : public SettingsBase<SettingsEffectChannelMixer> {
 public:
  using Matrix = std::array<float, 9>;
  inline static const std::string CLASS_ID{"SettingsEffectChannelMixer"};
  static constexpr std::string_view FAMILY = Family::kColour;
  static constexpr std::string_view DESCRIPTION =
      "Mixes each output colour channel from the input's red, green and blue";
  static constexpr std::array PRESETS{
      Preset{"swap-red-blue", R"({"rr": 0, "rb": 1, "br": 1, "bb": 0})", "red and blue exchanged"},
      Preset{"monochrome",
             R"({"rr": 0.3, "rg": 0.59, "rb": 0.11, "gr": 0.3, "gg": 0.59, "gb": 0.11, "br": )"
             R"(0.3, "bg": 0.59, "bb": 0.11})",
             "every channel the same weighted grey"},
      Preset{"warm", R"({"rr": 1.15, "gg": 1.0, "bb": 0.8})", "more red, less blue"}};
  static constexpr double kWeightLimit = 2.0;
  static constexpr auto Fields() {
    using S = SettingsEffectChannelMixer;
    constexpr double limit = kWeightLimit;
    return std::make_tuple(
        Param("rr", &S::rr_, -limit, limit, "weight of input red in output red"),
        Param("rg", &S::rg_, -limit, limit, "weight of input green in output red"),
        Param("rb", &S::rb_, -limit, limit, "weight of input blue in output red"),
        Param("gr", &S::gr_, -limit, limit, "weight of input red in output green"),
        Param("gg", &S::gg_, -limit, limit, "weight of input green in output green"),
        Param("gb", &S::gb_, -limit, limit, "weight of input blue in output green"),
        Param("br", &S::br_, -limit, limit, "weight of input red in output blue"),
        Param("bg", &S::bg_, -limit, limit, "weight of input green in output blue"),
        Param("bb", &S::bb_, -limit, limit, "weight of input blue in output blue"));
  }
  static constexpr Matrix kIdentity{1, 0, 0, 0, 1, 0, 0, 0, 1};

  // The weights in stored order.
  Matrix GetMatrix() const { return {rr_, rg_, rb_, gr_, gg_, gb_, br_, bg_, bb_}; }
  void SetMatrix(const Matrix& m) {
    Update([&](auto& s) {
      std::tie(s.rr_, s.rg_, s.rb_, s.gr_, s.gg_, s.gb_, s.br_, s.bg_, s.bb_) =
          std::tie(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8]);
    });
  }
  bool IsEmpty() const override { return GetMatrix() == kIdentity; }

 private:
  float rr_ = 1.0f, rg_ = 0.0f, rb_ = 0.0f;
  float gr_ = 0.0f, gg_ = 1.0f, gb_ = 0.0f;
  float br_ = 0.0f, bg_ = 0.0f, bb_ = 1.0f;
};

// Contrast, brightness, saturation, gamma and hue on full-range BT.709 Y'CbCr
// (in the working colour space, BT.709 primaries and transfer). The gamma of
// luma is gamma x gammaGreen; the chroma exponents come from the ratios of
// the green gamma to the blue and the red one; gammaWeight blends the gamma
// result with the value before it.
class SettingsEffectColorBalance final : public SettingsBase<SettingsEffectColorBalance> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectColorBalance"};
  static constexpr std::string_view FAMILY = Family::kColour;
  static constexpr std::string_view DESCRIPTION =
      "Contrast, brightness, saturation, gamma and hue of the luma and chroma";
  static constexpr std::array PRESETS{
      Preset{"punchy", R"({"contrast": 1.3, "saturation": 1.5})", "more contrast and saturation"},
      Preset{"faded", R"({"contrast": 0.7, "brightness": 0.1, "saturation": 0.6})",
             "flat, light and pale"},
      Preset{"hue-turn", R"({"hue": 120})", "chroma turned a third of the way round"}};
  static constexpr double kMinGamma = 0.1;
  static constexpr double kMaxGamma = 10.0;
  static constexpr auto Fields() {
    using S = SettingsEffectColorBalance;
    return std::make_tuple(
        Param("contrast", &S::contrast_, -1000.0, 1000.0,
              "slope of luma about mid-grey: 1 keeps it, 0 flattens to grey, negative inverts"),
        Param("brightness", &S::brightness_, -1.0, 1.0, "added to luma (1 is full scale)"),
        Param("saturation", &S::saturation_, 0.0, 3.0,
              "chroma scale about neutral: 1 keeps it, 0 is grey"),
        Param("gamma", &S::gamma_, kMinGamma, kMaxGamma, "gamma of luma"),
        Param("gammaGreen", &S::gammaGreen_, kMinGamma, kMaxGamma,
              "green gamma: multiplies the luma gamma, divides the chroma ones"),
        Param("gammaBlue", &S::gammaBlue_, kMinGamma, kMaxGamma,
              "blue gamma: Cb is raised to sqrt(gammaGreen / gammaBlue)"),
        Param("gammaRed", &S::gammaRed_, kMinGamma, kMaxGamma,
              "red gamma: Cr is raised to sqrt(gammaGreen / gammaRed)"),
        Param("gammaWeight", &S::gammaWeight_, 0.0, 1.0,
              "share of the gamma result: 0 leaves gamma out, 1 applies it fully"),
        Param("hue", &S::hue_, 0, 360, "rotation of the chroma plane in degrees"));
  }

  double GetFFContrast() const { return contrast_; }
  double GetFFBrightness() const { return brightness_; }
  double GetFFSaturation() const { return saturation_; }
  double GetFFGamma() const { return gamma_; }
  double GetFFGammaGreen() const { return gammaGreen_; }
  double GetFFGammaBlue() const { return gammaBlue_; }
  double GetFFGammaRed() const { return gammaRed_; }
  double GetFFGammaWeight() const { return gammaWeight_; }
  std::int32_t GetHue() const { return hue_; }

  void SetContrast(double value) { Assign(contrast_, value); }
  void SetBrightness(double value) { Assign(brightness_, value); }
  void SetSaturation(double value) { Assign(saturation_, value); }
  void SetGamma(double value) { Assign(gamma_, value); }
  void SetGammaGreen(double value) { Assign(gammaGreen_, value); }
  void SetGammaBlue(double value) { Assign(gammaBlue_, value); }
  void SetGammaRed(double value) { Assign(gammaRed_, value); }
  void SetGammaWeight(double value) { Assign(gammaWeight_, value); }
  void SetHue(std::int32_t degrees) { Assign(hue_, degrees); }

  bool IsEmpty() const override { return IsEqualTo(SettingsEffectColorBalance{}); }

 private:
  double contrast_ = 1.0;
  double brightness_ = 0.0;
  double saturation_ = 1.0;
  double gamma_ = 1.0;
  double gammaGreen_ = 1.0;
  double gammaBlue_ = 1.0;
  double gammaRed_ = 1.0;
  double gammaWeight_ = 1.0;
  std::int32_t hue_ = 0;
};

// Exposure, brightness and contrast on RGB, then hue and saturation in HSV.
class SettingsEffectColorCorrection final : public SettingsBase<SettingsEffectColorCorrection> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectColorCorrection"};
  static constexpr std::string_view FAMILY = Family::kColour;
  static constexpr std::string_view DESCRIPTION =
      "Exposure, brightness, contrast, hue and saturation";
  static constexpr std::array PRESETS{
      Preset{"brighter", R"({"exposure": 0.4, "contrast": 0.2})",
             "exposure up, a little more contrast"},
      Preset{"desaturated", R"({"saturation": 0.3})", "colours mostly drained"},
      Preset{"hue-shift", R"({"hue": 0.25})", "hues turned a quarter turn"}};
  static constexpr auto Fields() {
    using S = SettingsEffectColorCorrection;
    return std::make_tuple(
        Param("exposure", &S::exposure_, -1.0, 1.0,
              "negative darkens towards black, positive lightens towards white (1 halfway)"),
        Param("brightness", &S::brightness_, -1.0, 1.0, "added to each channel"),
        Param("contrast", &S::contrast_, -1.0, 1.0,
              "slope about mid-grey tan((contrast + 1) pi/4): -1 flat grey, 0 unchanged, "
              "1 a hard threshold"),
        Param("hue", &S::hue_, -1.0, 1.0, "hue rotation in full turns"),
        Param("saturation", &S::saturation_, 0.0, 3.0, "HSV saturation scale: 1 keeps it"));
  }

  float GetExposure() const { return exposure_; }
  float GetBrightness() const { return brightness_; }
  float GetContrast() const { return contrast_; }
  float GetHue() const { return hue_; }
  float GetSaturation() const { return saturation_; }
  void SetExposure(float value) { Assign(exposure_, value); }
  void SetBrightness(float value) { Assign(brightness_, value); }
  void SetContrast(float value) { Assign(contrast_, value); }
  void SetHue(float value) { Assign(hue_, value); }
  void SetSaturation(float value) { Assign(saturation_, value); }

  bool IsEmpty() const override { return IsEqualTo(SettingsEffectColorCorrection{}); }

 private:
  float exposure_ = 0.0f;
  float brightness_ = 0.0f;
  float contrast_ = 0.0f;
  float hue_ = 0.0f;
  float saturation_ = 1.0f;
};

// Quantises the luma into steps and scales each colour onto its step.
class SettingsEffectPosterize final : public SettingsBase<SettingsEffectPosterize> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectPosterize"};
  static constexpr std::string_view FAMILY = Family::kColour;
  static constexpr std::string_view DESCRIPTION = "Reduces the luma to a few levels";
  static constexpr std::array PRESETS{
      Preset{"four-levels", R"({})", "four luma steps"},
      Preset{"two-levels", R"({"levels": 2})", "black and white steps only"}};
  static constexpr auto Fields() {
    using S = SettingsEffectPosterize;
    return std::make_tuple(
        Param("levels", &S::levels_, 1, 255, "luma steps from black to white"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "share of the effect: 0 leaves the picture unchanged, 1 applies it fully"));
  }

  std::int32_t GetLevels() const { return levels_; }
  float GetIntensity() const { return intensity_; }
  void SetLevels(std::int32_t levels) { Assign(levels_, levels); }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  std::int32_t levels_ = 4;
  float intensity_ = 1.0f;
};

// Old-film looks.
class SettingsEffectRetroColors final : public SettingsBase<SettingsEffectRetroColors> {
 public:
  enum Mode : std::int32_t { Retro = 0, Seventies = 1, Grayscale = 2, Sepia = 3 };
  inline static const std::string CLASS_ID{"SettingsEffectRetroColors"};
  static constexpr std::string_view FAMILY = Family::kColour;
  static constexpr std::string_view DESCRIPTION = "Retro, seventies, greyscale or sepia look";
  static constexpr std::array PRESETS{
      Preset{"retro", R"({"mode": 0})", "mode 0"}, Preset{"seventies", R"({"mode": 1})", "mode 1"},
      Preset{"greyscale", R"({"mode": 2})", "mode 2"}, Preset{"sepia", R"({"mode": 3})", "mode 3"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("mode", &SettingsEffectRetroColors::mode_, 0, 3,
                                 "0 retro, 1 seventies, 2 greyscale, 3 sepia"));
  }

  std::int32_t GetMode() const { return mode_; }
  void SetMode(std::int32_t mode) { Assign(mode_, mode); }

 private:
  std::int32_t mode_ = Retro;
};

// Moves the black and white levels of luma (limited-range levels 16 and
// 235), in hundreds of levels on the 0 to 255 scale.
class SettingsEffectShiftLuma final : public SettingsBase<SettingsEffectShiftLuma> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectShiftLuma"};
  static constexpr std::string_view FAMILY = Family::kColour;
  static constexpr std::string_view DESCRIPTION = "Moves the black and white levels of the luma";
  static constexpr std::array PRESETS{
      Preset{"crushed-blacks", R"({"blackShift": 0.2})", "black level raised: shadows go black"},
      Preset{"lifted", R"({"blackShift": -0.2, "whiteShift": -0.2})",
             "both levels lowered: a brighter, flatter picture"}};
  static constexpr auto Fields() {
    using S = SettingsEffectShiftLuma;
    return std::make_tuple(
        Param("blackShift", &S::blackShift_, -1.0, 1.0,
              "positive lifts black by shift x 100 levels, negative crushes as many shadow "
              "levels to black"),
        Param("whiteShift", &S::whiteShift_, -1.0, 1.0,
              "positive brings that many highlight levels up to white, negative lowers "
              "white by shift x 100 levels"));
  }

  float GetBlackShift() const { return blackShift_; }
  float GetWhiteShift() const { return whiteShift_; }
  void SetBlackShift(float shift) { Assign(blackShift_, shift); }
  void SetWhiteShift(float shift) { Assign(whiteShift_, shift); }
  bool IsEmpty() const override { return blackShift_ == 0.0f && whiteShift_ == 0.0f; }

 private:
  float blackShift_ = 0.0f;
  float whiteShift_ = 0.0f;
};

// Adds constant offsets to the chroma (full-range BT.709 Cb and Cr, in the
// working colour space): a colour cast.
class SettingsEffectShiftUV final : public SettingsBase<SettingsEffectShiftUV> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectShiftUV"};
  static constexpr std::string_view FAMILY = Family::kColour;
  static constexpr std::string_view DESCRIPTION = "Tints the picture by shifting its chroma";
  static constexpr std::array PRESETS{
      Preset{"warm", R"({"uShift": -20, "vShift": 25})", "towards red and yellow"},
      Preset{"cool", R"({"uShift": 25, "vShift": -15})", "towards blue"}};
  static constexpr auto Fields() {
    using S = SettingsEffectShiftUV;
    return std::make_tuple(
        Param("uShift", &S::uShift_, -255, 255,
              "added to Cb, in levels of the 0 to 255 scale (positive is bluer)"),
        Param("vShift", &S::vShift_, -255, 255,
              "added to Cr, in levels of the 0 to 255 scale (positive is redder)"));
  }

  // (Cb shift, Cr shift) in levels of the 0 to 255 scale.
  std::pair<std::int32_t, std::int32_t> CalculateShift() const { return {uShift_, vShift_}; }
  void SetShift(std::int32_t u, std::int32_t v) {
    Update([&](auto& s) {
      s.uShift_ = u;
      s.vShift_ = v;
    });
  }
  bool IsEmpty() const override { return uShift_ == 0 && vShift_ == 0; }

 private:
  std::int32_t uShift_ = 0;
  std::int32_t vShift_ = 0;
};

// Scales the alpha; the colour is kept.
class SettingsEffectOpacity final : public SettingsBase<SettingsEffectOpacity> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectOpacity"};
  static constexpr std::string_view FAMILY = Family::kColour;
  static constexpr std::string_view DESCRIPTION = "Makes the picture partly transparent";
  static constexpr std::array PRESETS{
      Preset{"half", R"({"opacity": 0.5})", "half transparent over the checkerboard"},
      Preset{"faint", R"({"opacity": 0.15})", "almost gone"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("opacity", &SettingsEffectOpacity::opacity_, 0.0, 1.0,
                                 "alpha is multiplied by it: 1 keeps, 0 is fully transparent"));
  }

  double GetOpacity() const { return opacity_; }
  void SetOpacity(double opacity) { Assign(opacity_, opacity); }

 private:
  double opacity_ = 1.0;
};

}  // namespace Obrisk::Proc
