// Settings of the geometric distortions: lens warps, swirls, zooms, mirror,
// camera shake, the 360-degree viewer and the displacement map.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>

#include "obrisk/host/Media.h"
#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// A fish-eye lens: s = intensity * strength bends the picture about its
// centre. s > 0 magnifies the middle (a lens seen from the front; the corners
// stay), s < 0 squeezes it (seen from the back; the edge midpoints stay).
class SettingsEffectFishEye final : public SettingsBase<SettingsEffectFishEye> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectFishEye"};
  static constexpr std::string_view FAMILY = Family::kDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Bulges the middle of the picture out (fish-eye) or pinches it in";
  static constexpr std::array PRESETS{
      Preset{"bulge", R"({})", "a gentle bulge"},
      Preset{"strong", R"({"strength": 0.45})", "as strong as it goes"},
      Preset{"pinch", R"({"strength": -0.6})", "pinched"}};
  // The front lens reads tan(pi * s) at the corners, which has its pole at
  // s = 0.5; strengths stay clear of it.
  static constexpr double kMaxStrength = 0.45;
  static constexpr auto Fields() {
    using S = SettingsEffectFishEye;
    return std::make_tuple(
        Param("strength", &S::strength_, -1.0, kMaxStrength,
              "positive bulges the middle out, negative pinches it in; 0 leaves the picture"),
        Param("intensity", &S::intensity_, 0.0, 1.0, "scales the strength"));
  }

  SettingsEffectFishEye() = default;
  SettingsEffectFishEye(double strength, float intensity)
      : strength_(strength), intensity_(intensity) {
    Validate();
  }

  double GetStrength() const { return strength_; }
  float GetIntensity() const { return intensity_; }
  void SetStrength(double strength) { Assign(strength_, strength); }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return strength_ == 0.0 || intensity_ == 0.0f; }

 private:
  double strength_ = 0.3;
  float intensity_ = 1.0f;
};

// A camera lens's radial distortion: with q the position from the centre
// (-1 to 1 across the frame) and r = |q|^2, each pixel shows the source at
// q * (2 - zoom + distortion * (r + r^2 + r^3)) / 2, the first memberCount
// terms of the sum taken. Intensity scales the distortion and the zoom.
class SettingsEffectLensDistortion final : public SettingsBase<SettingsEffectLensDistortion> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectLensDistortion"};
  static constexpr std::string_view FAMILY = Family::kDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Barrel or pincushion distortion of a camera lens, with a zoom";
  static constexpr std::array PRESETS{
      Preset{"barrel", R"({"distortion": 0.4})", "barrel distortion"},
      Preset{"pincushion", R"({"distortion": -0.4, "zoom": 0.2})", "pincushion, zoomed"}};
  static constexpr std::int32_t kMaxMemberCount = 3;
  static constexpr auto Fields() {
    using S = SettingsEffectLensDistortion;
    return std::make_tuple(
        Param("distortion", &S::distortion_, -1.0, 1.0,
              "weight of the radial terms: positive bends the edges in (barrel), negative out "
              "(pincushion)"),
        Param("zoom", &S::zoom_, -1.0, 1.0,
              "magnification 2 / (2 - zoom): positive zooms in, negative out"),
        Param("memberCount", &S::memberCount_, 0.0, double(kMaxMemberCount),
              "how many radial terms apply: 0 none (a plain zoom), 1 r, 2 r and r^2, 3 up to r^3"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "scales distortion and zoom: 0 leaves the picture unchanged"));
  }

  SettingsEffectLensDistortion() = default;
  // Throws as the setters do for values outside the ranges.
  SettingsEffectLensDistortion(double distortion, double zoom, std::int32_t memberCount)
      : distortion_(distortion), zoom_(zoom), memberCount_(memberCount) {
    Validate();
  }

  // The values the effect draws with: the stored ones times the intensity.
  double GetDistortion() const { return distortion_ * intensity_; }
  double GetZoom() const { return zoom_ * intensity_; }
  std::int32_t GetMemberCount() const { return memberCount_; }
  double GetIntensity() const { return intensity_; }

  void SetDistortion(double distortion) { Assign(distortion_, distortion); }
  void SetZoom(double zoom) { Assign(zoom_, zoom); }
  void SetMemberCount(std::int32_t memberCount) { Assign(memberCount_, memberCount); }
  void SetIntensity(double intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override {
    return GetZoom() == 0.0 && (memberCount_ == 0 || GetDistortion() == 0.0);
  }

 private:
  double distortion_ = 0.15;
  double zoom_ = 0.0;
  std::int32_t memberCount_ = 2;
  double intensity_ = 1.0;
};

