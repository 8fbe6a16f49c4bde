// Settings of the transitions whose pictures spin or swish with a motion
// blur that follows the speed of the motion: the spins, the swish and the
// slices that run either motion with a time shift per slice. Progress runs
// from 0 (the first input) to 1 (the second).
//
// The defaults are this library's choice: a motion that speeds up and slows
// down visibly (boost powers 3 and 2), a blur at most a tenth of the picture
// (a twentieth for the swish) half way, and eight horizontal slices of the
// swish that move in alternate directions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// The first picture turns half a turn with a rotational blur, then the
// second, upside down at first, completes the turn.
class SettingsTransitionModifiedMotionSpin final
    : public SettingsBase<SettingsTransitionModifiedMotionSpin> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionModifiedMotionSpin"};
  static constexpr std::string_view FAMILY = Family::kTransitionSpins;
  static constexpr std::string_view DESCRIPTION =
      "Spins the first clip away and the second in, blurred along the turn";
  static constexpr std::array PRESETS{
      Preset{"anticlockwise", R"({})", "spins anticlockwise with a trail"},
      Preset{"clockwise-blurred", R"({"direction": 1, "maxBlurScale": 0.4})",
             "clockwise, more blur"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionModifiedMotionSpin;
    return std::make_tuple(
        Param("direction", &S::direction_, 0, 1, "0 anticlockwise, 1 clockwise"),
        Param("additionalSourceFrameRotateAngle", &S::additionalSourceFrameRotateAngle_, 0.0, 180.0,
              "degrees the first clip turns further before the second appears"),
        Param("maxBlurScale", &S::maxBlurScale_, 0.0, 1.0,
              "longest blur half way, in half picture sizes along the turn"),
        Param("motionBoostPower", &S::motionBoostPower_, 0.1, 10.0,
              "how sharply the turn speeds up and slows down: 1 even"),
        Param("blurBoostPower", &S::blurBoostPower_, 0.1, 10.0,
              "how sharply the blur sets in: 1 linear over the first 40 %"));
  }

  std::int32_t GetDirection() const { return direction_; }
  void SetDirection(std::int32_t direction) { Assign(direction_, direction); }
  double GetAdditionalSourceFrameRotateAngle() const { return additionalSourceFrameRotateAngle_; }
  void SetAdditionalSourceFrameRotateAngle(double degrees) {
    Assign(additionalSourceFrameRotateAngle_, degrees);
  }
  double GetMaxBlurScale() const { return maxBlurScale_; }
  void SetMaxBlurScale(double scale) { Assign(maxBlurScale_, scale); }
  double GetMotionBoostPower() const { return motionBoostPower_; }
  void SetMotionBoostPower(double power) { Assign(motionBoostPower_, power); }
  double GetBlurBoostPower() const { return blurBoostPower_; }
  void SetBlurBoostPower(double power) { Assign(blurBoostPower_, power); }

 private:
  std::int32_t direction_ = 0;
  double additionalSourceFrameRotateAngle_ = 0.0;
  double maxBlurScale_ = 0.1;
  double motionBoostPower_ = 3.0;
  double blurBoostPower_ = 1.0;
};

