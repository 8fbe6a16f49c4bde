// Settings of the transitions that move, warp or smear their pictures:
// ripples, twist, whoosh, smear, barn door, blinds, slide, push, scale, spin
// and cross. Progress runs from 0 (the first input) to 1 (the second).
//
// The defaults are this library's choice: each gives a moderate, clearly
// visible transition (a ripple of 4 waves, amplitude 50 and a ring 0.3 of the
// frame height wide from the centre; a smooth ripple of frequency and
// amplitude 20; a whoosh blurred over up to 0.2 of the picture half way; a
// smear up to 0.3 of the picture long, to the right), and enumerations start
// at their first value, except the barn door, which opens at a horizontal
// seam. Enumeration values outside their range draw as the first value (the
// barn door as its default); the spin and scale play backwards for any type
// but 0, and the ripple warps for any mode but 0.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <tuple>

#include <glm/mat3x3.hpp>
#include <glm/vec2.hpp>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// A point of the picture in fractions of its width and height, measured from
// the top-left corner, as a user picks it on screen.
struct RelativePoint {
  double x = 0.5;
  double y = 0.5;

  // The point in texture coordinates (from the bottom-left corner, y up),
  // kept inside the picture.
  glm::dvec2 GetCenter() const { return {std::clamp(x, 0.0, 1.0), 1.0 - std::clamp(y, 0.0, 1.0)}; }
};

enum class RippleMode : std::int32_t {
  Ripple = 0,  // rings of sawtooth waves that darken their crests
  Warp = 1     // smooth cosine waves, no darkening
};

// A ring that spreads from a point and twists the pictures as it passes.
class SettingsTransitionRipple final : public SettingsBase<SettingsTransitionRipple> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionRipple"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "A rippling ring spreads from a point and leaves the second clip behind it";
  static constexpr std::array PRESETS{
      Preset{"ripple", R"({})", "a ring of sawtooth waves"},
      Preset{"warp", R"({"mode": 1, "waveCount": 8})", "warp mode, eight waves"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionRipple;
    return std::make_tuple(
        Param("mode", &S::mode_, 0, 1, "0 ripple (sawtooth waves, darkened crests), 1 warp"),
        Param("waveCount", &S::waveCount_, 0, 20, "waves across the ring"),
        Param("amplitude", &S::amplitude_, 0, 100,
              "twist of the waves: 100 turns the picture by 2 pi / 22.5 radians"),
        Param("period", &S::period_, 1, 100, "width of the ring in hundredths of the frame height"),
        Param("pointX", &S::pointX_, 0.0, 1.0, "centre of the ring, fraction of the width"),
        Param("pointY", &S::pointY_, 0.0, 1.0,
              "centre of the ring, fraction of the height from the top"));
  }

  RippleMode GetMode() const { return static_cast<RippleMode>(mode_); }
  void SetMode(RippleMode mode) { Assign(mode_, static_cast<std::int32_t>(mode)); }
  std::int32_t GetWaveCount() const { return waveCount_; }
  void SetWaveCount(std::int32_t count) { Assign(waveCount_, count); }
  std::int32_t GetAmplitude() const { return amplitude_; }
  void SetAmplitude(std::int32_t amplitude) { Assign(amplitude_, amplitude); }
  std::int32_t GetPeriod() const { return period_; }
  void SetPeriod(std::int32_t period) { Assign(period_, period); }
  RelativePoint GetPoint() const { return {pointX_, pointY_}; }
  void SetPoint(const RelativePoint& point) {
    Update([&](auto& s) {
      s.pointX_ = point.x;
      s.pointY_ = point.y;
    });
  }

 private:
  std::int32_t mode_ = 0;
  std::int32_t waveCount_ = 4;
  std::int32_t amplitude_ = 50;
  std::int32_t period_ = 30;
  double pointX_ = 0.5;
  double pointY_ = 0.5;
};