// A swirl about the centre, animated by time: the picture turns by a
// rotation that swings with the rotation speed, and twists by an angle
// growing with the distance from the centre, which sweeps between -8 pi and
// 8 pi with the twirl speed. The picture repeats beyond its edges.
class SettingsEffectTwirl final : public SettingsBase<SettingsEffectTwirl> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectTwirl"};
  static constexpr std::string_view FAMILY = Family::kDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Swirls the picture about its centre, turning and twisting over time";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "a twirl moving with time"},
      Preset{"turning", R"({"rotationSpeed": 0.5, "twirlSpeed": 1})", "turning and twirling fast"}};
  static constexpr double kMaxSpeed = 10.0;
  static constexpr double kPhasePeriod = 4.0;
  static constexpr auto Fields() {
    using S = SettingsEffectTwirl;
    return std::make_tuple(
        Param("rotation", &S::rotation_, -1.0, 1.0, "turn of the whole picture, in full turns"),
        Param("rotationSpeed", &S::rotationSpeed_, -kMaxSpeed, kMaxSpeed,
              "swings of the turn per two seconds; 0 keeps it still"),
        Param("twirlPhase", &S::twirlPhase_, 0.0, kPhasePeriod,
              "where the twist starts in its cycle of 4: 0 none, 1 full one way, 3 full the "
              "other way"),
        Param("twirlSpeed", &S::twirlSpeed_, -kMaxSpeed, kMaxSpeed,
              "twist cycles per four seconds; 0 keeps the twist still"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "scales rotation, speeds and phase: 0 leaves the picture unchanged"));
  }

  double GetRotation() const { return rotation_; }
  double GetRotationSpeed() const { return rotationSpeed_; }
  double GetTwirlPhase() const { return twirlPhase_; }
  double GetTwirlSpeed() const { return twirlSpeed_; }
  float GetIntensity() const { return intensity_; }
  void SetRotation(double rotation) { Assign(rotation_, rotation); }
  void SetRotationSpeed(double speed) { Assign(rotationSpeed_, speed); }
  void SetTwirlPhase(double phase) { Assign(twirlPhase_, phase); }
  void SetTwirlSpeed(double speed) { Assign(twirlSpeed_, speed); }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  double rotation_ = 0.0;
  double rotationSpeed_ = 0.0;
  double twirlPhase_ = 0.5;
  double twirlSpeed_ = 0.2;
  float intensity_ = 1.0f;
};

// A dizzy zoom: the picture, blended over copies of itself zooming out and
// rocking, as through a swaying tunnel.
class SettingsEffectVertigo final : public SettingsBase<SettingsEffectVertigo> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectVertigo"};
  static constexpr std::string_view FAMILY = Family::kDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Rocking, zooming echoes of the picture, as in a fit of vertigo";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "zooming, rocking echoes"},
      Preset{"strong", R"({"amplitude": 1, "speed": 3})", "wide and fast"}};
  static constexpr auto Fields() {
    using S = SettingsEffectVertigo;
    return std::make_tuple(
        Param("amplitude", &S::amplitude_, 0.0, 1.0, "how far the echoes zoom and rock"),
        Param("speed", &S::speed_, 0.0, 10.0, "tenths of a rocking cycle per second"),
        Param("intensity", &S::intensity_, 0.0, 1.0, "scales amplitude and speed"));
  }

  double GetAmplitude() const { return amplitude_; }
  double GetSpeed() const { return speed_; }
  double GetIntensity() const { return intensity_; }
  void SetAmplitude(double amplitude) { Assign(amplitude_, amplitude); }
  void SetSpeed(double speed) { Assign(speed_, speed); }
  void SetIntensity(double intensity) { Assign(intensity_, intensity); }

 private:
  double amplitude_ = 0.5;
  double speed_ = 0.5;
  double intensity_ = 1.0;
};

