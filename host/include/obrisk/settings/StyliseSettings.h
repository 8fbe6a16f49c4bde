// Settings of the stylising effects: sharpen, find edges, erosion, diffuse,
// mosaic, glass mosaic, halftone, oil paint, pop art and neon lamp.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

class SettingsEffectSharpen final : public SettingsBase<SettingsEffectSharpen> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectSharpen"};
  static constexpr std::string_view FAMILY = Family::kStylise;
  static constexpr std::string_view DESCRIPTION =
      "Sharpens with an unsharp kernel whose radius grows with the picture";
  static constexpr std::array PRESETS{Preset{"default", R"({})", "sharper edges"},
                                      Preset{"strong", R"({"amount": 1})", "at full strength"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("amount", &SettingsEffectSharpen::amount_, 0.0, 1.0,
                                 "strength of the sharpening: 0 leaves the picture unchanged"));
  }

  SettingsEffectSharpen() = default;
  explicit SettingsEffectSharpen(double amount) : amount_(amount) {}

  double GetAmount() const { return amount_; }
  void SetAmount(double amount) { amount_ = amount; }

 private:
  double amount_ = 0.5;
};

class SettingsEffectFindEdges final : public SettingsBase<SettingsEffectFindEdges> {
 public:
  // How the edges are drawn.
  enum class Type : std::int32_t {
    Colour = 0,   // edges in the picture's colours on black
    Inverted = 1  // dark edges on white
  };
  inline static const std::string CLASS_ID{"SettingsEffectFindEdges"};
  static constexpr std::string_view FAMILY = Family::kStylise;
  static constexpr std::string_view DESCRIPTION =
      "Shows the edges of the picture (Sobel gradient of the luma)";
  static constexpr std::array PRESETS{
      Preset{"edges", R"({})", "edges only"},
      Preset{"over-picture", R"({"blend": 0.5})", "edges half mixed over the picture"},
      Preset{"mode-1", R"({"mode": 1})", "the other edge mode"}};
  static constexpr auto Fields() {
    using S = SettingsEffectFindEdges;
    return std::make_tuple(
        Param("mode", &S::mode_, 0.0, 1.0,
              "0: edges in the picture's colours on black, 1: dark edges on white"),
        Param("blend", &S::blend_, 0.0, 1.0,
              "how far the picture gives way to the edges: 0 leaves it unchanged"),
        Param("sensibility", &S::sensibility_, 0.0, 20.0,
              "gain on the gradient: larger values show fainter edges"));
  }

  Type GetType() const { return static_cast<Type>(mode_); }
  double GetBlend() const { return blend_; }
  double GetSensibility() const { return sensibility_; }
  void SetParams(Type type, double blend, double sensibility) {
    mode_ = static_cast<std::int32_t>(type);
    blend_ = blend;
    sensibility_ = sensibility;
  }

 private:
  std::int32_t mode_ = 0;
  double blend_ = 1.0;
  double sensibility_ = 2.0;
};

class SettingsEffectErosion final : public SettingsBase<SettingsEffectErosion> {
 public:
  enum class Mode : std::int32_t { Erosion = 0, Dilation = 1 };
  inline static const std::string CLASS_ID{"SettingsEffectErosion"};
  static constexpr std::string_view FAMILY = Family::kStylise;
  static constexpr std::string_view DESCRIPTION =
      "Erodes (darkest neighbour) or dilates (brightest neighbour) over a square";
  static constexpr std::array PRESETS{
      Preset{"erosion", R"({"size": 2})", "dark areas grow"},
      Preset{"dilation", R"({"size": 2, "mode": 1})", "bright areas grow"}};
  static constexpr auto Fields() {
    using S = SettingsEffectErosion;
    return std::make_tuple(
        Param("size", &S::size_, 0.0, 10.0,
              "half the square's side, in percent of the picture's longer side"),
        Param("mode", &S::mode_, 0.0, 1.0, "0: erosion (minimum), 1: dilation (maximum)"));
  }

  SettingsEffectErosion() = default;
  SettingsEffectErosion(double size, Mode mode)
      : size_(size), mode_(static_cast<std::int32_t>(mode)) {}

  double GetSize() const { return size_; }
  Mode GetMode() const { return mode_ == 1 ? Mode::Dilation : Mode::Erosion; }

 private:
  double size_ = 0.5;
  std::int32_t mode_ = 0;
};

