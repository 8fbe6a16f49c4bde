// Settings of the mask and alpha effects: shape masks, the masked mix, the
// alpha channel modifier, the alpha envelope and the alpha inserter.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// Where a mask lies, in fractions of the picture as it is seen: the centre
// measured from the top-left corner, and the full width and height of the
// shape before it is turned; then the turn about the centre, in degrees
// clockwise as the picture is seen (the shape keeps its proportions on the
// display whatever the frame's aspect).
struct MaskPlacement {
  double centreX = 0.5;
  double centreY = 0.5;
  double width = 0.5;
  double height = 0.5;
  double rotation = 0.0;

  bool operator==(const MaskPlacement&) const = default;
};

// One mask as a frame draws it: its shape, placement and look at one progress.
class FrameMask {
 public:
  enum Shape : std::int32_t { kRectangle = 0, kEllipse = 1 };
  enum Fill : std::int32_t { kFillColour = 0, kFillBlur = 1, kFillPixelate = 2 };

  FrameMask(std::int32_t shape, const MaskPlacement& placement, std::int32_t fill, double opacity,
            double feather, bool frame)
      : shape_(shape),
        placement_(placement),
        fill_(fill),
        opacity_(opacity),
        feather_(feather),
        frame_(frame) {}

  // 0 rectangle, anything else an ellipse.
  std::int32_t GetShape() const { return shape_; }
  bool IsEllipse() const { return shape_ != kRectangle; }
  const MaskPlacement& GetPlacement() const { return placement_; }
  std::int32_t GetFillType() const { return fill_; }
  double GetOpacity() const { return opacity_; }
  double GetFeather() const { return feather_; }
  bool HasFrame() const { return frame_; }

  // The four shape coefficients of the unturned shape in texture
  // coordinates (u right, v up from the bottom-left corner): a rectangle's
  // left, bottom, right and top; an ellipse's centre u, centre v, radius
  // along u and radius along v. The turn is applied about the centre.
  std::array<double, 4> ShapeCoefficients() const;

 private:
  std::int32_t shape_;
  MaskPlacement placement_;
  std::int32_t fill_;
  double opacity_;
  double feather_;
  bool frame_;
};

// A mask's placement and look at one progress. Between two keyframes every
// value is interpolated linearly; before the first and after the last the
// nearest keyframe holds.
struct MaskKeyframe {
  double progress = 0.0;
  double centreX = 0.5;
  double centreY = 0.5;
  double width = 0.5;
  double height = 0.5;
  double rotation = 0.0;
  double opacity = 1.0;
  double feather = 0.2;

  MaskPlacement Placement() const { return {centreX, centreY, width, height, rotation}; }
  bool operator==(const MaskKeyframe&) const = default;

  static constexpr auto Fields() {
    using K = MaskKeyframe;
    return std::make_tuple(
        Param("progress", &K::progress, 0.0, 1.0, "where the keyframe lies in the effect"),
        Param("centreX", &K::centreX, -1.0, 2.0, "centre, fraction of the width from the left"),
        Param("centreY", &K::centreY, -1.0, 2.0, "centre, fraction of the height from the top"),
        Param("width", &K::width, 0.0, 4.0, "width, fraction of the frame width"),
        Param("height", &K::height, 0.0, 4.0, "height, fraction of the frame height"),
        Param("rotation", &K::rotation, -360.0, 360.0,
              "turn about the centre, degrees clockwise as the picture is seen"),
        Param("opacity", &K::opacity, 0.0, 1.0, "how strongly the fill covers the picture"),
        Param("feather", &K::feather, 0.0, 1.0,
              "soft edge outside the shape; 1 makes it about a tenth of the frame width"));
  }
};

// One mask over the whole effect: what it looks like, when it is active
// (progress from `start` to `end`, both included) and how it moves.
struct MaskTrack {
  std::int32_t shape = FrameMask::kEllipse;
  std::int32_t fill = FrameMask::kFillBlur;
  bool frame = false;
  double start = 0.0;
  double end = 1.0;
  // At least one, in strictly increasing progress.
  std::vector<MaskKeyframe> keyframes = std::vector<MaskKeyframe>(1);

  bool operator==(const MaskTrack&) const = default;
  bool IsActiveAt(double progress) const { return progress >= start && progress <= end; }
  // The mask at `progress`, keyframes interpolated.
  FrameMask At(double progress) const;

  static constexpr auto Fields() {
    using T = MaskTrack;
    return std::make_tuple(
        Param("shape", &T::shape, 0.0, 1.0, "0 rectangle, 1 ellipse"),
        Param("fill", &T::fill, 0.0, 2.0, "0 background colour, 1 blur, 2 pixelate"),
        Param("frame", &T::frame, "draw a line in the frame colour along the soft edge"),
        Param("start", &T::start, 0.0, 1.0, "progress from which the mask is active"),
        Param("end", &T::end, 0.0, 1.0, "progress up to which the mask is active"));
  }
};

