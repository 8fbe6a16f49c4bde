// Settings of the transitions that draw their pictures as surfaces in space
// or as moving pieces: the page turn, the cube, the origami folds, the roll
// and the shatter. Progress runs from 0 (the first input) to 1 (the second).
//
// The defaults are this library's choice: a page turned from its
// bottom-right corner; four flipping strips; a roll about a tenth of the
// frame thick, rolling to the right; a shatter into 16 rows of tiles flying
// out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// The camera turns a quarter turn about a cube: the first picture on its
// front face gives way to the second on its right face.
class SettingsTransitionCube final : public SettingsBase<SettingsTransitionCube> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionCube"};
  static constexpr std::string_view FAMILY = Family::kTransitionSurfaces;
  static constexpr std::string_view DESCRIPTION =
      "Turns a cube a quarter turn from the first clip's face to the second's";
  static constexpr auto Fields() { return std::tuple<>(); }
};

// The corner of the page that lifts first; the page turns towards the
// opposite corner.
enum class PageturnDirection : std::int32_t {
  BottomRight = 0,
  BottomLeft = 1,
  TopRight = 2,
  TopLeft = 3
};

// How the turning page looks.
enum class PageturnType : std::int32_t {
  Picture = 0,  // its picture shows faintly through the paper on its back; soft edges
  Blank = 1,    // a blank sheet: dark where it still faces up, pale paper behind
  Sharp = 2     // as Picture with hard edges
};

// The first picture is a page that curls up from a corner and turns over,
// showing the second picture beneath.
class SettingsTransitionPageturn final : public SettingsBase<SettingsTransitionPageturn> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionPageturn"};
  static constexpr std::string_view FAMILY = Family::kTransitionSurfaces;
  static constexpr std::string_view DESCRIPTION =
      "Turns the first clip over like a page from one corner to show the second";
  static constexpr std::array PRESETS{
      Preset{"bottom-right", R"({})", "the page lifts from the bottom-right corner"},
      Preset{"top-left-blank", R"({"dir": 3, "type": 1})", "a blank page from the top-left"},
      Preset{"hard-edges", R"({"type": 2})", "the picture page with hard edges"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionPageturn;
    return std::make_tuple(
        Param("dir", &S::dir_, 0, 3,
              "corner that lifts first: 0 bottom-right, 1 bottom-left, 2 top-right, 3 top-left"),
        Param("type", &S::type_, 0, 2,
              "0 the picture shows through the page's back, 1 a blank page, 2 as 0 with hard "
              "edges"));
  }

  PageturnDirection GetDir() const { return static_cast<PageturnDirection>(dir_); }
  void SetDir(PageturnDirection direction) { Assign(dir_, static_cast<std::int32_t>(direction)); }
  PageturnType GetType() const { return static_cast<PageturnType>(type_); }
  void SetType(PageturnType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t dir_ = 0;
  std::int32_t type_ = 0;
};

// The first picture splits at its centre line and slides apart, while the
// second unfolds from a valley between the halves.
class SettingsTransitionOrigamiValley final : public SettingsBase<SettingsTransitionOrigamiValley> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionOrigamiValley"};
  static constexpr std::string_view FAMILY = Family::kTransitionSurfaces;
  static constexpr std::string_view DESCRIPTION =
      "Splits the first clip down the middle; the second unfolds from a valley between the halves";
  static constexpr auto Fields() { return std::tuple<>(); }
};

// The picture is cut into horizontal strips that flip over one after the
// other, from the top, each turning from the first picture to the second.
class SettingsTransitionOrigamiFlips final : public SettingsBase<SettingsTransitionOrigamiFlips> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionOrigamiFlips"};
  static constexpr std::string_view FAMILY = Family::kTransitionSurfaces;
  static constexpr std::string_view DESCRIPTION =
      "Flips the first clip over in horizontal strips, one after another, to the second";
  static constexpr std::array PRESETS{
      Preset{"four-strips", R"({})", "four strips flip in turn"},
      Preset{"many-strips", R"({"num": 12})", "twelve narrow strips"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionOrigamiFlips;
    return std::make_tuple(Param("num", &S::num_, 1, 50, "strips the picture is cut into"));
  }

  std::int32_t GetNum() const { return num_; }
  void SetNum(std::int32_t num) { Assign(num_, num); }

 private:
  std::int32_t num_ = 4;
};

