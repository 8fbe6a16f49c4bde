// Settings of the colour tools: the balance, temperature, colorize, hue and
// saturation, and shadows and highlights tools after the GIMP image editor's
// colour operations, tone curves and 3-D lookup tables.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "obrisk/effectcommon/ColorTables.h"
#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// Colour shifts of the shadows, midtones and highlights, each channel -100
// to 100 (towards red, green or blue; negative towards cyan, magenta or
// yellow).
class SettingsEffectGIMPBalanceChroma final : public SettingsBase<SettingsEffectGIMPBalanceChroma> {
 public:
  using Shift = std::array<std::int32_t, 3>;
  inline static const std::string CLASS_ID{"SettingsEffectGIMPBalanceChroma"};
  static constexpr std::string_view FAMILY = Family::kColourTools;
  static constexpr std::string_view DESCRIPTION =
      "Shifts the colour of the shadows, midtones and highlights apart";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "blue shadows, warm highlights"},
      Preset{"teal-orange",
             R"({"shadowsRed": -40, "shadowsBlue": 30, "highlightsRed": 50, )"
             R"("highlightsGreen": 10, "highlightsBlue": -30})",
             "teal shadows, orange highlights"}};
  static constexpr double kLimit = 100.0;
  static constexpr auto Fields() {
    using S = SettingsEffectGIMPBalanceChroma;
    constexpr double l = kLimit;
    return std::make_tuple(
        Param("shadowsRed", &S::shadowsRed_, -l, l, "shadows towards red (negative: cyan)"),
        Param("shadowsGreen", &S::shadowsGreen_, -l, l,
              "shadows towards green (negative: magenta)"),
        Param("shadowsBlue", &S::shadowsBlue_, -l, l, "shadows towards blue (negative: yellow)"),
        Param("midtonesRed", &S::midtonesRed_, -l, l, "midtones towards red (negative: cyan)"),
        Param("midtonesGreen", &S::midtonesGreen_, -l, l,
              "midtones towards green (negative: magenta)"),
        Param("midtonesBlue", &S::midtonesBlue_, -l, l, "midtones towards blue (negative: yellow)"),
        Param("highlightsRed", &S::highlightsRed_, -l, l,
              "highlights towards red (negative: cyan)"),
        Param("highlightsGreen", &S::highlightsGreen_, -l, l,
              "highlights towards green (negative: magenta)"),
        Param("highlightsBlue", &S::highlightsBlue_, -l, l,
              "highlights towards blue (negative: yellow)"),
        Param("preserveLuminosity", &S::preserveLuminosity_,
              "keep each pixel's HSL lightness as it was"));
  }

  Shift GetShadows() const { return {shadowsRed_, shadowsGreen_, shadowsBlue_}; }
  Shift GetMidtones() const { return {midtonesRed_, midtonesGreen_, midtonesBlue_}; }
  Shift GetHighlights() const { return {highlightsRed_, highlightsGreen_, highlightsBlue_}; }
  bool IsPreserveLuminosity() const { return preserveLuminosity_; }
  void SetShadows(const Shift& s) {
    std::tie(shadowsRed_, shadowsGreen_, shadowsBlue_) = std::tuple_cat(s);
  }
  void SetMidtones(const Shift& s) {
    std::tie(midtonesRed_, midtonesGreen_, midtonesBlue_) = std::tuple_cat(s);
  }
  void SetHighlights(const Shift& s) {
    std::tie(highlightsRed_, highlightsGreen_, highlightsBlue_) = std::tuple_cat(s);
  }
  void SetPreserveLuminosity(bool preserve) { preserveLuminosity_ = preserve; }
  bool IsEmpty() const override {
    return GetShadows() == Shift{} && GetMidtones() == Shift{} && GetHighlights() == Shift{};
  }

 private:
  std::int32_t shadowsRed_ = 0, shadowsGreen_ = 0, shadowsBlue_ = 40;
  std::int32_t midtonesRed_ = 0, midtonesGreen_ = 0, midtonesBlue_ = 0;
  std::int32_t highlightsRed_ = 40, highlightsGreen_ = 10, highlightsBlue_ = 0;
  bool preserveLuminosity_ = true;
};