// Both pictures travel as one strip (the first, its mirror image, the
// second) with a blur along the motion.
class SettingsTransitionWhipe final : public SettingsBase<SettingsTransitionWhipe> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionWhipe"};
  static constexpr std::string_view FAMILY = Family::kTransitionSpins;
  static constexpr std::string_view DESCRIPTION =
      "Swishes the first clip away and the second in, blurred along the motion";
  static constexpr std::array PRESETS{
      Preset{"right", R"({})", "whipped sideways"},
      Preset{"down", R"({"hDirection": 0, "vDirection": -1, "maxBlurScale": 0.2})",
             "whipped vertically, more blur"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionWhipe;
    return std::make_tuple(
        Param("hDirection", &S::hDirection_, -1, 1,
              "-1 the pictures move right, 1 left, 0 no horizontal motion"),
        Param("vDirection", &S::vDirection_, -1, 1,
              "-1 the pictures move up, 1 down, 0 no vertical motion (with hDirection 0 too: "
              "they move left)"),
        Param("maxBlurScale", &S::maxBlurScale_, 0.0, 1.0,
              "longest blur half way, in picture heights (of the shorter side)"),
        Param("blurBoostPower", &S::blurBoostPower_, 0.1, 10.0,
              "how sharply the blur sets in: 1 linear over the first 40 %"),
        Param("motionBoostPower", &S::motionBoostPower_, 0.1, 10.0,
              "how sharply the motion speeds up and slows down: 1 even"));
  }

  std::int32_t GetHDirection() const { return hDirection_; }
  void SetHDirection(std::int32_t direction) { Assign(hDirection_, direction); }
  std::int32_t GetVDirection() const { return vDirection_; }
  void SetVDirection(std::int32_t direction) { Assign(vDirection_, direction); }
  double GetMaxBlurScale() const { return maxBlurScale_; }
  void SetMaxBlurScale(double scale) { Assign(maxBlurScale_, scale); }
  double GetBlurBoostPower() const { return blurBoostPower_; }
  void SetBlurBoostPower(double power) { Assign(blurBoostPower_, power); }
  double GetMotionBoostPower() const { return motionBoostPower_; }
  void SetMotionBoostPower(double power) { Assign(motionBoostPower_, power); }

 private:
  std::int32_t hDirection_ = 1;
  std::int32_t vDirection_ = 0;
  double maxBlurScale_ = 0.05;
  double blurBoostPower_ = 1.0;
  double motionBoostPower_ = 2.0;
};

// The motion each slice runs.
enum class SliceBase : std::int32_t {
  Swish = 0,  // the swish (SettingsTransitionWhipe)
  Spin = 1    // the spin (SettingsTransitionModifiedMotionSpin)
};

// How the frame is cut.
enum class SlicesType : std::int32_t {
  Rings = 0,            // rings about the centre
  Horizontal = 1,       // horizontal bands, from the bottom
  Vertical = 2,         // vertical bands, from the left
  Slanted = 3,          // three slanted bands
  SlantedVertical = 4,  // three slanted bands, x and y exchanged
  Squares = 5,          // n x n squares numbered row by row
  SquaresColumns = 6,   // n x n squares numbered column by column
  Diagonal = 7,         // two triangles split along the rising diagonal
  AntiDiagonal = 8,     // two triangles split along the falling diagonal
  SquaresSpiral = 9,    // n x n squares numbered along an inward spiral
  SquaresSpiralColumns = 10
};