// Up to ten masks that blur, pixelate or fill regions of the picture.
class SettingsEffectMask final : public SettingsBase<SettingsEffectMask> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectMask"};
  static constexpr std::string_view FAMILY = Family::kMasks;
  static constexpr std::string_view DESCRIPTION =
      "Blurs, pixelates or fills up to ten rectangles or ellipses, with soft edges";
  static constexpr std::array PRESETS{
      Preset{
          "blurred-ellipse",
          R"({"blurness": 0.2, "masks": [{"shape": 1, "fill": 1, "keyframes": [{"progress": 0, "centreX": )"
          R"(0.3, "centreY": 0.4, "width": 0.3, "height": 0.4, "feather": 0.3}, )"
          R"({"progress": 1, "centreX": 0.7, "centreY": 0.4, "width": 0.3, "height": 0.4, )"
          R"("feather": 0.3}]}]})",
          "a blurred ellipse moving right"},
      Preset{"pixelated-box",
             R"({"masks": [{"shape": 0, "fill": 2, "frame": true, "keyframes": [{"progress": )"
             R"(0, "centreX": 0.5, "centreY": 0.5, "width": 0.4, "height": 0.4, "rotation": )"
             R"(0}, {"progress": 1, "centreX": 0.5, "centreY": 0.5, "width": 0.4, "height": )"
             R"(0.4, "rotation": 90}]}]})",
             "a pixelated, outlined box turning"},
      Preset{"filled-outside",
             R"({"invert": 1, "masks": [{"shape": 1, "fill": 0, "keyframes": [{"progress": 0, )"
             R"("centreX": 0.5, "centreY": 0.5, "width": 0.5, "height": 0.7, "feather": )"
             R"(0.2}]}]})",
             "black outside an ellipse"}};
  static constexpr std::size_t kMaxMasks = 10;
  static constexpr auto Fields() {
    using S = SettingsEffectMask;
    return std::make_tuple(
        Param("type", &S::type_, 0.0, 1.0,
              "how the masks' values (after invert) combine: 0 the largest (without invert the "
              "union of the shapes), 1 the smallest (the intersection)"),
        Param("method", &S::method_, 1.0, 2.0,
              "with type 1, a fill picture prepared besides those the masks' fills ask for: "
              "1 blurred, 2 pixelated"),
        Param("blurness", &S::blurness_, 0.0, 1.0,
              "blur radius of the blur fill, fraction of the frame's longer side"),
        Param("pixelSize", &S::pixelSize_, 0.0, 1.0,
              "cell size of the pixelate fill; 1 makes cells 0.26 of the frame height"),
        Param("invert", &S::invert_, 0.0, 1.0, "1 fills outside each mask instead of inside"),
        Param("backgroundRed", &S::backgroundRed_, 0.0, 255.0, "fill colour, red"),
        Param("backgroundGreen", &S::backgroundGreen_, 0.0, 255.0, "fill colour, green"),
        Param("backgroundBlue", &S::backgroundBlue_, 0.0, 255.0, "fill colour, blue"),
        Param("backgroundAlpha", &S::backgroundAlpha_, 0.0, 255.0, "fill colour, alpha"),
        Param("frameRed", &S::frameRed_, 0.0, 255.0, "edge line colour, red"),
        Param("frameGreen", &S::frameGreen_, 0.0, 255.0, "edge line colour, green"),
        Param("frameBlue", &S::frameBlue_, 0.0, 255.0, "edge line colour, blue"),
        Param("frameAlpha", &S::frameAlpha_, 0.0, 255.0, "edge line colour, alpha"));
  }

  using Color = std::array<std::int32_t, 4>;

  std::int32_t GetType() const { return type_; }
  void SetType(std::int32_t type) { Assign(type_, type); }
  std::int32_t GetMethod() const { return method_; }
  void SetMethod(std::int32_t method) { Assign(method_, method); }
  double GetBlurness() const { return blurness_; }
  void SetBlurness(double amount) { Assign(blurness_, amount); }
  double GetPixelSize() const { return pixelSize_; }
  void SetPixelSize(double size) { Assign(pixelSize_, size); }
  std::int32_t GetInvert() const { return invert_; }
  void SetInvert(std::int32_t invert) { Assign(invert_, invert); }
  // Red, green, blue and alpha, 0 to 255.
  Color GetBackgroundColor() const {
    return {backgroundRed_, backgroundGreen_, backgroundBlue_, backgroundAlpha_};
  }
  void SetBackgroundColor(const Color& color) {
    Update([&](auto& s) {
      std::tie(s.backgroundRed_, s.backgroundGreen_, s.backgroundBlue_, s.backgroundAlpha_) =
          std::tuple(color[0], color[1], color[2], color[3]);
    });
  }
  Color GetFrameColor() const { return {frameRed_, frameGreen_, frameBlue_, frameAlpha_}; }
  void SetFrameColor(const Color& color) {
    Update([&](auto& s) {
      std::tie(s.frameRed_, s.frameGreen_, s.frameBlue_, s.frameAlpha_) =
          std::tuple(color[0], color[1], color[2], color[3]);
    });
  }

  const std::vector<MaskTrack>& GetMasks() const { return masks_; }
  // Throws std::invalid_argument or std::out_of_range for masks that fail
  // the checks of Deserialize; the masks are unchanged then.
  void SetMasks(std::vector<MaskTrack> masks);
  // The masks active at `progress`, in mask order.
  std::vector<FrameMask> GetFrames(double progress) const;

  bool IsEqualTo(const Settings& other) const override;
  bool IsEmpty() const override { return masks_.empty(); }
  // Besides the fields, "masks": a list (or its JSON text) of masks, each
  // with the fields of MaskTrack and "keyframes", a list of MaskKeyframe
  // fields. At most ten masks; each needs a keyframe, keyframes in strictly
  // increasing progress and start no later than end.
  void Deserialize(const Property& property) override;
  Property Serialize() const override;
  const std::vector<ParameterInfo>& GetParameters() const override;

 private:
  std::int32_t type_ = 0;
  std::int32_t method_ = 1;
  double blurness_ = 0.02;
  double pixelSize_ = 0.1;
  std::int32_t invert_ = 0;
  std::int32_t backgroundRed_ = 0;
  std::int32_t backgroundGreen_ = 0;
  std::int32_t backgroundBlue_ = 0;
  std::int32_t backgroundAlpha_ = 255;
  std::int32_t frameRed_ = 255;
  std::int32_t frameGreen_ = 255;
  std::int32_t frameBlue_ = 255;
  std::int32_t frameAlpha_ = 255;
  std::vector<MaskTrack> masks_ = std::vector<MaskTrack>(1);
};