// A rectangle in texture coordinates: x from the left edge, y from the
// bottom edge, both 0 to 1.
struct TextureRect {
  double x0 = 0.0, y0 = 0.0, x1 = 1.0, y1 = 1.0;
  bool operator==(const TextureRect&) const = default;
};

// Zooms into a rectangle: over the ramp-in the view closes from the whole
// frame onto the rectangle, holds it, and opens again over the ramp-out.
class SettingsEffectZoom final : public SettingsBase<SettingsEffectZoom> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectZoom"};
  static constexpr std::string_view FAMILY = Family::kDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Zooms into a rectangle of the picture and back out";
  static constexpr std::array PRESETS{
      Preset{"centre",
             R"({"x0": 0.25, "y0": 0.25, "x1": 0.75, "y1": 0.75, "rampIn": 0.5, "rampOut": )"
             R"(0.2})",
             "closes in on the middle, holds, opens out"},
      Preset{"corner-crop", R"({"x0": 0, "y0": 0.5, "x1": 0.5, "y1": 1, "crop": true})",
             "the top-left quarter, cropped"}};
  static constexpr auto Fields() {
    using S = SettingsEffectZoom;
    return std::make_tuple(
        Param("x0", &S::x0_, 0.0, 1.0, "left edge of the rectangle, from the left"),
        Param("y0", &S::y0_, 0.0, 1.0, "lower edge of the rectangle, from the bottom"),
        Param("x1", &S::x1_, 0.0, 1.0, "right edge of the rectangle, from the left"),
        Param("y1", &S::y1_, 0.0, 1.0, "upper edge of the rectangle, from the bottom"),
        Param("crop", &S::crop_,
              "true: the output is the rectangle's size and the rectangle fills it; false: "
              "the frame's size, the rectangle fitted inside with its shape kept"),
        Param("rampIn", &S::rampIn_, 0.0, 1.0,
              "share of the effect's duration spent closing in on the rectangle"),
        Param("rampOut", &S::rampOut_, 0.0, 1.0,
              "share of the effect's duration spent opening out again"));
  }

  // The rectangle with its edges in order (x0 <= x1, y0 <= y1).
  TextureRect GetRect() const;
  bool GetCrop() const { return crop_; }
  double GetRampIn() const { return rampIn_; }
  double GetRampOut() const { return rampOut_; }
  void SetRect(const TextureRect& rect) {
    Update([&](auto& s) {
      std::tie(s.x0_, s.y0_, s.x1_, s.y1_) = std::tie(rect.x0, rect.y0, rect.x1, rect.y1);
    });
  }
  void SetCrop(bool crop) { Assign(crop_, crop); }
  void SetRamps(double rampIn, double rampOut) {
    Update([&](auto& s) { std::tie(s.rampIn_, s.rampOut_) = std::tie(rampIn, rampOut); });
  }
  // The frame the output has: the rectangle's pixels with crop, else `source`.
  FrameInfo GetOutputFrame(const FrameInfo& source) const;

 private:
  double x0_ = 0.25, y0_ = 0.25, x1_ = 0.75, y1_ = 0.75;
  bool crop_ = false;
  double rampIn_ = 0.0, rampOut_ = 0.0;
};