// The first picture slides out sideways while the second unfolds from a
// zig-zag of pleats.
class SettingsTransitionOrigamiPleats final : public SettingsBase<SettingsTransitionOrigamiPleats> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionOrigamiPleats"};
  static constexpr std::string_view FAMILY = Family::kTransitionSurfaces;
  static constexpr std::string_view DESCRIPTION =
      "Slides the first clip out sideways while the second unfolds from pleats";
  static constexpr std::array PRESETS{
      Preset{"right", R"({})", "five pleats, out to the right"},
      Preset{"many-left", R"({"num": 12, "dir": 1})", "twelve pleats, out to the left"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionOrigamiPleats;
    return std::make_tuple(
        Param("num", &S::num_, 1, 50, "pleats the second clip is folded in"),
        Param("dir", &S::dir_, 0, 1, "0 the first clip slides out to the right, 1 to the left"));
  }

  std::int32_t GetNum() const { return num_; }
  void SetNum(std::int32_t num) { Assign(num_, num); }
  // +1 or -1: multiplies the x coordinates of the motion.
  std::int32_t GetDir() const { return dir_ == 0 ? 1 : -1; }
  void SetDir(std::int32_t dir) { Assign(dir_, dir == -1 ? 1 : 0); }

 private:
  std::int32_t num_ = 5;
  std::int32_t dir_ = 0;
};

// Where the roll starts and which way it goes; Reversed unrolls the first
// picture over the second instead.
enum class RollDirection : std::int32_t {
  Left = 0,   // the roll moves to the left
  Right = 1,  // to the right
  Up = 2,
  Down = 3
};

enum class RollType : std::int32_t {
  RollUp = 0,  // the first picture rolls up
  Unroll = 1   // the second picture unrolls over the first (played backwards)
};

// The first picture rolls up onto a cylinder that grows as it winds.
class SettingsTransitionRoll final : public SettingsBase<SettingsTransitionRoll> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionRoll"};
  static constexpr std::string_view FAMILY = Family::kTransitionSurfaces;
  static constexpr std::string_view DESCRIPTION =
      "Rolls the first clip up like a sheet of paper to show the second";
  static constexpr std::array PRESETS{
      Preset{"roll-right", R"({})", "the first rolls up to the right"},
      Preset{"unroll-down", R"({"dir": 3, "type": 1})", "the second unrolls downwards"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionRoll;
    return std::make_tuple(
        Param("size", &S::size_, 1, 600,
              "thickness of the paper: 600 makes the roll's radius at the end about 0.6 of "
              "the frame"),
        Param("dir", &S::dir_, 0, 3, "the roll moves 0 left, 1 right, 2 up, 3 down"),
        Param("type", &S::type_, 0, 1,
              "0 the first clip rolls up, 1 the second unrolls over the first"));
  }

  std::int32_t GetSize() const { return size_; }
  void SetSize(std::int32_t size) { Assign(size_, size); }
  RollDirection GetDir() const { return static_cast<RollDirection>(dir_); }
  void SetDir(RollDirection direction) { Assign(dir_, static_cast<std::int32_t>(direction)); }
  RollType GetType() const { return static_cast<RollType>(type_); }
  void SetType(RollType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t size_ = 100;
  std::int32_t dir_ = 1;
  std::int32_t type_ = 0;
};

// Which way the tiles fly.
enum class ShatterDirection : std::int32_t {
  Outward = 0,  // away from the centre, growing
  Down = 1,
  Up = 2
};

// The first picture breaks into tiles that turn, fly away and fade.
class SettingsTransitionShatter final : public SettingsBase<SettingsTransitionShatter> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionShatter"};
  static constexpr std::string_view FAMILY = Family::kTransitionSurfaces;
  static constexpr std::string_view DESCRIPTION =
      "Shatters the first clip into tiles that fly away over the second";
  static constexpr std::array PRESETS{
      Preset{"outward", R"({})", "tiles fly outward"},
      Preset{"down-fine", R"({"num": 20, "dir": 1})", "small tiles fall"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionShatter;
    return std::make_tuple(
        Param("num", &S::num_, 1, 100,
              "tiles along the shorter side, halved (the longer side in proportion)"),
        Param("dir", &S::dir_, 0, 2, "the tiles fly 0 outward, 1 down, 2 up"));
  }

  std::int32_t GetNum() const { return num_; }
  void SetNum(std::int32_t num) { Assign(num_, num); }
  ShatterDirection GetDir() const { return static_cast<ShatterDirection>(dir_); }
  void SetDir(ShatterDirection direction) { Assign(dir_, static_cast<std::int32_t>(direction)); }

 private:
  std::int32_t num_ = 8;
  std::int32_t dir_ = 0;
};

}  // namespace Obrisk::Proc