// Mixes the first two inputs by the third: the mask's colour picks the second.
class SettingsEffectMaskedMix final : public SettingsBase<SettingsEffectMaskedMix> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectMaskedMix"};
  static constexpr std::string_view FAMILY = Family::kMasks;
  static constexpr std::string_view DESCRIPTION =
      "Mixes two inputs by a third: black shows the first, white the second";
  static constexpr auto Fields() { return std::tuple<>(); }
};

// Scales the alpha by a triangle over the progress that peaks at 0.5.
class SettingsEffectAlphaChannelModifier final
    : public SettingsBase<SettingsEffectAlphaChannelModifier> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectAlphaChannelModifier"};
  static constexpr std::string_view FAMILY = Family::kMasks;
  static constexpr std::string_view DESCRIPTION =
      "Fades the alpha in and out over the effect, fully opaque at its middle";
  static constexpr std::array PRESETS{
      Preset{"softer", R"({"powerScale": 0.5})", "alpha raised to the power 0.5"},
      Preset{"harder", R"({"powerScale": 3, "additionalMultiplier": 1.5})",
             "alpha cubed, then scaled"}};
  static constexpr auto Fields() {
    using S = SettingsEffectAlphaChannelModifier;
    return std::make_tuple(Param("powerScale", &S::powerScale_, 0.0, 16.0,
                                 "exponent of the fade: 1 linear, above 1 slower at the ends"),
                           Param("additionalMultiplier", &S::additionalMultiplier_, 0.0, 16.0,
                                 "factor on the alpha scale, which is then limited to 1"));
  }

  double GetPowerScale() const { return powerScale_; }
  void SetPowerScale(double scale) { Assign(powerScale_, scale); }
  double GetAdditionalMultiplier() const { return additionalMultiplier_; }
  void SetAdditionalMultiplier(double factor) { Assign(additionalMultiplier_, factor); }

 private:
  double powerScale_ = 1.0;
  double additionalMultiplier_ = 1.0;
};

// Takes the alpha from a second input's brightness.
class SettingsEffectAlphaInserter final : public SettingsBase<SettingsEffectAlphaInserter> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectAlphaInserter"};
  static constexpr std::string_view FAMILY = Family::kMasks;
  static constexpr std::string_view DESCRIPTION =
      "Multiplies the first input's alpha by the second input's brightness";
  static constexpr auto Fields() { return std::tuple<>(); }
};

// Multiplies the picture (its alpha, or its colour when it has none) by the progress.
class SettingsEffectVideoAlphaEnvelope final
    : public SettingsBase<SettingsEffectVideoAlphaEnvelope> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectVideoAlphaEnvelope"};
  static constexpr std::string_view FAMILY = Family::kMasks;
  static constexpr std::string_view DESCRIPTION =
      "Fades in with the progress: alpha, or colour towards black without alpha";
  static constexpr auto Fields() { return std::tuple<>(); }
};

}  // namespace Obrisk::Proc
