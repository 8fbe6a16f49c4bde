// Settings of the transitions that mix, wipe or open a hole between their two
// inputs: crossfade, fades, flash, blur, zoom, circle, radial, pinwheel, wipe,
// sliding door, snake, lens and spiral.
//
// Directions and types are stored as numbers (the host's values) and read
// through the enumerations below; each says how a value outside its list is
// drawn.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

class SettingsTransitionCrossfade final : public SettingsBase<SettingsTransitionCrossfade> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionCrossfade"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION = "Mixes the first picture into the second";
  static constexpr auto Fields() { return std::tuple<>(); }
};

class SettingsTransitionFadeInFadeOut final : public SettingsBase<SettingsTransitionFadeInFadeOut> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionFadeInFadeOut"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION =
      "Fades the first picture out to transparent, then the second in";
  static constexpr auto Fields() { return std::tuple<>(); }
};

// The first picture goes to the key colour in the first half, the second
// comes out of it in the second half. Default: opaque black.
class SettingsTransitionThroughColor final : public SettingsBase<SettingsTransitionThroughColor> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionThroughColor"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION =
      "Fades the first picture to a colour, then from it to the second";
  static constexpr std::array PRESETS{
      Preset{"black", R"({})", "through black"},
      Preset{"white", R"({"keyColorR": 1, "keyColorG": 1, "keyColorB": 1})", "through white"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionThroughColor;
    return std::make_tuple(
        Param("keyColorR", &S::keyColorR_, 0.0, 1.0, "red of the colour passed through"),
        Param("keyColorG", &S::keyColorG_, 0.0, 1.0, "green of the colour passed through"),
        Param("keyColorB", &S::keyColorB_, 0.0, 1.0, "blue of the colour passed through"),
        Param("keyColorA", &S::keyColorA_, 0.0, 1.0, "alpha of the colour passed through"));
  }

  float GetKeyColorR() const { return keyColorR_; }
  float GetKeyColorG() const { return keyColorG_; }
  float GetKeyColorB() const { return keyColorB_; }
  float GetKeyColorA() const { return keyColorA_; }
  void SetKeyColor(float r, float g, float b, float a) {
    Update([&](auto& s) {
      s.keyColorR_ = r;
      s.keyColorG_ = g;
      s.keyColorB_ = b;
      s.keyColorA_ = a;
    });
  }

 private:
  float keyColorR_ = 0.0f;
  float keyColorG_ = 0.0f;
  float keyColorB_ = 0.0f;
  float keyColorA_ = 1.0f;
};

class SettingsTransitionFlash final : public SettingsBase<SettingsTransitionFlash> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionFlash"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION =
      "Mixes into the second picture through a flash of over-exposure";
  static constexpr auto Fields() { return std::tuple<>(); }
};

// Which picture is blurred while the two are mixed.
enum class TransitionBlurDirection : std::int32_t {
  BlurIn = 0,       // the second picture comes into focus out of a blur
  BlurOut = 1,      // the first picture blurs away (other values too)
  BlurOutAndIn = 2  // both: the default
};

class SettingsTransitionBlur final : public SettingsBase<SettingsTransitionBlur> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionBlur"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION = "Mixes the pictures while blurring them";
  static constexpr std::array PRESETS{
      Preset{"both", R"({})", "the first blurs away, the second comes into focus"},
      Preset{"focus-in", R"({"direction": 0})", "only the second comes into focus"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("direction", &SettingsTransitionBlur::direction_, 0, 2,
                                 "0 the second picture comes into focus, 1 the first blurs "
                                 "away, 2 both"));
  }

  TransitionBlurDirection GetDirection() const {
    return static_cast<TransitionBlurDirection>(direction_);
  }
  void SetDirection(TransitionBlurDirection direction) {
    Assign(direction_, static_cast<std::int32_t>(direction));
  }

 private:
  std::int32_t direction_ = static_cast<std::int32_t>(TransitionBlurDirection::BlurOutAndIn);
};

// Which picture is scaled while the two are mixed; other values scale
// neither.
enum class TransitionZoomType : std::int32_t {
  ZoomFirst = 0,   // the first picture grows to three times its size
  ZoomSecond = 1,  // the second picture shrinks from three times its size
  ZoomBoth = 2     // both: the default
};

class SettingsTransitionZoom final : public SettingsBase<SettingsTransitionZoom> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionZoom"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION = "Mixes the pictures while zooming them";
  static constexpr std::array PRESETS{
      Preset{"both", R"({})", "both pictures zoom"},
      Preset{"first-zooms-in", R"({"type": 0})", "the first zooms in"},
      Preset{"second-settles", R"({"type": 1})", "the second zooms down into place"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("type", &SettingsTransitionZoom::type_, 0, 2,
                                 "0 the first picture zooms in, 1 the second zooms down into "
                                 "place, 2 both; other values mix without zooming"));
  }

  TransitionZoomType GetType() const { return static_cast<TransitionZoomType>(type_); }
  void SetType(TransitionZoomType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t type_ = static_cast<std::int32_t>(TransitionZoomType::ZoomBoth);
};