class SettingsEffectDiffuse final : public SettingsBase<SettingsEffectDiffuse> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectDiffuse"};
  static constexpr std::string_view FAMILY = Family::kStylise;
  static constexpr std::string_view DESCRIPTION =
      "Scatters pixels at random, afresh in every frame, like frosted glass";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "pixels scattered a little"},
      Preset{"wide", R"({"radius": 0.06, "stayProbability": 0})", "scattered far"}};
  static constexpr auto Fields() {
    using S = SettingsEffectDiffuse;
    return std::make_tuple(
        Param("radius", &S::radius_, 0.0, 1.0,
              "largest distance a pixel moves, as a fraction of the picture's width"),
        Param("stayProbability", &S::stayProbability_, 0.0, 1.0,
              "chance that a pixel stays where it is"),
        Param("intensity", &S::intensity_, 0.0, 1.0, "scales the radius"));
  }

  SettingsEffectDiffuse() = default;
  SettingsEffectDiffuse(double radius, double stayProbability, float intensity)
      : radius_(radius), stayProbability_(stayProbability), intensity_(intensity) {}

  double GetRadius() const { return radius_; }
  double GetStayProbability() const { return stayProbability_; }
  float GetIntensity() const { return intensity_; }

 private:
  double radius_ = 0.02;
  double stayProbability_ = 0.2;
  float intensity_ = 1.0f;
};

class SettingsEffectMosaic final : public SettingsBase<SettingsEffectMosaic> {
 public:
  enum class Mode : std::int32_t { Average = 0, Rescale = 1 };
  inline static const std::string CLASS_ID{"SettingsEffectMosaic"};
  static constexpr std::string_view FAMILY = Family::kStylise;
  static constexpr std::string_view DESCRIPTION =
      "Divides the picture into tiles of one colour each";
  static constexpr std::array PRESETS{
      Preset{"tiles", R"({})", "square tiles"},
      Preset{"mode-1", R"({"mode": 1, "tileWidth": 0.08, "tileHeight": 0.14})",
             "the other mode, larger tiles"}};
  static constexpr auto Fields() {
    using S = SettingsEffectMosaic;
    return std::make_tuple(Param("mode", &S::mode_, 0.0, 1.0,
                                 "0: each tile is its pixels' mean, 1: a plain down- and up-scale"),
                           Param("tileWidth", &S::tileWidth_, 0.001, 1.0,
                                 "tile width as a fraction of the picture's width"),
                           Param("tileHeight", &S::tileHeight_, 0.001, 1.0,
                                 "tile height as a fraction of the picture's height"));
  }

  SettingsEffectMosaic() = default;
  SettingsEffectMosaic(double tileWidth, double tileHeight, Mode mode)
      : mode_(static_cast<std::int32_t>(mode)), tileWidth_(tileWidth), tileHeight_(tileHeight) {}

  Mode GetMode() const { return mode_ == 1 ? Mode::Rescale : Mode::Average; }
  // The number of tiles across a picture `width` pixels wide: at least one,
  // at most one per pixel.
  int GetAmountHor(int width) const { return Tiles(width, tileWidth_); }
  // The number of tiles up a picture `height` pixels high.
  int GetAmountVer(int height) const { return Tiles(height, tileHeight_); }

 private:
  static int Tiles(int pixels, double fraction) {
    const double tiles = std::round(1.0 / std::max(fraction, 1e-3));
    return static_cast<int>(std::clamp(tiles, 1.0, static_cast<double>(std::max(pixels, 1))));
  }

  std::int32_t mode_ = 0;
  // 25 tiles across and about 14 up: square tiles on a 16:9 picture.
  double tileWidth_ = 0.04;
  double tileHeight_ = 0.0711;
};

class SettingsEffectGlassMosaic final : public SettingsBase<SettingsEffectGlassMosaic> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectGlassMosaic"};
  static constexpr std::string_view FAMILY = Family::kStylise;
  static constexpr std::string_view DESCRIPTION = "Looks through a wall of curved glass tiles";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "curved glass tiles"},
      Preset{"turned-dense", R"({"angle": 0.5, "densityHor": 1.5, "densityVer": 1})",
             "a denser grid turned an eighth"}};
  static constexpr auto Fields() {
    using S = SettingsEffectGlassMosaic;
    return std::make_tuple(
        Param("angle", &S::angle_, -4.0, 4.0, "turn of the tile grid: 1 is a quarter turn"),
        Param("curve", &S::curve_, 0.0, 1.0,
              "curvature of the tiles: 0.5 is flat glass, away from it they bulge either way"),
        Param("densityHor", &S::densityHor_, 0.01, 5.0, "tiles across the picture, in units of 40"),
        Param("densityVer", &S::densityVer_, 0.01, 5.0, "tiles up the picture, in units of 40"));
  }

  SettingsEffectGlassMosaic() = default;
  SettingsEffectGlassMosaic(double angle, double curve, double densityHor, double densityVer)
      : angle_(angle), curve_(curve), densityHor_(densityHor), densityVer_(densityVer) {}

  double GetAngle() const { return angle_; }
  double GetCurve() const { return curve_; }
  double GetDensityHor() const { return densityHor_; }
  double GetDensityVer() const { return densityVer_; }

 private:
  double angle_ = 0.0;
  double curve_ = 0.9;
  double densityHor_ = 0.5;
  double densityVer_ = 0.3;
};