// Moves the view from one rectangle to another over the effect's duration;
// the current rectangle fills the frame.
class SettingsEffectPanAndZoom final : public SettingsBase<SettingsEffectPanAndZoom> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectPanAndZoom"};
  static constexpr std::string_view FAMILY = Family::kDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Pans and zooms from one rectangle of the picture to another";
  static constexpr std::array PRESETS{
      Preset{"pan-right",
             R"({"startX0": 0, "startY0": 0.25, "startX1": 0.5, "startY1": 0.75, "endX0": 0.5,)"
             R"( "endY0": 0.25, "endX1": 1, "endY1": 0.75})",
             "a window moving left to right"},
      Preset{"zoom-out",
             R"({"startX0": 0.4, "startY0": 0.4, "startX1": 0.6, "startY1": 0.6, "endX0": 0, )"
             R"("endY0": 0, "endX1": 1, "endY1": 1})",
             "from a detail out to the whole"}};
  static constexpr auto Fields() {
    using S = SettingsEffectPanAndZoom;
    return std::make_tuple(
        Param("startX0", &S::startX0_, 0.0, 1.0, "left edge at the start, from the left"),
        Param("startY0", &S::startY0_, 0.0, 1.0, "lower edge at the start, from the bottom"),
        Param("startX1", &S::startX1_, 0.0, 1.0, "right edge at the start, from the left"),
        Param("startY1", &S::startY1_, 0.0, 1.0, "upper edge at the start, from the bottom"),
        Param("endX0", &S::endX0_, 0.0, 1.0, "left edge at the end, from the left"),
        Param("endY0", &S::endY0_, 0.0, 1.0, "lower edge at the end, from the bottom"),
        Param("endX1", &S::endX1_, 0.0, 1.0, "right edge at the end, from the left"),
        Param("endY1", &S::endY1_, 0.0, 1.0, "upper edge at the end, from the bottom"));
  }

  TextureRect GetStart() const { return {startX0_, startY0_, startX1_, startY1_}; }
  TextureRect GetEnd() const { return {endX0_, endY0_, endX1_, endY1_}; }
  void SetStart(const TextureRect& r) {
    Update([&](auto& s) {
      std::tie(s.startX0_, s.startY0_, s.startX1_, s.startY1_) = std::tie(r.x0, r.y0, r.x1, r.y1);
    });
  }
  void SetEnd(const TextureRect& r) {
    Update([&](auto& s) {
      std::tie(s.endX0_, s.endY0_, s.endX1_, s.endY1_) = std::tie(r.x0, r.y0, r.x1, r.y1);
    });
  }
  bool IsEmpty() const override { return GetStart() == TextureRect{} && GetEnd() == TextureRect{}; }

 private:
  double startX0_ = 0.25, startY0_ = 0.25, startX1_ = 0.75, startY1_ = 0.75;
  double endX0_ = 0.0, endY0_ = 0.0, endX1_ = 1.0, endY1_ = 1.0;
};

// Mirrors one half of the picture onto the other, across the vertical
// middle line, the horizontal one, or both.
class SettingsEffectMirror final : public SettingsBase<SettingsEffectMirror> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectMirror"};
  static constexpr std::string_view FAMILY = Family::kDistortions;
  static constexpr std::string_view DESCRIPTION = "Mirrors one half of the picture onto the other";
  static constexpr std::array PRESETS{
      Preset{"left-half", R"({})", "the left half mirrored"},
      Preset{"both", R"({"horizontal": 1, "vertical": 1})", "mirrored both ways"},
      Preset{"second-half", R"({"horizontal": 2})", "the right half mirrored"}};
  enum Mode : std::int32_t { Off = 0, FirstHalf = 1, SecondHalf = 2 };
  static constexpr auto Fields() {
    using S = SettingsEffectMirror;
    return std::make_tuple(
        Param("horizontal", &S::horizontal_, 0.0, 2.0,
              "0 off, 1 the left half shows the right one mirrored, 2 the right half the left"),
        Param("vertical", &S::vertical_, 0.0, 2.0,
              "0 off, 1 the lower half shows the upper one mirrored, 2 the upper half the "
              "lower"));
  }

  std::int32_t GetHorizontal() const { return horizontal_; }
  std::int32_t GetVertical() const { return vertical_; }
  void SetHorizontal(std::int32_t mode) { Assign(horizontal_, mode); }
  void SetVertical(std::int32_t mode) { Assign(vertical_, mode); }
  bool IsEmpty() const override { return horizontal_ == Off && vertical_ == Off; }

 private:
  std::int32_t horizontal_ = FirstHalf;
  std::int32_t vertical_ = Off;
};

