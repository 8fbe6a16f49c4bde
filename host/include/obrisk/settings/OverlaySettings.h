// Settings of the overlay effects: lens flare, light leaks, flying objects,
// vignette, tracking marker and film strip.
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

// Camera lens flares, or a sun glare moving over the sky.
class SettingsEffectLensFlare final : public SettingsBase<SettingsEffectLensFlare> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectLensFlare"};
  static constexpr std::string_view FAMILY = Family::kOverlays;
  static constexpr std::string_view DESCRIPTION =
      "Lens flares swaying across the picture, or a sun glare moving over the sky";
  static constexpr std::array PRESETS{Preset{"type-0", R"({})", "lens flare 0"},
                                      Preset{"type-2", R"({"type": 2})", "lens flare 2"},
                                      Preset{"sun-glare", R"({"type": 5})", "type 5"}};
  static constexpr auto Fields() {
    using S = SettingsEffectLensFlare;
    return std::make_tuple(
        Param("type", &S::type_, 0.0, 5.0,
              "0 to 3 flares from the left (0, 1) or the right (2, 3), softer in 1 and 3; "
              "4 sun glare on the left, 5 on the right"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "share of the effect: 0 leaves the picture unchanged, 1 applies it fully"));
  }

  std::int32_t GetType() const { return type_; }
  void SetType(std::int32_t type) { Assign(type_, type); }
  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  std::int32_t type_ = 0;
  float intensity_ = 1.0f;
};

// Slowly changing coloured light over a part of the picture.
class SettingsEffectLightLeaks final : public SettingsBase<SettingsEffectLightLeaks> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectLightLeaks"};
  static constexpr std::string_view FAMILY = Family::kOverlays;
  static constexpr std::string_view DESCRIPTION =
      "Animated light leaks: coloured light brightening one side or corner of the picture";
  static constexpr std::array PRESETS{Preset{"type-0", R"({})", "light leak 0"},
                                      Preset{"type-5", R"({"type": 5})", "light leak 5"},
                                      Preset{"type-11", R"({"type": 11})", "light leak 11"}};
  static constexpr auto Fields() {
    using S = SettingsEffectLightLeaks;
    return std::make_tuple(
        Param("type", &S::type_, 0.0, 15.0,
              "the leak's colours and the part of the picture it covers (16 looks)"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "share of the effect: 0 leaves the picture unchanged, 1 applies it fully"));
  }

  std::int32_t GetType() const { return type_; }
  void SetType(std::int32_t type) { Assign(type_, type); }
  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  std::int32_t type_ = 0;
  float intensity_ = 1.0f;
};

// Where one flying object is at one time: centre (x right, y down, fractions
// of the reference frame), turn in radians, and its side as a fraction of the
// frame width (the quad's half-side in clip units).
struct ObjectDescription {
  double x = 0.0;
  double y = 0.0;
  double angle = 0.0;
  double size = 0.0;
};