class SettingsEffectHalfTone final : public SettingsBase<SettingsEffectHalfTone> {
 public:
  // An 8-bit colour.
  struct Rgb {
    std::int32_t r = 0;
    std::int32_t g = 0;
    std::int32_t b = 0;
  };
  inline static const std::string CLASS_ID{"SettingsEffectHalfTone"};
  static constexpr std::string_view FAMILY = Family::kStylise;
  static constexpr std::string_view DESCRIPTION =
      "Prints the picture as a screen of dots whose size follows the brightness";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "a dot screen"},
      Preset{"coarse", R"({"dotSize": 0.03, "colorMix": 0})", "coarse dots, no colour"}};
  static constexpr auto Fields() {
    using S = SettingsEffectHalfTone;
    return std::make_tuple(
        Param("color1R", &S::color1R_, 0.0, 255.0, "background (dark) colour: red"),
        Param("color1G", &S::color1G_, 0.0, 255.0, "background (dark) colour: green"),
        Param("color1B", &S::color1B_, 0.0, 255.0, "background (dark) colour: blue"),
        Param("color2R", &S::color2R_, 0.0, 255.0, "dot colour: red"),
        Param("color2G", &S::color2G_, 0.0, 255.0, "dot colour: green"),
        Param("color2B", &S::color2B_, 0.0, 255.0, "dot colour: blue"),
        Param("colorMix", &S::colorMix_, 0.0, 1.0,
              "how far the dots take the picture's colour instead of the dot colour"),
        Param("threshold", &S::threshold_, 0.0, 1.0,
              "contrast of the dots: 0 shades smoothly, near 1 the dots are hard"),
        Param("dotSize", &S::dotSize_, 0.001, 1.0,
              "dot spacing: 2 pi x this, as a fraction of the picture's longer side"),
        Param("angle", &S::angle_, -360.0, 360.0, "turn of the dot screen, degrees"));
  }

  Rgb GetColor1() const { return {color1R_, color1G_, color1B_}; }
  Rgb GetColor2() const { return {color2R_, color2G_, color2B_}; }
  void SetColors(const Rgb& color1, const Rgb& color2) {
    std::tie(color1R_, color1G_, color1B_) = std::make_tuple(color1.r, color1.g, color1.b);
    std::tie(color2R_, color2G_, color2B_) = std::make_tuple(color2.r, color2.g, color2.b);
  }
  double GetColorMix() const { return colorMix_; }
  void SetColorMix(double mix) { colorMix_ = mix; }
  double GetThreshold() const { return threshold_; }
  void SetThreshold(double threshold) { threshold_ = threshold; }
  double GetDotSize() const { return dotSize_; }
  void SetDotSize(double size) { dotSize_ = size; }
  std::int32_t GetAngle() const { return angle_; }
  void SetAngle(std::int32_t degrees) { angle_ = degrees; }

 private:
  std::int32_t color1R_ = 20;
  std::int32_t color1G_ = 20;
  std::int32_t color1B_ = 40;
  std::int32_t color2R_ = 255;
  std::int32_t color2G_ = 240;
  std::int32_t color2B_ = 200;
  double colorMix_ = 0.3;
  double threshold_ = 0.6;
  double dotSize_ = 0.008;
  std::int32_t angle_ = 45;
};

class SettingsEffectOilPaint final : public SettingsBase<SettingsEffectOilPaint> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectOilPaint"};
  static constexpr std::string_view FAMILY = Family::kStylise;
  static constexpr std::string_view DESCRIPTION =
      "Paints the picture in flat strokes (Kuwahara filter)";
  static constexpr std::array PRESETS{
      Preset{"patches", R"({"radius": 12})", "painted in flat patches"},
      Preset{"broad", R"({"radius": 30})", "broad strokes"}};
  static constexpr auto Fields() {
    using S = SettingsEffectOilPaint;
    return std::make_tuple(Param("radius", &S::radius_, 0.0, 30.0,
                                 "stroke size in thousandths of the picture's longer side"),
                           Param("intensity", &S::intensity_, 0.0, 1.0, "scales the radius"));
  }

  SettingsEffectOilPaint() = default;
  SettingsEffectOilPaint(std::int32_t radius, float intensity)
      : radius_(radius), intensity_(intensity) {}

  std::int32_t GetRadius() const { return radius_; }
  float GetIntensity() const { return intensity_; }

 private:
  std::int32_t radius_ = 6;
  float intensity_ = 1.0f;
};

