// Settings of the blur effects: Gaussian, tilt-shift, blurred background
// fill, motion blur, pixelation, non-local-means denoise and bokeh.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "obrisk/host/Settings.h"
#include "obrisk/settings/BgraImage.h"

namespace Obrisk::Proc {

class SettingsEffectBlurGaussian final : public SettingsBase<SettingsEffectBlurGaussian> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectBlurGaussian"};
  static constexpr std::string_view FAMILY = Family::kBlur;
  static constexpr std::string_view DESCRIPTION = "Gaussian blur, its radius a share of the frame";
  static constexpr std::array PRESETS{Preset{"default", R"({})", "a slight blur"},
                                      Preset{"strong", R"({"amount": 0.05})", "a strong blur"}};
  static constexpr auto Fields() {
    return std::make_tuple(
        Param("amount", &SettingsEffectBlurGaussian::amount_, 0.0, 1.0,
              "blur radius as a fraction of the frame's longer side (three deviations)"),
        Param("fast", &SettingsEffectBlurGaussian::fast_,
              "half the taps with a wider bell: cheaper, a little coarser"));
  }

  SettingsEffectBlurGaussian() = default;
  explicit SettingsEffectBlurGaussian(double amount) : amount_(amount) {}

  double GetAmount() const { return amount_; }
  void SetAmount(double amount) { Assign(amount_, amount); }
  bool IsFast() const { return fast_; }
  void SwitchFastImpl(bool fast) { fast_ = fast; }

 private:
  double amount_ = 0.01;
  bool fast_ = false;
};

// Sharp between two lines a*u + b*v + c = 0 (texture coordinates, v up),
// blurred elsewhere. The band is where the upper line's value is positive and
// the lower line's negative.
class SettingsEffectTiltShiftQRW final : public SettingsBase<SettingsEffectTiltShiftQRW> {
 public:
  using Line = std::array<double, 3>;
  inline static const std::string CLASS_ID{"SettingsEffectTiltShiftQRW"};
  static constexpr std::string_view FAMILY = Family::kBlur;
  static constexpr std::string_view DESCRIPTION =
      "Tilt-shift: sharp in a band between two lines, blurred outside like a miniature";
  static constexpr std::array PRESETS{
      Preset{"band", R"({"strength": 4})", "sharp band in the middle, blurred above and below"},
      Preset{"diagonal",
             R"({"upperA": 1, "upperB": -1, "upperC": 0.1, "lowerA": 1, "lowerB": -1, )"
             R"("lowerC": -0.1, "strength": 4})",
             "a diagonal sharp band"}};
  static constexpr double kCoefficientLimit = 1000.0;
  static constexpr auto Fields() {
    using S = SettingsEffectTiltShiftQRW;
    constexpr double limit = kCoefficientLimit;
    return std::make_tuple(
        Param("upperA", &S::upperA_, -limit, limit, "upper line: coefficient of u"),
        Param("upperB", &S::upperB_, -limit, limit, "upper line: coefficient of v"),
        Param("upperC", &S::upperC_, -limit, limit, "upper line: constant term"),
        Param("lowerA", &S::lowerA_, -limit, limit, "lower line: coefficient of u"),
        Param("lowerB", &S::lowerB_, -limit, limit, "lower line: coefficient of v"),
        Param("lowerC", &S::lowerC_, -limit, limit, "lower line: constant term"),
        Param("softEdge", &S::softEdge_, 0.001, 1.0,
              "width of the transition from sharp to blurred, in texture coordinates"),
        Param("strength", &S::strength_, 0.0, 20.0,
              "blur strength; the Gaussian amount is strength x 0.05"));
  }

  Line GetUpperLine() const { return {upperA_, upperB_, upperC_}; }
  Line GetLowerLine() const { return {lowerA_, lowerB_, lowerC_}; }
  void SetUpperLine(const Line& line) {
    Update([&](auto& s) { std::tie(s.upperA_, s.upperB_, s.upperC_) = Unpack(line); });
  }
  void SetLowerLine(const Line& line) {
    Update([&](auto& s) { std::tie(s.lowerA_, s.lowerB_, s.lowerC_) = Unpack(line); });
  }
  double GetSoftEdge() const { return softEdge_; }
  void SetSoftEdge(double width) { Assign(softEdge_, width); }
  double GetStrength() const { return strength_; }
  void SetStrength(double strength) { Assign(strength_, strength); }

 private:
  static std::tuple<double, double, double> Unpack(const Line& line) {
    return {line[0], line[1], line[2]};
  }

  // Defaults: a sharp horizontal band from v = 0.4 to v = 0.6.
  double upperA_ = 0.0;
  double upperB_ = -1.0;
  double upperC_ = 0.6;
  double lowerA_ = 0.0;
  double lowerB_ = -1.0;
  double lowerC_ = 0.4;
  double softEdge_ = 0.1;
  double strength_ = 1.0;
};