// Sprites flying across the picture in straight lines, turning as they go.
//
// Each object i draws its own values from `seed` and i (the same in every
// run): a start point anywhere in the frame, a speed between half and one and
// a half times `speed`, a side between (1 - sizeVariation) and 1 times
// `size`, a start turn and a spin between half and one and a half times
// `spin`, clockwise or not. All fly in `direction`; an object that leaves the
// frame comes back on the opposite side, just out of sight.
class SettingsEffectFlyingObjects final : public SettingsBase<SettingsEffectFlyingObjects> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectFlyingObjects"};
  static constexpr std::string_view FAMILY = Family::kOverlays;
  static constexpr std::string_view DESCRIPTION =
      "Sprites (a PNG picture, or a built-in star) flying across the picture and turning";
  static constexpr std::array PRESETS{
      Preset{"stars", R"({"size": 0.1, "speed": 1})", "the built-in star flying"},
      Preset{"snow-like",
             R"({"count": 200, "size": 0.02, "direction": 90, "speed": 0.5, "spin": 0})",
             "many small ones falling"}};
  static constexpr std::int32_t kMaxCount = 1000;
  // A sprite file may hold at most this many pixels a side.
  static constexpr std::int32_t kMaxSpriteSide = 4096;
  static constexpr auto Fields() {
    using S = SettingsEffectFlyingObjects;
    return std::make_tuple(
        Param("sprite", &S::sprite_,
              "the picture that flies: the path of a PNG file (its alpha kept), relative to the "
              "working directory; empty for the built-in star"),
        Param("count", &S::count_, 0.0, kMaxCount, "number of objects"),
        Param("size", &S::size_, 0.0, 1.0, "side of the largest objects, fraction of the width"),
        Param("sizeVariation", &S::sizeVariation_, 0.0, 1.0,
              "how much smaller objects may be: 0 all alike, 1 down to nothing"),
        Param("speed", &S::speed_, 0.0, 10.0,
              "average speed in frame diagonals per second (each object between half and one "
              "and a half times it)"),
        Param("direction", &S::direction_, -360.0, 360.0,
              "direction of flight in degrees: 0 to the right, 90 down"),
        Param("spin", &S::spin_, -3600.0, 3600.0,
              "average turn in degrees per second; objects turn either way"),
        Param("seed", &S::seed_, 0.0, 2147483647.0, "picks the objects' start points and speeds"),
        Param("referenceWidth", &S::referenceWidth_, 1.0, 16384.0,
              "width of the frame the motion is laid out for; other frames are filled by it"),
        Param("referenceHeight", &S::referenceHeight_, 1.0, 16384.0,
              "height of the frame the motion is laid out for"),
        Param("referencePixelAspectNum", &S::referencePixelAspectNum_, 1.0, 100000.0,
              "pixel aspect of the reference frame, numerator"),
        Param("referencePixelAspectDen", &S::referencePixelAspectDen_, 1.0, 100000.0,
              "pixel aspect of the reference frame, denominator"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "share of the effect: 0 leaves the picture unchanged, 1 applies it fully"));
  }

  // The reference frame geometry: width, height and pixel aspect.
  struct Geometry {
    std::int32_t width;
    std::int32_t height;
    std::int32_t pixelAspectNum;
    std::int32_t pixelAspectDen;
  };

  SettingsEffectFlyingObjects();

  // The sprite: the file's picture, or the built-in star.
  const std::shared_ptr<const BgraImage>& GetImage() const { return image_; }
  // Sets a picture made in memory; `sprite` becomes empty. None draws no objects.
  void SetImage(std::shared_ptr<const BgraImage> image);
  // Loads the sprite as the `sprite` parameter does; std::invalid_argument
  // for a file that cannot be read, and the settings are unchanged then.
  void SetSprite(const std::string& sprite);
  const std::string& GetSprite() const { return sprite_; }
  Geometry GetReferenceGeometry() const {
    return {referenceWidth_, referenceHeight_, referencePixelAspectNum_, referencePixelAspectDen_};
  }
  void SetReferenceGeometry(const Geometry& geometry) {
    Update([&](auto& s) {
      s.referenceWidth_ = geometry.width;
      s.referenceHeight_ = geometry.height;
      s.referencePixelAspectNum_ = geometry.pixelAspectNum;
      s.referencePixelAspectDen_ = geometry.pixelAspectDen;
    });
  }
  std::int64_t GetObjectCount() const { return count_; }
  void SetObjectCount(std::int32_t count) { Assign(count_, count); }
  double GetSize() const { return size_; }
  void SetSize(double size) { Assign(size_, size); }
  double GetSizeVariation() const { return sizeVariation_; }
  void SetSizeVariation(double variation) { Assign(sizeVariation_, variation); }
  double GetSpeed() const { return speed_; }
  void SetSpeed(double speed) { Assign(speed_, speed); }
  double GetDirection() const { return direction_; }
  void SetDirection(double degrees) { Assign(direction_, degrees); }
  double GetSpin() const { return spin_; }
  void SetSpin(double degreesPerSecond) { Assign(spin_, degreesPerSecond); }
  std::int32_t GetSeed() const { return seed_; }
  void SetSeed(std::int32_t seed) { Assign(seed_, seed); }
  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }

  // Object `index` at `time` seconds, in a reference frame whose diagonal is
  // `diagonal` frame heights.
  using SettingsBase::GetDescription;
  ObjectDescription GetDescription(std::int64_t index, double time, double diagonal) const;

  void Deserialize(const Property& property) override;
  bool IsEqualTo(const Settings& other) const override;
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  std::string sprite_;
  std::int32_t count_ = 24;
  double size_ = 0.06;
  double sizeVariation_ = 0.5;
  double speed_ = 0.15;
  double direction_ = 60.0;
  double spin_ = 90.0;
  std::int32_t seed_ = 1;
  std::int32_t referenceWidth_ = 1920;
  std::int32_t referenceHeight_ = 1080;
  std::int32_t referencePixelAspectNum_ = 1;
  std::int32_t referencePixelAspectDen_ = 1;
  float intensity_ = 1.0f;
  std::shared_ptr<const BgraImage> image_;
};