// A radial wave that swells and settles while the pictures mix.
class SettingsTransitionRippleSmooth final : public SettingsBase<SettingsTransitionRippleSmooth> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionRippleSmooth"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Mixes the clips through a radial wave that is strongest half way";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "smooth ripples"},
      Preset{"strong", R"({"freq": 50, "ampl": 60})", "dense, strong ripples"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionRippleSmooth;
    return std::make_tuple(
        Param("freq", &S::freq_, 0, 100, "wave frequency: freq x 0.4 pi per unit of radius"),
        Param("ampl", &S::ampl_, 0, 100,
              "wave amplitude half way: ampl / 100 of the distance from the centre"));
  }

  std::int32_t GetFreq() const { return freq_; }
  void SetFreq(std::int32_t freq) { Assign(freq_, freq); }
  std::int32_t GetAmpl() const { return ampl_; }
  void SetAmpl(std::int32_t ampl) { Assign(ampl_, ampl); }

 private:
  std::int32_t freq_ = 20;
  std::int32_t ampl_ = 20;
};

// Which line sweeps across the picture while it turns like a card, and
// whether the turn plays backwards (the first clip turning away).
enum class TwistType : std::int32_t {
  Vertical = 0,            // a horizontal line sweeps from the bottom
  HorizontalReversed = 1,  // Horizontal, backwards
  Diagonal2Reversed = 2,   // Diagonal2, backwards
  Diagonal1Reversed = 3,   // Diagonal1, backwards
  Horizontal = 4,          // a vertical line sweeps from the left
  Diagonal1 = 5,           // a diagonal sweeps from the bottom-left corner
  Diagonal2 = 6,           // a diagonal sweeps from the top-left corner
  VerticalReversed = 7     // Vertical, backwards
};

class SettingsTransitionTwist final : public SettingsBase<SettingsTransitionTwist> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionTwist"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Turns the picture about a sweeping line like a card, showing the second clip on its back";
  static constexpr std::array PRESETS{Preset{"vertical", R"({})", "a vertical twist"},
                                      Preset{"horizontal", R"({"type": 4})", "horizontal"},
                                      Preset{"diagonal", R"({"type": 5})", "diagonal"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("type", &SettingsTransitionTwist::type_, 0, 7,
                                 "0 vertical, 1 horizontal backwards, 2 diagonal 2 backwards, "
                                 "3 diagonal 1 backwards, 4 horizontal, 5 diagonal 1, "
                                 "6 diagonal 2, 7 vertical backwards"));
  }

  TwistType GetType() const { return static_cast<TwistType>(type_); }
  void SetType(TwistType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t type_ = 0;
};

// The way the pictures travel (the second follows the first).
enum class WhooshDirection : std::int32_t { Right = 0, Left = 1, Up = 2, Down = 3 };

// Both clips scroll past as one strip, blurred by their speed.
class SettingsTransitionWhoosh final : public SettingsBase<SettingsTransitionWhoosh> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionWhoosh"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Scrolls the first clip away and the second in, blurred by the motion";
  static constexpr std::array PRESETS{Preset{"right", R"({})", "whooshes right"},
                                      Preset{"up", R"({"direction": 2})", "whooshes up"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionWhoosh;
    return std::make_tuple(
        Param("direction", &S::direction_, 0, 3, "0 right, 1 left, 2 up, 3 down"),
        Param("maxMotionBlurScale", &S::maxMotionBlurScale_, 0.0, 1.0,
              "twice the blur length half way, in picture sizes along the motion"));
  }

  WhooshDirection GetDirection() const { return static_cast<WhooshDirection>(direction_); }
  void SetDirection(WhooshDirection direction) {
    Assign(direction_, static_cast<std::int32_t>(direction));
  }
  double GetMaxMotionBlurScale() const { return maxMotionBlurScale_; }
  void SetMaxMotionBlurScale(double scale) { Assign(maxMotionBlurScale_, scale); }

 private:
  std::int32_t direction_ = 0;
  double maxMotionBlurScale_ = 0.4;
};

enum class SmearType : std::int32_t {
  Directional = 0,  // along one direction, the same everywhere
  Radial = 1        // away from the centre, longer towards the edges
};