// Re-lights a picture taken under one colour temperature as if under another.
class SettingsEffectGIMPColorTemperature final
    : public SettingsBase<SettingsEffectGIMPColorTemperature> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectGIMPColorTemperature"};
  static constexpr std::string_view FAMILY = Family::kColourTools;
  static constexpr std::string_view DESCRIPTION =
      "Changes the light's colour temperature from one value to another";
  static constexpr std::array PRESETS{
      Preset{"warmer", R"({})", "6500 K light shown as 4000 K: warmer"},
      Preset{"cooler", R"({"intendedTemperature": 10000})", "shown as 10000 K: cooler"}};
  static constexpr double kMinKelvin = 1000.0;
  static constexpr double kMaxKelvin = 12000.0;
  static constexpr auto Fields() {
    using S = SettingsEffectGIMPColorTemperature;
    return std::make_tuple(
        Param("originalTemperature", &S::original_, kMinKelvin, kMaxKelvin,
              "colour temperature of the light the picture was taken in, kelvin"),
        Param("intendedTemperature", &S::intended_, kMinKelvin, kMaxKelvin,
              "colour temperature the picture should look taken in, kelvin"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "share of the effect: 0 leaves the picture unchanged, 1 applies it fully"));
  }

  float GetOriginalTemperature() const { return original_; }
  float GetIntendedTemperature() const { return intended_; }
  float GetIntensity() const { return intensity_; }
  void SetOriginalTemperature(float kelvin) { original_ = kelvin; }
  void SetIntendedTemperature(float kelvin) { intended_ = kelvin; }
  void SetIntensity(float intensity) { intensity_ = intensity; }
  bool IsEmpty() const override { return intensity_ == 0.0f || original_ == intended_; }

 private:
  float original_ = 6500.0f;
  float intended_ = 4000.0f;
  float intensity_ = 1.0f;
};

// Paints the picture in one hue and saturation, keeping its luminance.
class SettingsEffectGIMPColorize final : public SettingsBase<SettingsEffectGIMPColorize> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectGIMPColorize"};
  static constexpr std::string_view FAMILY = Family::kColourTools;
  static constexpr std::string_view DESCRIPTION =
      "Paints the picture in one colour, keeping its luminance";
  static constexpr std::array PRESETS{
      Preset{"amber", R"({})", "everything in one amber hue"},
      Preset{"blue", R"({"hue": 0.6, "saturation": 0.6})", "everything in blue"}};
  static constexpr auto Fields() {
    using S = SettingsEffectGIMPColorize;
    return std::make_tuple(
        Param("hue", &S::hue_, 0.0, 1.0, "hue in turns (0 red, 1/3 green, 2/3 blue)"),
        Param("saturation", &S::saturation_, 0.0, 1.0, "HSL saturation of the colour"),
        Param("lightness", &S::lightness_, -1.0, 1.0,
              "towards black (negative) or white (positive)"),
        Param("validRGB", &S::validRgb_,
              "take hue, saturation and lightness from red, green and blue instead"),
        Param("red", &S::red_, 0.0, 1.0, "red of the colour when validRGB is set"),
        Param("green", &S::green_, 0.0, 1.0, "green of the colour when validRGB is set"),
        Param("blue", &S::blue_, 0.0, 1.0, "blue of the colour when validRGB is set"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "share of the effect: 0 leaves the picture unchanged, 1 applies it fully"));
  }

  float GetHue() const { return hue_; }
  float GetSaturation() const { return saturation_; }
  float GetLightness() const { return lightness_; }
  bool IsValidRGB() const { return validRgb_; }
  float GetRed() const { return red_; }
  float GetGreen() const { return green_; }
  float GetBlue() const { return blue_; }
  float GetIntensity() const { return intensity_; }
  void SetHsl(float hue, float saturation, float lightness) {
    std::tie(hue_, saturation_, lightness_) = std::tie(hue, saturation, lightness);
  }
  // Sets the colour and marks it valid.
  void SetRgb(float red, float green, float blue) {
    std::tie(red_, green_, blue_) = std::tie(red, green, blue);
    validRgb_ = true;
  }
  void SetIntensity(float intensity) { intensity_ = intensity; }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  float hue_ = 0.08f;
  float saturation_ = 0.5f;
  float lightness_ = 0.0f;
  bool validRgb_ = false;
  float red_ = 1.0f;
  float green_ = 1.0f;
  float blue_ = 1.0f;
  float intensity_ = 1.0f;
};