// A darkening (or any colour) towards the edges of the picture.
class SettingsEffectVignetteFilter final : public SettingsBase<SettingsEffectVignetteFilter> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectVignetteFilter"};
  static constexpr std::string_view FAMILY = Family::kOverlays;
  static constexpr std::string_view DESCRIPTION =
      "Vignette: a colour fading in from the inner to the outer radius around a centre";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "dark corners"},
      Preset{"white-circle",
             R"({"shape": 0, "red": 255, "green": 255, "blue": 255, "innerRadius": 0.2, )"
             R"("outerRadius": 0.6})",
             "a white round vignette"}};
  static constexpr auto Fields() {
    using S = SettingsEffectVignetteFilter;
    return std::make_tuple(
        Param("shape", &S::shape_, 0.0, 5.0,
              "0 rounded square, 1 cushion, 2 soft square, 3 octagon-like, 4 circle, "
              "5 vertical bands"),
        Param("smooth", &S::smooth_, 0.0, 1.0, "1 eases the fall-off in and out (a cosine)"),
        Param("aspect", &S::aspect_, 0.0, 1.0,
              "1 measures distances on the picture as seen (a circle stays round); 0 in "
              "fractions of width and height"),
        Param("red", &S::red_, 0.0, 255.0, "vignette colour, red"),
        Param("green", &S::green_, 0.0, 255.0, "vignette colour, green"),
        Param("blue", &S::blue_, 0.0, 255.0, "vignette colour, blue"),
        Param("alpha", &S::alpha_, 0.0, 255.0, "vignette colour, alpha: how much it covers"),
        Param("centreX", &S::centreX_, 0.0, 1.0, "centre, fraction of the width from the left"),
        Param("centreY", &S::centreY_, 0.0, 1.0, "centre, fraction of the height from the bottom"),
        Param("innerRadius", &S::innerRadius_, 0.0, 2.0,
              "distance from the centre where the colour starts (fraction of the width)"),
        Param("outerRadius", &S::outerRadius_, 0.0, 2.0,
              "distance where the colour covers fully; below the inner radius it reverses"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "share of the effect: 0 leaves the picture unchanged, 1 applies it fully"));
  }

  using Color = std::array<std::int32_t, 4>;

  std::int32_t GetShape() const { return shape_; }
  void SetShape(std::int32_t shape) { Assign(shape_, shape); }
  std::int32_t GetSmooth() const { return smooth_; }
  void SetSmooth(std::int32_t smooth) { Assign(smooth_, smooth); }
  std::int32_t GetAspect() const { return aspect_; }
  void SetAspect(std::int32_t aspect) { Assign(aspect_, aspect); }
  // Red, green, blue and alpha, 0 to 255.
  Color GetColor() const { return {red_, green_, blue_, alpha_}; }
  void SetColor(const Color& color) {
    Update([&](auto& s) {
      std::tie(s.red_, s.green_, s.blue_, s.alpha_) =
          std::tuple(color[0], color[1], color[2], color[3]);
    });
  }
  double GetCentreX() const { return centreX_; }
  double GetCentreY() const { return centreY_; }
  void SetCentre(double x, double y) {
    Update([&](auto& s) {
      s.centreX_ = x;
      s.centreY_ = y;
    });
  }
  double GetInnerRadius() const { return innerRadius_; }
  double GetOuterRadius() const { return outerRadius_; }
  void SetRadii(double inner, double outer) {
    Update([&](auto& s) {
      s.innerRadius_ = inner;
      s.outerRadius_ = outer;
    });
  }
  float GetIntensity() const { return intensity_; }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return intensity_ == 0.0f || alpha_ == 0; }

 private:
  std::int32_t shape_ = 4;
  std::int32_t smooth_ = 1;
  std::int32_t aspect_ = 1;
  std::int32_t red_ = 0;
  std::int32_t green_ = 0;
  std::int32_t blue_ = 0;
  std::int32_t alpha_ = 255;
  double centreX_ = 0.5;
  double centreY_ = 0.5;
  double innerRadius_ = 0.3;
  double outerRadius_ = 0.8;
  float intensity_ = 1.0f;
};

// One box of an object tracker's result: where the object was from `start`
// for `duration` microseconds, in texture coordinates (x, y the lower-left
// corner, v up from the bottom).
struct TrackedBox {
  std::int64_t start = 0;
  std::int64_t duration = 0;
  double x = 0.0;
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;

  bool operator==(const TrackedBox&) const = default;
};

// What an object tracker found: boxes in time order.
class ObjectTrackingResult {
 public:
  explicit ObjectTrackingResult(std::vector<TrackedBox> boxes) : boxes_(std::move(boxes)) {}
  const std::vector<TrackedBox>& GetResult() const { return boxes_; }

 private:
  std::vector<TrackedBox> boxes_;
};

// One entry of the marker's `boxes` list: the rectangle from `start` for
// `duration` seconds (the end excluded).
struct AimBox {
  double start = 0.0;
  double duration = 3600.0;
  double x = 0.35;
  double y = 0.3;
  double width = 0.3;
  double height = 0.4;

  bool operator==(const AimBox&) const = default;