// A hand-held camera: the view wanders and turns by smooth noise and zooms in
// just enough that no border shows. The noise is fixed by the seed, so a
// render repeats.
class SettingsEffectCameraShake final : public SettingsBase<SettingsEffectCameraShake> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectCameraShake"};
  static constexpr std::string_view FAMILY = Family::kDistortions;
  static constexpr std::string_view DESCRIPTION = "Shakes the picture as a hand-held camera would";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "a shaking camera"},
      Preset{"strong", R"({"speed": 4, "xAmplitude": 1, "yAmplitude": 1})", "fast and wide"}};
  static constexpr auto Fields() {
    using S = SettingsEffectCameraShake;
    return std::make_tuple(
        Param("xAmplitude", &S::xAmplitude_, 0.0, 1.0,
              "sideways wander: 1 moves up to a tenth of the width"),
        Param("yAmplitude", &S::yAmplitude_, 0.0, 1.0,
              "up and down wander: 1 moves up to a tenth of the height times height / width"),
        Param("rotationAmplitude", &S::rotationAmplitude_, 0.0, 1.0,
              "turn: 1 turns up to 18 degrees"),
        Param("speed", &S::speed_, 0.0, 10.0, "how fast the camera moves"),
        Param("noise", &S::noise_, 0.0, 1.0,
              "roughness: 0 a slow sway, 1 adds fine jitter of nearly equal weight"),
        Param("intensity", &S::intensity_, 0.0, 1.0, "scales the three amplitudes"),
        Param("seed", &S::seed_, 0.0, 2147483647.0,
              "picks the shake: the same seed repeats the same movement"));
  }

  double GetXAmplitude() const { return xAmplitude_; }
  double GetYAmplitude() const { return yAmplitude_; }
  double GetRotationAmplitude() const { return rotationAmplitude_; }
  double GetSpeed() const { return speed_; }
  double GetNoise() const { return noise_; }
  float GetIntensity() const { return intensity_; }
  std::int32_t GetSeed() const { return seed_; }
  void SetAmplitudes(double x, double y, double rotation) {
    Update([&](auto& s) {
      std::tie(s.xAmplitude_, s.yAmplitude_, s.rotationAmplitude_) = std::tie(x, y, rotation);
    });
  }
  void SetSpeed(double speed) { Assign(speed_, speed); }
  void SetNoise(double noise) { Assign(noise_, noise); }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  void SetSeed(std::int32_t seed) { Assign(seed_, seed); }
  bool IsEmpty() const override {
    return intensity_ == 0.0f ||
           (xAmplitude_ == 0.0 && yAmplitude_ == 0.0 && rotationAmplitude_ == 0.0);
  }

  // Smooth noise of time `t` for each movement, -1 to 1, zero on average:
  // the sum of `octaves` layers of gradient noise, each of twice the
  // frequency of the one before and `persistence` (0 to 1) times its weight,
  // scaled back to the range of one layer. The three are independent of one
  // another and fixed by the seed.
  double GetNoizeX(double t, int octaves, double persistence) const;
  double GetNoizeY(double t, int octaves, double persistence) const;
  double GetNoizeR(double t, int octaves, double persistence) const;

 private:
  double xAmplitude_ = 0.5;
  double yAmplitude_ = 0.5;
  double rotationAmplitude_ = 0.3;
  double speed_ = 1.0;
  double noise_ = 0.5;
  float intensity_ = 1.0f;
  std::int32_t seed_ = 1;
};