// Hue, saturation and lightness, for the whole picture and for each of six
// hue sectors.
class SettingsEffectGIMPHueSaturation final : public SettingsBase<SettingsEffectGIMPHueSaturation> {
 public:
  // 0 the whole picture, then the six sectors centred on their hues.
  enum HueRange : int { kMaster, kRed, kYellow, kGreen, kCyan, kBlue, kMagenta, kRangeCount };
  inline static const std::string CLASS_ID{"SettingsEffectGIMPHueSaturation"};
  static constexpr std::string_view FAMILY = Family::kColourTools;
  static constexpr std::string_view DESCRIPTION =
      "Hue, saturation and lightness overall and per hue sector";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "more saturation, blues turned"},
      Preset{"muted", R"({"saturation": -60})", "colours muted"},
      Preset{"reds-to-green", R"({"saturation": 0, "blueHue": 0, "redHue": 120})",
             "reds turned green, the rest kept"}};
  static constexpr double kHueLimit = 180.0;
  static constexpr double kLimit = 100.0;
  static constexpr auto Fields() {
    using S = SettingsEffectGIMPHueSaturation;
    constexpr double h = kHueLimit;
    constexpr double l = kLimit;
    return std::make_tuple(
        Param("hue", &S::hue_, -h, h, "hue turn of every colour, degrees"),
        Param("saturation", &S::saturation_, -l, l, "saturation change of every colour"),
        Param("lightness", &S::lightness_, -l, l, "lightness change of every colour"),
        Param("redHue", &S::redHue_, -h, h, "hue turn of reds, degrees"),
        Param("redSaturation", &S::redSaturation_, -l, l, "saturation change of reds"),
        Param("redLightness", &S::redLightness_, -l, l, "lightness change of reds"),
        Param("yellowHue", &S::yellowHue_, -h, h, "hue turn of yellows, degrees"),
        Param("yellowSaturation", &S::yellowSaturation_, -l, l, "saturation change of yellows"),
        Param("yellowLightness", &S::yellowLightness_, -l, l, "lightness change of yellows"),
        Param("greenHue", &S::greenHue_, -h, h, "hue turn of greens, degrees"),
        Param("greenSaturation", &S::greenSaturation_, -l, l, "saturation change of greens"),
        Param("greenLightness", &S::greenLightness_, -l, l, "lightness change of greens"),
        Param("cyanHue", &S::cyanHue_, -h, h, "hue turn of cyans, degrees"),
        Param("cyanSaturation", &S::cyanSaturation_, -l, l, "saturation change of cyans"),
        Param("cyanLightness", &S::cyanLightness_, -l, l, "lightness change of cyans"),
        Param("blueHue", &S::blueHue_, -h, h, "hue turn of blues, degrees"),
        Param("blueSaturation", &S::blueSaturation_, -l, l, "saturation change of blues"),
        Param("blueLightness", &S::blueLightness_, -l, l, "lightness change of blues"),
        Param("magentaHue", &S::magentaHue_, -h, h, "hue turn of magentas, degrees"),
        Param("magentaSaturation", &S::magentaSaturation_, -l, l, "saturation change of magentas"),
        Param("magentaLightness", &S::magentaLightness_, -l, l, "lightness change of magentas"),
        Param("overlap", &S::overlap_, 0.0, l,
              "how far neighbouring sectors blend into each other, percent"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "share of the effect: 0 leaves the picture unchanged, 1 applies it fully"));
  }

  float GetHue(int range) const { return Values(range)[0]; }
  float GetSaturation(int range) const { return Values(range)[1]; }
  float GetLightness(int range) const { return Values(range)[2]; }
  float GetOverlap() const { return overlap_; }
  float GetIntensity() const { return intensity_; }
  // Hue in degrees, saturation and lightness from -100 to 100, of one range.
  void SetRange(int range, float hue, float saturation, float lightness) {
    auto [h, s, l] = Members(range);
    std::tie(this->*h, this->*s, this->*l) = std::tie(hue, saturation, lightness);
  }
  void SetOverlap(float overlap) { overlap_ = overlap; }
  void SetIntensity(float intensity) { intensity_ = intensity; }
  bool IsEmpty() const override;

 private:
  using Member = float SettingsEffectGIMPHueSaturation::*;
  static std::array<Member, 3> Members(int range);
  std::array<float, 3> Values(int range) const {
    const auto [h, s, l] = Members(range);
    return {this->*h, this->*s, this->*l};
  }

  float hue_ = 0.0f, saturation_ = 30.0f, lightness_ = 0.0f;
  float redHue_ = 0.0f, redSaturation_ = 0.0f, redLightness_ = 0.0f;
  float yellowHue_ = 0.0f, yellowSaturation_ = 0.0f, yellowLightness_ = 0.0f;
  float greenHue_ = 0.0f, greenSaturation_ = 0.0f, greenLightness_ = 0.0f;
  float cyanHue_ = 0.0f, cyanSaturation_ = 0.0f, cyanLightness_ = 0.0f;
  float blueHue_ = -40.0f, blueSaturation_ = 0.0f, blueLightness_ = 0.0f;
  float magentaHue_ = 0.0f, magentaSaturation_ = 0.0f, magentaLightness_ = 0.0f;
  float overlap_ = 0.0f;
  float intensity_ = 1.0f;
};