class SettingsEffectPopArt final : public SettingsBase<SettingsEffectPopArt> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectPopArt"};
  static constexpr std::string_view FAMILY = Family::kStylise;
  static constexpr std::string_view DESCRIPTION =
      "A grid of posterised copies of the picture, each in its own hue";
  static constexpr std::array PRESETS{
      Preset{"two-by-two", R"({})", "four coloured copies"},
      Preset{"three-by-three", R"({"rows": 3, "columns": 3, "hueStep": 0.11})", "nine copies"}};
  static constexpr auto Fields() {
    using S = SettingsEffectPopArt;
    return std::make_tuple(
        Param("saturation", &S::saturation_, 0.0, 1.0, "saturation of every copy"),
        Param("hue", &S::hue_, 0.0, 1.0, "hue of the first copy (0 to 1 around the circle)"),
        Param("offset", &S::offset_, 0.0, 1.0,
              "lightness below which a copy shows its shadow colour"),
        Param("hueStep", &S::hueStep_, -1.0, 1.0, "hue added from one copy to the next"),
        Param("rows", &S::rows_, 1.0, 16.0, "rows of copies"),
        Param("columns", &S::columns_, 1.0, 16.0, "columns of copies"),
        Param("reverse", &S::reverse_, "step the hue backwards"),
        Param("enlarge", &S::enlarge_,
              "with rows and columns unequal, grow the picture to keep each copy's proportions "
              "(otherwise shrink it)"),
        Param("levels", &S::levels_, 1.0, 64.0, "lightness levels of each copy"));
  }

  double GetSaturation() const { return saturation_; }
  double GetHue() const { return hue_; }
  double GetOffset() const { return offset_; }
  double GetHueStep() const { return hueStep_; }
  std::int32_t GetRows() const { return rows_; }
  std::int32_t GetColumns() const { return columns_; }
  bool IsReverse() const { return reverse_; }
  bool IsEnlarge() const { return enlarge_; }
  int GetLevels() const { return levels_; }
  void SetColours(double saturation, double hue, double offset, double hueStep) {
    std::tie(saturation_, hue_, offset_, hueStep_) =
        std::make_tuple(saturation, hue, offset, hueStep);
  }
  void SetGrid(std::int32_t rows, std::int32_t columns, bool reverse, bool enlarge) {
    std::tie(rows_, columns_, reverse_, enlarge_) =
        std::make_tuple(rows, columns, reverse, enlarge);
  }
  void SetLevels(std::int32_t levels) { levels_ = levels; }

 private:
  double saturation_ = 0.8;
  double hue_ = 0.0;
  double offset_ = 0.15;
  double hueStep_ = 0.25;
  std::int32_t rows_ = 2;
  std::int32_t columns_ = 2;
  bool reverse_ = false;
  bool enlarge_ = false;
  std::int32_t levels_ = 4;
};

class SettingsEffectNeonLamp final : public SettingsBase<SettingsEffectNeonLamp> {
 public:
  // An 8-bit colour with alpha.
  struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
  };
  inline static const std::string CLASS_ID{"SettingsEffectNeonLamp"};
  static constexpr std::string_view FAMILY = Family::kStylise;
  static constexpr std::string_view DESCRIPTION =
      "Makes the picture glow like a neon tube, in its own colours or in one colour";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "glowing tubes along the edges"},
      Preset{"pink", R"({"intensity": 0.8, "colorR": 255, "colorG": 40, "colorB": 200})",
             "pink tubes, stronger glow"}};
  static constexpr auto Fields() {
    using S = SettingsEffectNeonLamp;
    return std::make_tuple(
        Param("intensity", &S::intensity_, 0.0, 1.0, "size and strength of the glow"),
        Param("colorR", &S::colorR_, 0.0, 255.0,
              "tube colour, red; opaque black (0, 0, 0, 255) keeps the picture's colours"),
        Param("colorG", &S::colorG_, 0.0, 255.0, "tube colour, green"),
        Param("colorB", &S::colorB_, 0.0, 255.0, "tube colour, blue"),
        Param("colorA", &S::colorA_, 0.0, 255.0, "tube colour, alpha"));
  }

  double GetIntensity() const { return intensity_; }
  void SetIntensity(double intensity) { intensity_ = intensity; }
  Color GetColor() const { return {Byte(colorR_), Byte(colorG_), Byte(colorB_), Byte(colorA_)}; }
  void SetColor(const Color& c) {
    std::tie(colorR_, colorG_, colorB_, colorA_) = std::make_tuple(c.r, c.g, c.b, c.a);
  }

 private:
  static std::uint8_t Byte(std::int32_t value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
  }

  double intensity_ = 0.4;
  std::int32_t colorR_ = 0;
  std::int32_t colorG_ = 0;
  std::int32_t colorB_ = 0;
  std::int32_t colorA_ = 255;
};

}  // namespace Obrisk::Proc