// The frame is cut into slices that each run the spin or the swish, one
// after the other.
class SettingsTransitionSlice final : public SettingsBase<SettingsTransitionSlice> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionSlice"};
  static constexpr std::string_view FAMILY = Family::kTransitionSpins;
  static constexpr std::string_view DESCRIPTION =
      "Cuts the frame into slices that spin or swish to the second clip one after the other";
  static constexpr std::array PRESETS{
      Preset{"swish", R"({})", "slices that swish in turn"},
      Preset{"spin-squares", R"({"baseTransitionType": 1, "slicesType": 3, "slicesCount": 12})",
             "spinning slices of another type"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionSlice;
    return std::make_tuple(
        Param("baseTransitionType", &S::baseTransitionType_, 0, 1, "0 swish, 1 spin"),
        Param("slicesDirectionRule", &S::slicesDirectionRule_, 0, 3,
              "0 every slice one way, 1 every slice the other way, 2 alternate slices "
              "opposite ways, 3 swish slices in four directions in turn"),
        Param("slicesType", &S::slicesType_, 0, 10,
              "0 rings, 1 horizontal bands, 2 vertical bands, 3 slanted bands, 4 slanted "
              "vertical bands, 5 squares by rows, 6 by columns, 7 rising diagonal halves, "
              "8 falling diagonal halves, 9 squares along a spiral, 10 spiral by columns"),
        Param("slicesCount", &S::slicesCount_, 1, 100000,
              "slices (square modes: the largest square number not above it, at least 4, at "
              "most 255 x 255; slanted: 3; diagonal: 2)"),
        Param("percentOfSlicesTimeShift", &S::percentOfSlicesTimeShift_, 0.0, 1.0,
              "share of the transition over which the slices' turns are spread: 0 all at once"),
        Param("slicesNumberingRule", &S::slicesNumberingRule_, 0, 1,
              "0 the first slice moves first, 1 the last"),
        Param("motionBoostPower", &S::motionBoostPower_, 0.1, 10.0,
              "how sharply each slice speeds up and slows down: 1 even"),
        Param("blurBoostPower", &S::blurBoostPower_, 0.1, 10.0,
              "how sharply the blur sets in: 1 linear over the first 40 %"),
        Param("maxBlurScale", &S::maxBlurScale_, 0.0, 1.0,
              "longest blur half way, as for the spin or the swish"));
  }

  SliceBase GetBaseTransitionType() const { return static_cast<SliceBase>(baseTransitionType_); }
  void SetBaseTransitionType(SliceBase base) {
    Assign(baseTransitionType_, static_cast<std::int32_t>(base));
  }
  std::int32_t GetSlicesDirectionRule() const { return slicesDirectionRule_; }
  void SetSlicesDirectionRule(std::int32_t rule) { Assign(slicesDirectionRule_, rule); }
  SlicesType GetSlicesType() const { return static_cast<SlicesType>(slicesType_); }
  void SetSlicesType(SlicesType type) { Assign(slicesType_, static_cast<std::int32_t>(type)); }
  std::int32_t GetSlicesCount() const { return slicesCount_; }
  void SetSlicesCount(std::int32_t count) { Assign(slicesCount_, count); }
  double GetPercentOfSlicesTimeShift() const { return percentOfSlicesTimeShift_; }
  void SetPercentOfSlicesTimeShift(double share) { Assign(percentOfSlicesTimeShift_, share); }
  std::int32_t GetSlicesNumberingRule() const { return slicesNumberingRule_; }
  void SetSlicesNumberingRule(std::int32_t rule) { Assign(slicesNumberingRule_, rule); }
  double GetMotionBoostPower() const { return motionBoostPower_; }
  void SetMotionBoostPower(double power) { Assign(motionBoostPower_, power); }
  double GetBlurBoostPower() const { return blurBoostPower_; }
  void SetBlurBoostPower(double power) { Assign(blurBoostPower_, power); }
  double GetMaxBlurScale() const { return maxBlurScale_; }
  void SetMaxBlurScale(double scale) { Assign(maxBlurScale_, scale); }

 private:
  std::int32_t baseTransitionType_ = 0;
  std::int32_t slicesDirectionRule_ = 2;
  std::int32_t slicesType_ = 1;
  std::int32_t slicesCount_ = 8;
  double percentOfSlicesTimeShift_ = 0.5;
  std::int32_t slicesNumberingRule_ = 0;
  double motionBoostPower_ = 2.0;
  double blurBoostPower_ = 1.0;
  double maxBlurScale_ = 0.05;
};

// The first picture spins away half a turn and the second, upside down at
// first, completes the turn; the spin is drawn as sub-frames accumulated by
// the motion blur.
class SettingsTransitionMotionSpin final : public SettingsBase<SettingsTransitionMotionSpin> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionMotionSpin"};
  static constexpr std::string_view FAMILY = Family::kTransitionSpins;
  static constexpr std::string_view DESCRIPTION =
      "Spins the first clip away and the second in, with the trails of the motion";
  static constexpr std::array PRESETS{Preset{"anticlockwise", R"({})", "spins with a trail"},
                                      Preset{"clockwise", R"({"direction": 1})", "clockwise"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionMotionSpin;
    return std::make_tuple(Param("direction", &S::direction_, 0, 1, "0 anticlockwise, 1 clockwise"),
                           Param("maxMotionBlurScale", &S::maxMotionBlurScale_, 0.0, 1.0,
                                 "weight the trail keeps half way: 0 no trail"));
  }

  std::int32_t GetDirection() const { return direction_; }
  void SetDirection(std::int32_t direction) { Assign(direction_, direction); }
  double GetMaxMotionBlurScale() const { return maxMotionBlurScale_; }
  void SetMaxMotionBlurScale(double scale) { Assign(maxMotionBlurScale_, scale); }

 private:
  std::int32_t direction_ = 0;
  double maxMotionBlurScale_ = 0.8;
};

}  // namespace Obrisk::Proc