  static constexpr auto Fields() {
    using B = AimBox;
    return std::make_tuple(
        Param("start", &B::start, 0.0, 1.0e6, "seconds from which the box is shown"),
        Param("duration", &B::duration, 0.0, 1.0e6, "seconds for which it is shown"),
        Param("x", &B::x, -1.0, 2.0, "left edge, fraction of the width"),
        Param("y", &B::y, -1.0, 2.0, "bottom edge, fraction of the height from the bottom"),
        Param("width", &B::width, 0.0, 4.0, "width, fraction of the frame width"),
        Param("height", &B::height, 0.0, 4.0, "height, fraction of the frame height"));
  }
};

// A marker drawn around a tracked object: a box or a cross with a ring.
class SettingsEffectAim final : public SettingsBase<SettingsEffectAim> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectAim"};
  static constexpr std::string_view FAMILY = Family::kOverlays;
  static constexpr std::string_view DESCRIPTION =
      "Tracking marker: a green box or an orange cross and ring around an object, over time";
  static constexpr std::array PRESETS{
      Preset{"box",
             R"({"boxes": [{"start": 0, "duration": 10, "x": 0.3, "y": 0.3, "width": 0.25, )"
             R"("height": 0.35}]})",
             "a green box around the object"},
      Preset{"cross",
             R"({"type": 1, "boxes": [{"start": 0, "duration": 10, "x": 0.3, "y": 0.3, )"
             R"("width": 0.25, "height": 0.35}]})",
             "an orange cross and ring"}};
  static constexpr auto Fields() {
    using S = SettingsEffectAim;
    return std::make_tuple(
        Param("type", &S::type_, 0.0, 1.0, "0 a box around the object, 1 a cross with a ring"),
        Param("thickness", &S::thickness_, 0.0, 0.5,
              "line half-width, fraction of the frame (texture coordinates)"),
        Param("crossLength", &S::crossLength_, 0.0, 1.0, "half the length of the cross's bars"),
        Param("radius", &S::radius_, 0.0, 1.0, "radius of the cross's ring"));
  }

  SettingsEffectAim();

  std::int32_t GetType() const { return type_; }
  void SetType(std::int32_t type) { Assign(type_, type); }
  float GetThickness() const { return thickness_; }
  void SetThickness(float thickness) { Assign(thickness_, thickness); }
  float GetCrossLen() const { return crossLength_; }
  void SetCrossLen(float length) { Assign(crossLength_, length); }
  float GetRadius() const { return radius_; }
  void SetRadius(float radius) { Assign(radius_, radius); }

  const std::vector<AimBox>& GetBoxes() const { return boxes_; }
  // Throws as Deserialize does for boxes that fail its checks; the boxes are
  // unchanged then.
  void SetBoxes(std::vector<AimBox> boxes);
  // The boxes as a tracker's result, times in microseconds.
  const std::shared_ptr<const ObjectTrackingResult>& GetBBoxStream() const { return stream_; }

  bool IsEqualTo(const Settings& other) const override;
  bool IsEmpty() const override { return boxes_.empty(); }
  // Besides the fields, "boxes": a list (or its JSON text) of AimBox fields.
  void Deserialize(const Property& property) override;
  Property Serialize() const override;
  const std::vector<ParameterInfo>& GetParameters() const override;

 private:
  std::int32_t type_ = 0;
  float thickness_ = 0.005f;
  float crossLength_ = 0.06f;
  float radius_ = 0.04f;
  std::vector<AimBox> boxes_ = std::vector<AimBox>(1);
  std::shared_ptr<const ObjectTrackingResult> stream_;
};

// The latest frames side by side, as on a strip of film.
class SettingsEffectFilmStrip final : public SettingsBase<SettingsEffectFilmStrip> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectFilmStrip"};
  static constexpr std::string_view FAMILY = Family::kOverlays;
  static constexpr std::string_view DESCRIPTION =
      "Shows recent frames in a grid: 16 in a 4 x 4 grid, a mosaic of four moments, or one "
      "small copy";
  static constexpr std::array PRESETS{
      Preset{"style-1", R"({})", "the last 16 frames in a grid"},
      Preset{"style-2", R"({"style": 2})", "a 9 x 9 mosaic of earlier frames"},
      Preset{"style-3", R"({"style": 3})", "the frame in every cell of a 5 x 5 grid"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("style", &SettingsEffectFilmStrip::style_, 1.0, 3.0,
                                 "1 the last 16 frames in a 4 x 4 grid, 2 a 9 x 9 mosaic of the "
                                 "frames 0, 6, 12 and 18 back, 3 the current frame in each cell "
                                 "of a 5 x 5 grid"));
  }

  std::int32_t GetStyle() const { return style_; }
  void SetStyle(std::int32_t style) { Assign(style_, style); }

 private:
  std::int32_t style_ = 1;
};

}  // namespace Obrisk::Proc