class SettingsEffectFillBlurredBackground final
    : public SettingsBase<SettingsEffectFillBlurredBackground> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectFillBlurredBackground"};
  static constexpr std::string_view FAMILY = Family::kBlur;
  static constexpr std::string_view DESCRIPTION =
      "Fills the transparent parts of the frame with a blurred, stretched part of the picture "
      "(upright video in a wide frame)";
  static constexpr std::array PRESETS{
      Preset{"upright-clip", R"({"left": 0.35, "right": 0.65, "kernelSize": 30})",
             "the upright picture's middle stretched and blurred behind it"},
      Preset{"soft", R"({"left": 0.35, "right": 0.65, "kernelSize": 80})",
             "the same, blurred further"}};
  static constexpr auto Fields() {
    using S = SettingsEffectFillBlurredBackground;
    return std::make_tuple(
        Param("kernelSize", &S::kernelSize_, 0.0, 200.0,
              "blur taps on each side of a pixel, one pixel apart"),
        Param("left", &S::left_, 0.0, 1.0, "source rectangle stretched over the background"),
        Param("top", &S::top_, 0.0, 1.0, "source rectangle stretched over the background"),
        Param("right", &S::right_, 0.0, 1.0, "source rectangle stretched over the background"),
        Param("bottom", &S::bottom_, 0.0, 1.0, "source rectangle stretched over the background"));
  }

  std::int32_t GetKernelSize() const { return kernelSize_; }
  void SetKernelSize(std::int32_t size) { Assign(kernelSize_, size); }
  // left, top, right, bottom in texture coordinates.
  std::array<double, 4> GetRect() const { return {left_, top_, right_, bottom_}; }
  void SetRect(double left, double top, double right, double bottom) {
    Update([&](auto& s) {
      s.left_ = left;
      s.top_ = top;
      s.right_ = right;
      s.bottom_ = bottom;
    });
  }

 private:
  std::int32_t kernelSize_ = 20;
  double left_ = 0.0;
  double top_ = 0.0;
  double right_ = 1.0;
  double bottom_ = 1.0;
};

class SettingsEffectMotionBlur final : public SettingsBase<SettingsEffectMotionBlur> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectMotionBlur"};
  static constexpr std::string_view FAMILY = Family::kBlur;
  static constexpr std::string_view DESCRIPTION =
      "Motion trails: each frame mixed with the frames before it";
  static constexpr std::array PRESETS{Preset{"default", R"({})", "trails behind moving shapes"},
                                      Preset{"long-trails", R"({"scale": 0.85})", "long trails"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("scale", &SettingsEffectMotionBlur::scale_, 0.0, 1.0,
                                 "weight the accumulated past frames keep: 0 shows the current "
                                 "frame, 1 freezes the first"));
  }

  double GetScale() const { return scale_; }
  void SetScale(double scale) { Assign(scale_, scale); }

 private:
  double scale_ = 0.5;
};

class SettingsEffectCensored final : public SettingsBase<SettingsEffectCensored> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectCensored"};
  static constexpr std::string_view FAMILY = Family::kBlur;
  static constexpr std::string_view DESCRIPTION = "Pixelates the picture into square cells";
  static constexpr std::array PRESETS{Preset{"default", R"({})", "large cells"},
                                      Preset{"fine", R"({"cellSize": 0.05})", "fine cells"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("cellSize", &SettingsEffectCensored::cellSize_, 0.0, 1.0,
                                 "pixelation cell size; 1 makes cells 0.26 of the frame height"));
  }

  SettingsEffectCensored() = default;
  explicit SettingsEffectCensored(double cellSize) : cellSize_(cellSize) {}

  double GetCellSize() const { return cellSize_; }
  void SetCellSize(double cellSize) { Assign(cellSize_, cellSize); }

 private:
  double cellSize_ = 0.2;
};

class SettingsEffectDenoiseNLM final : public SettingsBase<SettingsEffectDenoiseNLM> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectDenoiseNLM"};
  static constexpr std::string_view FAMILY = Family::kBlur;
  static constexpr std::string_view DESCRIPTION =
      "Removes noise by averaging similar patches nearby (non-local means)";
  static constexpr std::array PRESETS{
      Preset{"default", R"({"filteringParameter": 0.15})", "grain removed, edges kept"},
      Preset{"strong", R"({"filteringParameter": 0.3, "searchWindowSize": 11})",
             "stronger, wider search"}};
  static constexpr auto Fields() {
    using S = SettingsEffectDenoiseNLM;
    return std::make_tuple(
        Param("filteringParameter", &S::filteringParameter_, 0.001, 10.0,
              "how different patches may be and still be averaged (colour units 0 to 1)"),
        Param("patchSize", &S::patchSize_, 1.0, 15.0, "side of the compared patches (odd)"),
        Param("searchWindowSize", &S::searchWindowSize_, 1.0, 41.0,
              "side of the window searched for similar patches (odd)"));
  }

  float GetFilteringParameter() const { return filteringParameter_; }
  void SetFilteringParameter(float h) { Assign(filteringParameter_, h); }
  std::int32_t GetPatchSize() const { return patchSize_; }
  void SetPatchSize(std::int32_t size) { Assign(patchSize_, size); }
  std::int32_t GetSearchWindowSize() const { return searchWindowSize_; }
  void SetSearchWindowSize(std::int32_t size) { Assign(searchWindowSize_, size); }

 private:
  float filteringParameter_ = 0.5f;
  std::int32_t patchSize_ = 3;
  std::int32_t searchWindowSize_ = 7;
};