// Lifts the shadows and tames the highlights in CIE Lab, after the GIMP
// image editor's shadows-highlights operation.
class SettingsEffectGIMPShadowsHightlights final
    : public SettingsBase<SettingsEffectGIMPShadowsHightlights> {
 public:
  using Range = std::pair<float, float>;
  inline static const std::string CLASS_ID{"SettingsEffectGIMPShadowsHightlights"};
  static constexpr std::string_view FAMILY = Family::kColourTools;
  static constexpr std::string_view DESCRIPTION =
      "Brightens the shadows and darkens the highlights, keeping local contrast";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "shadows lifted, highlights held back"},
      Preset{"strong", R"({"shadows": 100, "highlights": -100})", "both pushed all the way"}};
  static constexpr Range s_shadowsMinMax{-100.0f, 100.0f};
  static constexpr Range s_highlightsMinMax{-100.0f, 100.0f};
  static constexpr Range s_whitepointMinMax{-10.0f, 10.0f};
  static constexpr Range s_compressMinMax{0.0f, 100.0f};
  static constexpr Range s_shadowsColorCorrectMinMax{0.0f, 100.0f};
  static constexpr Range s_highlightsColorCorrectMinMax{0.0f, 100.0f};
  static constexpr Range s_intensityMinMax{0.0f, 1.0f};
  static constexpr auto Fields() {
    using S = SettingsEffectGIMPShadowsHightlights;
    const auto p = [](std::string_view name, float S::*member, Range range,
                      std::string_view description) {
      return Param(name, member, range.first, range.second, description);
    };
    return std::make_tuple(
        p("shadows", &S::shadows_, s_shadowsMinMax, "lifts (positive) or deepens the shadows"),
        p("highlights", &S::highlights_, s_highlightsMinMax,
          "darkens (negative) or brightens the highlights"),
        p("whitepoint", &S::whitepoint_, s_whitepointMinMax, "shift of the white point, percent"),
        p("compress", &S::compress_, s_compressMinMax,
          "how far from the ends the adjustments reach in: 0 all tones, 100 none"),
        p("shadowsColorCorrect", &S::shadowsColorCorrect_, s_shadowsColorCorrectMinMax,
          "colour saturation kept in the adjusted shadows"),
        p("highlightsColorCorrect", &S::highlightsColorCorrect_, s_highlightsColorCorrectMinMax,
          "colour saturation kept in the adjusted highlights"),
        p("intensity", &S::intensity_, s_intensityMinMax,
          "share of the effect: 0 leaves the picture unchanged, 1 applies it fully"));
  }

  float GetShadows() const { return shadows_; }
  float GetHighlights() const { return highlights_; }
  float GetWhitepoint() const { return whitepoint_; }
  float GetCompress() const { return compress_; }
  float GetShadowsColorCorrect() const { return shadowsColorCorrect_; }
  float GetHighlightsColorCorrect() const { return highlightsColorCorrect_; }
  float GetIntensity() const { return intensity_; }
  void SetShadows(float v) { shadows_ = v; }
  void SetHighlights(float v) { highlights_ = v; }
  void SetWhitepoint(float v) { whitepoint_ = v; }
  void SetCompress(float v) { compress_ = v; }
  void SetShadowsColorCorrect(float v) { shadowsColorCorrect_ = v; }
  void SetHighlightsColorCorrect(float v) { highlightsColorCorrect_ = v; }
  void SetIntensity(float v) { intensity_ = v; }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  float shadows_ = 50.0f;
  float highlights_ = -50.0f;
  float whitepoint_ = 0.0f;
  float compress_ = 50.0f;
  float shadowsColorCorrect_ = 100.0f;
  float highlightsColorCorrect_ = 50.0f;
  float intensity_ = 1.0f;
};