// The first clip smears away while the second smears in; the two are added
// with weights 1 - p and p.
class SettingsTransitionSmear final : public SettingsBase<SettingsTransitionSmear> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionSmear"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Smears the first clip away and the second in, adding the two";
  static constexpr std::array PRESETS{
      Preset{"directional", R"({})", "smeared along one direction"},
      Preset{"from-centre", R"({"type": 1, "length": 0.5})", "smeared away from the centre"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionSmear;
    return std::make_tuple(
        Param("type", &S::type_, 0, 1, "0 along one direction, 1 away from the centre"),
        Param("angle", &S::angle_, -360.0, 360.0,
              "direction of a directional smear in degrees, counter-clockwise from the right"),
        Param("length", &S::length_, 0.0, 1.0,
              "longest smear, reached by each clip at its far end, in picture sizes"));
  }

  // The samples of the smear reach 19 steps of step * |step|^2 * 0.025,
  // where the vertex stage makes step = ((s, t, 1) * matrix).xy.
  static constexpr double kSpanPerCubedStep = 19.0 * 0.025;

  // The per-vertex step matrices of the first clip (`first`, smearing more as
  // it leaves: zero at p = 0) and of the second (`second`, smearing less as
  // it arrives: zero at p = 1). As GLSL mat3 taken as row vector times
  // matrix: step.x = dot((s, t, 1), column 0), step.y = dot((s, t, 1), column 1).
  void GetMatrices(glm::mat3& first, glm::mat3& second, double progress) const {
    first = StepMatrix(progress);
    second = StepMatrix(1.0 - progress);
  }

  SmearType GetType() const { return static_cast<SmearType>(type_); }
  void SetType(SmearType type) { Assign(type_, static_cast<std::int32_t>(type)); }
  double GetAngle() const { return angle_; }
  void SetAngle(double degrees) { Assign(angle_, degrees); }
  double GetLength() const { return length_; }
  void SetLength(double length) { Assign(length_, length); }

 private:
  // The step matrix for a clip smeared by `amount` (0 none, 1 `length`).
  glm::mat3 StepMatrix(double amount) const {
    const double span = std::clamp(amount, 0.0, 1.0) * std::max(length_, 0.0);
    const double step = std::cbrt(span / kSpanPerCubedStep);
    glm::dmat3 matrix(0.0);
    if (GetType() == SmearType::Radial) {
      // Step proportional to (s, t) - 0.5, `step` long at the corners.
      const double gain = step * std::numbers::sqrt2;
      matrix[0] = {gain, 0.0, -0.5 * gain};
      matrix[1] = {0.0, gain, -0.5 * gain};
    } else {
      const double radians = angle_ * std::numbers::pi / 180.0;
      matrix[0] = {0.0, 0.0, step * std::cos(radians)};
      matrix[1] = {0.0, 0.0, step * std::sin(radians)};
    }
    return glm::mat3(matrix);
  }

  std::int32_t type_ = 0;
  double angle_ = 0.0;
  double length_ = 0.3;
};

enum class BarnDoorDirection : std::int32_t {
  HorizontalClose = 0,  // two doors meet at a horizontal seam over the first clip
  HorizontalOpen = 1,   // the first clip opens at a horizontal seam
  VerticalClose = 2,
  VerticalOpen = 3,
  CornersClose = 4,  // four doors meet at the centre
  CornersOpen = 5    // the first clip opens into four corners
};

class SettingsTransitionBarnDoor final : public SettingsBase<SettingsTransitionBarnDoor> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionBarnDoor"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Doors slide apart to show the second clip, or the second clip closes in as doors";
  static constexpr std::array PRESETS{
      Preset{"opening", R"({})", "a horizontal seam opening"},
      Preset{"vertical-closing", R"({"direction": 2})", "a vertical seam closing"},
      Preset{"corners", R"({"direction": 5})", "four corners opening"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("direction", &SettingsTransitionBarnDoor::direction_, 0, 5,
                                 "0 horizontal seam closing, 1 opening, 2 vertical seam "
                                 "closing, 3 opening, 4 four corners closing, 5 opening"));
  }

  BarnDoorDirection GetDirection() const { return static_cast<BarnDoorDirection>(direction_); }
  void SetDirection(BarnDoorDirection direction) {
    Assign(direction_, static_cast<std::int32_t>(direction));
  }

 private:
  std::int32_t direction_ = 1;
};

class SettingsTransitionBlinds final : public SettingsBase<SettingsTransitionBlinds> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionBlinds"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Four vertical slats of the first clip narrow to show the second";
  static constexpr auto Fields() { return std::tuple<>(); }
};