enum class TransitionCircleDirection : std::int32_t {
  Shrink = 0,  // the first picture shrinks into the centre (other values too)
  Grow = 1     // the second picture grows out of the centre: the default
};

class SettingsTransitionCircle final : public SettingsBase<SettingsTransitionCircle> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionCircle"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION =
      "Opens a circle from the centre, or closes one into it";
  static constexpr std::array PRESETS{Preset{"grow", R"({})", "the second grows in a circle"},
                                      Preset{"shrink", R"({"direction": 0})", "the first shrinks"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("direction", &SettingsTransitionCircle::direction_, 0, 1,
                                 "1 the second picture grows in a circle, 0 the first shrinks"));
  }

  TransitionCircleDirection GetDirection() const {
    return static_cast<TransitionCircleDirection>(direction_);
  }
  void SetDirection(TransitionCircleDirection direction) {
    Assign(direction_, static_cast<std::int32_t>(direction));
  }

 private:
  std::int32_t direction_ = static_cast<std::int32_t>(TransitionCircleDirection::Grow);
};

// The hand starts pointing down from the centre and turns anticlockwise.
enum class TransitionRadialDirection : std::int32_t {
  Uncover = 0,  // the hand uncovers the second picture: the default (other values too)
  Cover = 1     // the same sweep played backwards over the first picture
};

class SettingsTransitionRadial final : public SettingsBase<SettingsTransitionRadial> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionRadial"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION =
      "Sweeps the second picture in behind a turning clock hand";
  static constexpr std::array PRESETS{
      Preset{"uncover", R"({})", "a clock hand uncovers the second"},
      Preset{"backwards", R"({"direction": 1})", "swept backwards"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("direction", &SettingsTransitionRadial::direction_, 0, 1,
                                 "0 the hand uncovers the second picture, 1 the sweep backwards"));
  }

  TransitionRadialDirection GetDirection() const {
    return static_cast<TransitionRadialDirection>(direction_);
  }
  void SetDirection(TransitionRadialDirection direction) {
    Assign(direction_, static_cast<std::int32_t>(direction));
  }

 private:
  std::int32_t direction_ = static_cast<std::int32_t>(TransitionRadialDirection::Uncover);
};

// Defaults: six sectors with a gentle wave and a soft edge.
class SettingsTransitionPinwheel final : public SettingsBase<SettingsTransitionPinwheel> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionPinwheel"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION =
      "Opens the second picture in turning, wavy sectors";
  static constexpr std::array PRESETS{Preset{"default", R"({})", "six swaying sectors"},
                                      Preset{"many", R"({"num": 16, "ampl": 0, "smoothness": 30})",
                                             "sixteen straight soft sectors"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionPinwheel;
    return std::make_tuple(
        Param("num", &S::num_, 1, 64, "number of sectors"),
        Param("freq", &S::freq_, 0, 100,
              "waves of the sector edges: pi/25 radians per unit of distance from the centre"),
        Param("ampl", &S::ampl_, 0, 100, "sway of the sector edges, in 1/400 radian units"),
        Param("smoothness", &S::smoothness_, 0, 100,
              "soft edge, in percent of a sector's angle; 0 is a hard edge"));
  }

  std::int32_t GetNum() const { return num_; }
  std::int32_t GetFreq() const { return freq_; }
  std::int32_t GetAmpl() const { return ampl_; }
  std::int32_t GetSmoothness() const { return smoothness_; }
  void SetNum(std::int32_t num) { Assign(num_, num); }
  void SetFreq(std::int32_t freq) { Assign(freq_, freq); }
  void SetAmpl(std::int32_t ampl) { Assign(ampl_, ampl); }
  void SetSmoothness(std::int32_t smoothness) { Assign(smoothness_, smoothness); }

 private:
  std::int32_t num_ = 6;
  std::int32_t freq_ = 10;
  std::int32_t ampl_ = 20;
  std::int32_t smoothness_ = 10;
};

// Where the second picture comes in from. The straight edges run across the
// frame; the wedges open from the middle of a side.
enum class TransitionWipeDirection : std::int32_t {
  FromTop = 0,  // also drawn for values outside the list
  FromBottom = 1,
  FromRight = 2,
  FromLeft = 3,  // the default
  FromTopRight = 4,
  FromBottomRight = 5,
  FromTopLeft = 6,
  FromBottomLeft = 7,
  WedgeFromLeft = 8,
  WedgeFromRight = 9
};