// Views equirectangular 360-degree footage from inside the sphere it wraps:
// a flat picture of the direction the viewer faces.
class SettingsEffect360Cylindrical final : public SettingsBase<SettingsEffect360Cylindrical> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffect360Cylindrical"};
  static constexpr std::string_view FAMILY = Family::kDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Shows 360-degree (equirectangular) footage as seen looking one way";
  static constexpr std::array PRESETS{
      Preset{"front", R"({})", "looking ahead"},
      Preset{"right-up", R"({"yaw": 0.25, "pitch": -0.2, "fieldOfView": 90})",
             "turned right, looking up, wide"}};
  static constexpr double kMinFieldOfView = 10.0;
  static constexpr double kMaxFieldOfView = 150.0;
  static constexpr auto Fields() {
    using S = SettingsEffect360Cylindrical;
    return std::make_tuple(
        Param("enabled", &S::enabled_, "false passes the footage through unchanged"),
        Param("yaw", &S::yaw_, -1.0, 1.0,
              "turn to the right in half turns: 0 faces the middle of the footage, 1 its "
              "left and right edge"),
        Param("pitch", &S::pitch_, -1.0, 1.0,
              "tilt in quarter turns: positive looks down, 1 straight down"),
        Param("zoom", &S::zoom_, 0.0, 1.0,
              "moves the eye from the sphere's centre (0) towards the view (1): zooms in"),
        Param("fieldOfView", &S::fieldOfView_, kMinFieldOfView, kMaxFieldOfView,
              "vertical angle of view, in degrees"));
  }

  bool GetEnabled() const { return enabled_; }
  double GetYaw() const { return yaw_; }
  double GetPitch() const { return pitch_; }
  double GetZoom() const { return zoom_; }
  double GetFieldOfView() const { return fieldOfView_; }
  void SetEnabled(bool enabled) { Assign(enabled_, enabled); }
  void SetView(double yaw, double pitch, double zoom) {
    Update([&](auto& s) { std::tie(s.yaw_, s.pitch_, s.zoom_) = std::tie(yaw, pitch, zoom); });
  }
  void SetFieldOfView(double degrees) { Assign(fieldOfView_, degrees); }
  bool IsEmpty() const override { return !enabled_; }

 private:
  bool enabled_ = true;
  double yaw_ = 0.0;
  double pitch_ = 0.0;
  double zoom_ = 0.0;
  double fieldOfView_ = 60.0;
};

// Moves each pixel by the second input, the map: its red channel moves it
// sideways, green up or down (below mid-level one way, above it the other,
// mid-level not at all) and blue scales both. A pixel moved off the frame
// stays where it is.
class SettingsEffectDisplacementMap final : public SettingsBase<SettingsEffectDisplacementMap> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectDisplacementMap"};
  static constexpr std::string_view FAMILY = Family::kDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Moves each pixel by a displacement map, the second input";
  static constexpr std::array PRESETS{Preset{"default", R"({})", "the clip displaces the card"},
                                      Preset{"strong", R"({"intensity": 100})", "twice as far"}};
  static constexpr double kMaxIntensity = 100.0;
  static constexpr double kMaxShift = 0.01;
  static constexpr auto Fields() {
    using S = SettingsEffectDisplacementMap;
    return std::make_tuple(
        Param("intensity", &S::intensity_, 0.0, kMaxIntensity, "multiplies both shifts"),
        Param("xShift", &S::xShift_, -kMaxShift, kMaxShift,
              "sideways move at full red and blue, per unit of intensity, as a fraction of "
              "the width; positive moves towards the left for red above mid-level"),
        Param("yShift", &S::yShift_, -kMaxShift, kMaxShift,
              "vertical move at full green and blue, per unit of intensity, as a fraction of "
              "the height"));
  }

  SettingsEffectDisplacementMap() = default;
  SettingsEffectDisplacementMap(std::int32_t intensity, float xShift, float yShift)
      : intensity_(intensity), xShift_(xShift), yShift_(yShift) {
    Validate();
  }

  std::uint32_t GetIntensity() const { return static_cast<std::uint32_t>(intensity_); }
  float GetXShift() const { return xShift_; }
  float GetYShift() const { return yShift_; }
  void SetIntensity(std::int32_t intensity) { Assign(intensity_, intensity); }
  void SetShift(float x, float y) {
    Update([&](auto& s) { std::tie(s.xShift_, s.yShift_) = std::tie(x, y); });
  }
  bool IsEmpty() const override { return intensity_ == 0 || (xShift_ == 0.0f && yShift_ == 0.0f); }

 private:
  std::int32_t intensity_ = 50;
  float xShift_ = 0.002f;
  float yShift_ = 0.002f;
};

}  // namespace Obrisk::Proc