// The picture convolved with a shape: a built-in aperture (disc, hexagon,
// octagon, polygon or star with `blades`, heart; turned by `rotation`) or a
// PNG file, or a picture a host sets in memory.
class SettingsEffectBokehBlur final : public SettingsBase<SettingsEffectBokehBlur> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectBokehBlur"};
  static constexpr std::string_view FAMILY = Family::kBlur;
  static constexpr std::string_view DESCRIPTION =
      "Lens blur: bright spots open into the aperture's shape (disc, polygon, star, heart or a "
      "picture)";
  // A shape file may hold at most this many pixels a side.
  static constexpr std::int32_t kMaxShapeSide = 4096;
  static constexpr std::int32_t kMinBlades = 3;
  static constexpr std::int32_t kMaxBlades = 16;
  static constexpr auto Fields() {
    using S = SettingsEffectBokehBlur;
    return std::make_tuple(
        Param("size", &S::size_, 0.0, 1.0, "kernel size as a fraction of the frame's shorter side"),
        Param("highlightGain", &S::highlightGain_, 0.0, 20.0,
              "factor applied to pixels brighter than their surroundings"),
        Param("highlightThreshold", &S::highlightThreshold_, 0.0, 1.0,
              "luma excess over the surroundings that makes a highlight"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "scales the kernel and mixes the blurred picture over the source"),
        Param("shape", &S::shape_,
              "the aperture: disc, hexagon, octagon, polygon, star or heart, or the path of a PNG "
              "file whose red channel is the shape (relative to the working directory)"),
        Param("blades", &S::blades_, kMinBlades, kMaxBlades,
              "sides of the polygon, points of the star"),
        Param("rotation", &S::rotation_, -360.0, 360.0,
              "turn of the built-in shape in degrees, clockwise"));
  }
  static constexpr std::array PRESETS{
      Preset{"disc", "{}", "a round aperture: highlights open into discs"},
      Preset{"hexagon", R"({"shape": "hexagon", "size": 0.08, "highlightGain": 4})",
             "six-bladed aperture, highlights boosted"},
      Preset{"star", R"({"shape": "star", "blades": 5, "rotation": 18, "size": 0.12})",
             "five-pointed stars"},
      Preset{"heart", R"({"shape": "heart", "size": 0.12, "highlightGain": 6})", "hearts"},
  };

  SettingsEffectBokehBlur();

  double GetSize() const { return size_; }
  void SetSize(double size) { Assign(size_, size); }
  double GetHighlightGain() const { return highlightGain_; }
  void SetHighlightGain(double gain) { Assign(highlightGain_, gain); }
  double GetHighlightThreshold() const { return highlightThreshold_; }
  void SetHighlightThreshold(double threshold) { Assign(highlightThreshold_, threshold); }
  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  const std::string& GetShape() const { return shape_; }
  std::int32_t GetBlades() const { return blades_; }
  double GetRotation() const { return rotation_; }
  // Sets the shape, blade count and turn as Deserialize does: std::invalid_argument
  // for an unknown shape or a file that cannot be read, std::out_of_range for
  // blades or a turn outside their ranges; the settings are unchanged then.
  void SetShape(const std::string& shape, std::int32_t blades = 5, double rotation = 0.0);
  // The shape the picture is convolved with (its first channel, red).
  const std::shared_ptr<const BgraImage>& GetImage() const { return image_; }
  // Sets a picture made in memory; `shape` becomes empty. None (or an empty
  // picture) leaves the frames unchanged.
  void SetImage(std::shared_ptr<const BgraImage> image);

  void Deserialize(const Property& property) override;
  bool IsEqualTo(const Settings& other) const override;
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  double size_ = 0.1;
  double highlightGain_ = 2.0;
  double highlightThreshold_ = 0.3;
  float intensity_ = 1.0f;
  std::string shape_ = "disc";
  std::int32_t blades_ = 5;
  double rotation_ = 0.0;
  std::shared_ptr<const BgraImage> image_;
};

}  // namespace Obrisk::Proc