// Tone curves per channel. Each curve is text: control points "x,y" separated
// by spaces, through which a smooth curve runs (rising or falling wherever the
// points do), or bare samples spread evenly over 0 to 1; empty leaves the
// channel alone.
class SettingsEffectColorCurves final : public SettingsBase<SettingsEffectColorCurves> {
 public:
  enum CurveType : int { kRgb = 0, kRed = 1, kGreen = 2, kBlue = 3, kCurveTypeCount };
  using Curves = std::map<CurveType, std::shared_ptr<const Curve::CurvePoints>>;
  inline static const std::string CLASS_ID{"SettingsEffectColorCurves"};
  static constexpr std::string_view FAMILY = Family::kColourTools;
  static constexpr std::string_view DESCRIPTION = "Tone curves on all channels and on each one";
  static constexpr std::array PRESETS{
      Preset{"s-curve", R"({})", "a gentle S-curve: more contrast"},
      Preset{"cross-process",
             R"({"rgb": "0,0 1,1", "red": "0,0 0.3,0.2 0.7,0.85 1,1", "blue": "0,0.15 1,0.85"})",
             "red S-curve, blue flattened"},
      Preset{"invert", R"({"rgb": "0,1 1,0"})", "a falling curve: a negative"}};
  static constexpr auto Fields() {
    using S = SettingsEffectColorCurves;
    return std::make_tuple(Param("rgb", &S::rgb_, kRgbHelp), Param("red", &S::red_, kRedHelp),
                           Param("green", &S::green_, kGreenHelp),
                           Param("blue", &S::blue_, kBlueHelp));
  }

  SettingsEffectColorCurves();
  // The curves present, by type, in the order they are applied.
  const Curves& GetCurves() const { return curves_; }
  // Sets a curve from its text; std::invalid_argument for text that is no
  // curve, and the settings are unchanged then.
  void SetCurve(CurveType type, const std::string& text);
  void Deserialize(const Property& property) override;
  bool IsEmpty() const override { return curves_.empty(); }

 private:
  static constexpr std::string_view kRgbHelp =
      "curve on red, green and blue: control points \"x,y x,y ...\" (a smooth curve through "
      "them, monotonic where they are) or samples \"v0 v1 ...\" spread over 0 to 1; empty for "
      "none";
  static constexpr std::string_view kRedHelp = "curve on red, after the rgb curve (as rgb)";
  static constexpr std::string_view kGreenHelp = "curve on green, after the rgb curve (as rgb)";
  static constexpr std::string_view kBlueHelp = "curve on blue, after the rgb curve (as rgb)";
  std::string* Text(CurveType type);
  // Parses every curve's text; throws before changing anything.
  void Rebuild();

  std::string rgb_ = "0,0 0.25,0.16 0.75,0.86 1,1";
  std::string red_;
  std::string green_;
  std::string blue_;
  Curves curves_;
};

// A 3-D colour lookup table, read from a .cube (1-D or 3-D) or .3dl file.
class SettingsEffectLUT final : public SettingsBase<SettingsEffectLUT> {
 public:
  enum Interpolation : std::int32_t { kNearest = 0, kTrilinear = 1, kTetrahedral = 2 };
  inline static const std::string CLASS_ID{"SettingsEffectLUT"};
  static constexpr std::string_view FAMILY = Family::kColourTools;
  static constexpr std::string_view DESCRIPTION = "Maps colours through a 3-D lookup table";
  static constexpr auto Fields() {
    using S = SettingsEffectLUT;
    return std::make_tuple(
        Param("interpolation", &S::interpolation_, 0, 2,
              "between table entries: 0 nearest, 1 trilinear, 2 tetrahedral"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "share of the effect: 0 leaves the picture unchanged, 1 applies it fully"),
        Param("lut", &S::lut_,
              "the table: the path of a .cube (1-D or 3-D) or .3dl file, relative to the "
              "working directory, or a file's text itself (any value with a line break; "
              "a .cube text holds LUT_3D_SIZE or LUT_1D_SIZE); empty for none. "
              "The default is a small inline .cube look"));
  }

  SettingsEffectLUT();
  // The table, or none.
  const std::shared_ptr<const LUT::LUTTable>& GetTable() const { return table_; }
  // Sets a table made in memory; its .cube text becomes the `lut` value.
  void SetTable(std::shared_ptr<const LUT::LUTTable> table);
  // Loads a table as the `lut` parameter does (a path or a file's text);
  // std::invalid_argument for a file that cannot be read or is malformed,
  // and the settings are unchanged then.
  void SetLut(const std::string& lut);
  std::int32_t GetInterpolationType() const { return interpolation_; }
  float GetIntensity() const { return intensity_; }
  void SetInterpolationType(std::int32_t type) { interpolation_ = type; }
  void SetIntensity(float intensity) { intensity_ = intensity; }

  void Deserialize(const Property& property) override;
  bool IsEqualTo(const Settings& other) const override;
  bool IsEmpty() const override { return !table_ || intensity_ == 0.0f; }

 private:
  std::string lut_;
  std::int32_t interpolation_ = kTetrahedral;
  float intensity_ = 1.0f;
  std::shared_ptr<const LUT::LUTTable> table_;
};

}  // namespace Obrisk::Proc