class SettingsTransitionWipe final : public SettingsBase<SettingsTransitionWipe> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionWipe"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION = "Wipes the second picture in behind a soft edge";
  static constexpr std::array PRESETS{
      Preset{"from-left", R"({})", "from the left"},
      Preset{"from-top", R"({"direction": 0})", "from the top"},
      Preset{"soft-diagonal", R"({"direction": 4, "borderSoftness": 10})",
             "a soft edge from the top right"},
      Preset{"wedge", R"({"direction": 8})", "a wedge from the left"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionWipe;
    return std::make_tuple(
        Param("borderSoftness", &S::borderSoftness_, 0, 20,
              "width of the soft edge: (softness + 1) / 5 of the frame"),
        Param("direction", &S::direction_, 0, 9,
              "0 from the top, 1 bottom, 2 right, 3 left, 4 top right, 5 bottom right, "
              "6 top left, 7 bottom left, 8 wedge from the left, 9 wedge from the right"));
  }

  std::int32_t GetBorderSoftness() const { return borderSoftness_; }
  void SetBorderSoftness(std::int32_t softness) { Assign(borderSoftness_, softness); }
  TransitionWipeDirection GetDirection() const {
    return static_cast<TransitionWipeDirection>(direction_);
  }
  void SetDirection(TransitionWipeDirection direction) {
    Assign(direction_, static_cast<std::int32_t>(direction));
  }

 private:
  std::int32_t borderSoftness_ = 0;
  std::int32_t direction_ = static_cast<std::int32_t>(TransitionWipeDirection::FromLeft);
};

enum class TransitionSlidingDoorDirection : std::int32_t {
  Sideways = 0,  // a vertical seam, opening left and right: the default (other values too)
  UpAndDown = 1  // a horizontal seam, opening up and down
};

class SettingsTransitionSlidingDoor final : public SettingsBase<SettingsTransitionSlidingDoor> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionSlidingDoor"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION =
      "Opens the first picture softly from its centre line";
  static constexpr std::array PRESETS{
      Preset{"sideways", R"({})", "a vertical seam opening sideways"},
      Preset{"up-and-down", R"({"direction": 1})", "a horizontal seam"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("direction", &SettingsTransitionSlidingDoor::direction_, 0, 1,
                                 "0 a vertical seam opening sideways, 1 a horizontal seam"));
  }

  TransitionSlidingDoorDirection GetDirection() const {
    return static_cast<TransitionSlidingDoorDirection>(direction_);
  }
  void SetDirection(TransitionSlidingDoorDirection direction) {
    Assign(direction_, static_cast<std::int32_t>(direction));
  }

 private:
  std::int32_t direction_ = static_cast<std::int32_t>(TransitionSlidingDoorDirection::Sideways);
};

// Defaults: eight bands and a soft head one band width long.
class SettingsTransitionSnake final : public SettingsBase<SettingsTransitionSnake> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionSnake"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION =
      "Fills the frame with the second picture band by band, to and fro";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "eight bands"},
      Preset{"many-bands", R"({"bandExponent": 4, "smoothness": 20})", "32 soft bands"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionSnake;
    return std::make_tuple(
        Param("bandExponent", &S::bandExponent_, 0, 8, "the frame has 2^(exponent + 1) bands"),
        Param("smoothness", &S::smoothness_, 0, 70,
              "length of the soft head, in sevenths of a band width; 0 is a hard head"));
  }

  std::int32_t GetBandExponent() const { return bandExponent_; }
  std::int32_t GetSmoothness() const { return smoothness_; }
  void SetBandExponent(std::int32_t exponent) { Assign(bandExponent_, exponent); }
  void SetSmoothness(std::int32_t smoothness) { Assign(smoothness_, smoothness); }

 private:
  std::int32_t bandExponent_ = 2;
  std::int32_t smoothness_ = 7;
};

// Where the hole of the lens and spiral transitions opens.
enum class TransitionLensType : std::int32_t {
  BottomLeft = 0,
  TopLeft = 1,
  Centre = 2  // the default, also drawn for values outside the list
};

enum class TransitionSpiralType : std::int32_t {
  BottomLeft = 0,
  TopRight = 1,
  Centre = 2  // the default, also drawn for values outside the list
};

class SettingsTransitionLens final : public SettingsBase<SettingsTransitionLens> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionLens"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION =
      "Opens a hole onto the second picture that pulls the first one in";
  static constexpr std::array PRESETS{
      Preset{"centre", R"({})", "a hole opening from the centre"},
      Preset{"bottom-left", R"({"type": 0})", "from the bottom left"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("type", &SettingsTransitionLens::type_, 0, 2,
                                 "where the hole opens: 0 bottom left, 1 top left, 2 centre"));
  }

  TransitionLensType GetType() const { return static_cast<TransitionLensType>(type_); }
  void SetType(TransitionLensType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t type_ = static_cast<std::int32_t>(TransitionLensType::Centre);
};

class SettingsTransitionSpiral final : public SettingsBase<SettingsTransitionSpiral> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionSpiral"};
  static constexpr std::string_view FAMILY = Family::kTransitionMixes;
  static constexpr std::string_view DESCRIPTION =
      "Opens a hole onto the second picture with the first one swirling round it";
  static constexpr std::array PRESETS{Preset{"centre", R"({})", "a spiral from the centre"},
                                      Preset{"top-right", R"({"type": 1})", "from the top right"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("type", &SettingsTransitionSpiral::type_, 0, 2,
                                 "where the hole opens: 0 bottom left, 1 top right, 2 centre"));
  }

  TransitionSpiralType GetType() const { return static_cast<TransitionSpiralType>(type_); }
  void SetType(TransitionSpiralType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t type_ = static_cast<std::int32_t>(TransitionSpiralType::Centre);
};

}  // namespace Obrisk::Proc