// Where the second clip comes in from.
enum class SlideDirection : std::int32_t {
  FromLeft = 0,
  FromRight = 1,
  FromTop = 2,
  FromBottom = 3,
  FromBottomLeft = 4,
  FromBottomRight = 5,
  FromTopLeft = 6,
  FromTopRight = 7
};

class SettingsTransitionSlide final : public SettingsBase<SettingsTransitionSlide> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionSlide"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION = "Slides the second clip in over the first";
  static constexpr std::array PRESETS{
      Preset{"from-left", R"({})", "slides in from the left"},
      Preset{"from-top", R"({"direction": 2})", "from the top"},
      Preset{"from-bottom-right", R"({"direction": 5})", "from the bottom right"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("direction", &SettingsTransitionSlide::direction_, 0, 7,
                                 "comes in from: 0 left, 1 right, 2 top, 3 bottom, "
                                 "4 bottom-left, 5 bottom-right, 6 top-left, 7 top-right"));
  }

  SlideDirection GetDirection() const { return static_cast<SlideDirection>(direction_); }
  void SetDirection(SlideDirection direction) {
    Assign(direction_, static_cast<std::int32_t>(direction));
  }

 private:
  std::int32_t direction_ = 0;
};

// The way both pictures move.
enum class PushDirection : std::int32_t { Left = 0, Right = 1, Up = 2, Down = 3 };

class SettingsTransitionPush final : public SettingsBase<SettingsTransitionPush> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionPush"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "The second clip pushes the first out of the frame";
  static constexpr std::array PRESETS{Preset{"left", R"({})", "both move left"},
                                      Preset{"up", R"({"dir": 2})", "both move up"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("dir", &SettingsTransitionPush::dir_, 0, 3,
                                 "the pictures move: 0 left, 1 right, 2 up, 3 down"));
  }

  PushDirection GetDir() const { return static_cast<PushDirection>(dir_); }
  void SetDir(PushDirection direction) { Assign(dir_, static_cast<std::int32_t>(direction)); }

 private:
  std::int32_t dir_ = 0;
};

enum class ScaleType : std::int32_t {
  Grow = 0,   // the second clip grows from the centre
  Shrink = 1  // the first clip shrinks into the centre
};

class SettingsTransitionScale final : public SettingsBase<SettingsTransitionScale> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionScale"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "The second clip grows from the centre, or the first shrinks into it";
  static constexpr std::array PRESETS{Preset{"grow", R"({})", "the second grows"},
                                      Preset{"shrink", R"({"type": 1})", "the first shrinks"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("type", &SettingsTransitionScale::type_, 0, 1,
                                 "0 the second clip grows, 1 the first clip shrinks"));
  }

  ScaleType GetType() const { return static_cast<ScaleType>(type_); }
  void SetType(ScaleType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t type_ = 0;
};

enum class SpinType : std::int32_t {
  SpinIn = 0,  // the second clip spins in, growing from the centre
  SpinOut = 1  // the first clip spins out, shrinking into the centre
};

class SettingsTransitionSpin final : public SettingsBase<SettingsTransitionSpin> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionSpin"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "The second clip spins in from the centre, or the first spins out into it";
  static constexpr std::array PRESETS{Preset{"spin-in", R"({})", "the second spins in"},
                                      Preset{"spin-out", R"({"type": 1})", "the first spins out"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("type", &SettingsTransitionSpin::type_, 0, 1,
                                 "0 the second clip spins in, 1 the first clip spins out"));
  }

  SpinType GetType() const { return static_cast<SpinType>(type_); }
  void SetType(SpinType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t type_ = 0;
};

class SettingsTransitionCross final : public SettingsBase<SettingsTransitionCross> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionCross"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "The first clip splits along its diagonals and its four pieces fly out";
  static constexpr std::array PRESETS{
      Preset{"still", R"({})", "the second clip stands still behind the pieces"},
      Preset{"scrolling", R"({"cross2": true})", "the second clip scrolls up into place"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("cross2", &SettingsTransitionCross::cross2_,
                                 "the second clip scrolls up into place behind the pieces "
                                 "instead of standing still"));
  }

  bool GetCross2() const { return cross2_; }
  void SetCross2(bool scrolls) { Assign(cross2_, scrolls); }

 private:
  bool cross2_ = false;
};

}  // namespace Obrisk::Proc
