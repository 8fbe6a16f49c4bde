// Settings of the transitions that break the pictures into tiles, pieces or
// particles, and of those that zoom, pan or glitch between them: matrix,
// pixels, glitch, rage zoom, zoom blur, Ken Burns, mosaic, puzzle,
// disintegrate and pieces. Progress runs from 0 (the first input) to 1 (the
// second).
//
// The defaults are this library's choice: each shows its transition clearly
// in the gallery (a matrix of 20 cell rows switching over 0.6 of the
// duration, a zoom blur that dives in and comes out over a fifth of the
// duration, a Ken Burns zoom of 0.3 with a fade over 0.4 of the duration, a
// disintegration into 16 rows of cells). Types are stored as numbers and read
// by number; each says how a value outside its list draws.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include <glm/vec2.hpp>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// Every cell of a grid switches from the first clip to the second at its own
// random moment.
class SettingsTransitionMatrix final : public SettingsBase<SettingsTransitionMatrix> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionMatrix"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "Cells of a grid switch to the second clip one by one, in random order";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "cells switching at random"},
      Preset{"fine-soft", R"({"density": 12, "softness": 10})", "finer cells, soft"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionMatrix;
    return std::make_tuple(
        Param("density", &S::density_, 1, 40, "cell rows: 5 x density, square cells"),
        Param("softness", &S::softness_, 0, 20,
              "how long each cell takes to switch: (softness + 1) / 5 of the duration"));
  }

  std::int32_t GetDensity() const { return density_; }
  void SetDensity(std::int32_t density) { Assign(density_, density); }
  std::int32_t GetSoftness() const { return softness_; }
  void SetSoftness(std::int32_t softness) { Assign(softness_, softness); }

 private:
  std::int32_t density_ = 4;
  std::int32_t softness_ = 2;
};

enum class PixelsType : std::int32_t {
  Scatter = 0,  // the second clip's pixels fly in scattered and settle
  Sweep = 1     // random pixels of the first clip linger at the sides
};

class SettingsTransitionPixels final : public SettingsBase<SettingsTransitionPixels> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionPixels"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "The second clip's pixels fly in scattered, or the first clip's pixels linger and vanish";
  static constexpr std::array PRESETS{
      Preset{"scatter", R"({})", "scattered pixels settle"},
      Preset{"sides", R"({"type": 1})", "lingering pixels at the sides"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("type", &SettingsTransitionPixels::type_, 0, 1,
                                 "0 scattered pixels settle, 1 lingering pixels at the sides"));
  }

  PixelsType GetType() const { return static_cast<PixelsType>(type_); }
  void SetType(PixelsType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t type_ = 0;
};

enum class GlitchType : std::int32_t {
  Pixel = 0,      // pixelation peaking half way
  Grayscale = 1,  // the pictures displace each other and pass through grey
  Mpeg = 2,       // a damaged compressed stream with a hard swap half way
  Vhs = 3         // a rolling tape picture, grey around the midpoint
};

class SettingsTransitionGlitch final : public SettingsBase<SettingsTransitionGlitch> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionGlitch"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "Passes to the second clip through a digital or tape glitch";
  static constexpr std::array PRESETS{
      Preset{"pixelation", R"({})", "pixelation"},
      Preset{"grey-displacement", R"({"type": 1})", "grey displacement"},
      Preset{"broken-stream", R"({"type": 2})", "broken stream"},
      Preset{"tape", R"({"type": 3})", "tape"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("type", &SettingsTransitionGlitch::type_, 0, 3,
                                 "0 pixelation, 1 grey displacement, 2 broken stream, 3 tape"));
  }

  GlitchType GetType() const { return static_cast<GlitchType>(type_); }
  void SetType(GlitchType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t type_ = 0;
};

enum class RageZoomType : std::int32_t {
  DiveIn = 0,   // the first clip is zoomed into its centre
  PullBack = 1  // the first clip shrinks over mirrored copies of itself
};

// The first clip zooms, motion-blurred, until the cut to the second half way.
class SettingsTransitionRageZoom final : public SettingsBase<SettingsTransitionRageZoom> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionRageZoom"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "The first clip zooms wildly, motion-blurred, and cuts to the second half way";
  static constexpr std::array PRESETS{
      Preset{"dive", R"({})", "dives into the centre"},
      Preset{"pull-back", R"({"type": 1})", "pulls back over mirrored copies"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("type", &SettingsTransitionRageZoom::type_, 0, 1,
                                 "0 dives into the centre, 1 pulls back over mirrored copies "
                                 "(any value but 0 pulls back)"));
  }

  RageZoomType GetType() const { return static_cast<RageZoomType>(type_); }
  void SetType(RageZoomType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t type_ = 0;
};

// Which way each clip moves: the first clip's zoom sign, then the second's
// (positive zooms in towards the centre, negative zooms out over mirrored
// copies).
enum class ZoomBlurType : std::int32_t {
  InThenOut = 0,  // first zooms in, second comes out of a zoom out
  OutThenIn = 1,
  InThenIn = 2,
  OutThenOut = 3
};

class SettingsTransitionZoomBlur final : public SettingsBase<SettingsTransitionZoomBlur> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionZoomBlur"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "The first clip zooms away blurred along the zoom, the second recovers from a zoom";
  static constexpr std::array PRESETS{
      Preset{"in-out", R"({})", "first zooms in, second out"},
      Preset{"both-in", R"({"type": 2, "blur": 6})", "both zoom in, longer blur"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionZoomBlur;
    return std::make_tuple(
        Param("type", &S::type_, 0, 3,
              "0 first in, second out; 1 first out, second in; 2 both in; 3 both out"),
        Param("zoom", &S::zoom_, 0.0, 1.0,
              "largest zoom: 1 gathers the whole picture into its centre"),
        Param("blur", &S::blur_, 0.0, 20.0, "length of the blur along the zoom"),
        Param("power", &S::power_, 0.1, 10.0, "how the zoom grows: 1 evenly, larger late"),
        Param("overlap", &S::overlap_, 0.0, 1.0,
              "share of the duration around the midpoint in which the clips mix"));
  }

  ZoomBlurType GetType() const { return static_cast<ZoomBlurType>(type_); }
  void SetType(ZoomBlurType type) { Assign(type_, static_cast<std::int32_t>(type)); }
  float GetZoom() const { return zoom_; }
  void SetZoom(float zoom) { Assign(zoom_, zoom); }
  float GetBlur() const { return blur_; }
  void SetBlur(float blur) { Assign(blur_, blur); }
  float GetPower() const { return power_; }
  void SetPower(float power) { Assign(power_, power); }
  float GetOverlap() const { return overlap_; }
  void SetOverlap(float overlap) { Assign(overlap_, overlap); }

 private:
  std::int32_t type_ = 0;
  float zoom_ = 0.8f;
  float blur_ = 2.0f;
  float power_ = 2.0f;
  float overlap_ = 0.2f;
};

// Where the four corners of a picture go at full zoom, in clip units (the
// frame runs from -1 to 1, y up), in the order bottom-left, bottom-right,
// top-right, top-left.
struct DirMat {
  std::array<glm::dvec2, 4> corners;
};

// A slow zoom and pan across both clips, with a fade or a cut between them.
class SettingsTransitionKenBurns final : public SettingsBase<SettingsTransitionKenBurns> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionKenBurns"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "Both clips drift by a slow zoom and pan; the first fades or cuts to the second";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "drift and zoom"},
      Preset{"zoom-in",
             R"({"zoom": 0.5, "bottomLeftX": -1, "bottomLeftY": -1, "bottomRightX": 1, )"
             R"("bottomRightY": -1, "topRightX": 1, "topRightY": 1, "topLeftX": -1, )"
             R"("topLeftY": 1})",
             "corners spread: a zoom in"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionKenBurns;
    return std::make_tuple(
        Param("zoom", &S::zoom_, 0.0, 2.0, "how far the corners move over the whole transition"),
        Param("fade", &S::fade_, 0.0, 1.0,
              "share of the duration around the midpoint in which the clips mix; 0 cuts"),
        Param("bottomLeftX", &S::bottomLeftX_, -2.0, 2.0,
              "where the bottom-left corner moves, across (clip units, right positive)"),
        Param("bottomLeftY", &S::bottomLeftY_, -2.0, 2.0,
              "where the bottom-left corner moves, up (clip units)"),
        Param("bottomRightX", &S::bottomRightX_, -2.0, 2.0, "bottom-right corner, across"),
        Param("bottomRightY", &S::bottomRightY_, -2.0, 2.0, "bottom-right corner, up"),
        Param("topRightX", &S::topRightX_, -2.0, 2.0, "top-right corner, across"),
        Param("topRightY", &S::topRightY_, -2.0, 2.0, "top-right corner, up"),
        Param("topLeftX", &S::topLeftX_, -2.0, 2.0, "top-left corner, across"),
        Param("topLeftY", &S::topLeftY_, -2.0, 2.0, "top-left corner, up"));
  }

  float GetZoom() const { return zoom_; }
  void SetZoom(float zoom) { Assign(zoom_, zoom); }
  float GetFade() const { return fade_; }
  void SetFade(float fade) { Assign(fade_, fade); }
  DirMat GetDirection() const {
    return {{{{bottomLeftX_, bottomLeftY_},
              {bottomRightX_, bottomRightY_},
              {topRightX_, topRightY_},
              {topLeftX_, topLeftY_}}}};
  }
  void SetDirection(const DirMat& direction) {
    Update([&](auto& s) {
      s.bottomLeftX_ = direction.corners[0].x;
      s.bottomLeftY_ = direction.corners[0].y;
      s.bottomRightX_ = direction.corners[1].x;
      s.bottomRightY_ = direction.corners[1].y;
      s.topRightX_ = direction.corners[2].x;
      s.topRightY_ = direction.corners[2].y;
      s.topLeftX_ = direction.corners[3].x;
      s.topLeftY_ = direction.corners[3].y;
    });
  }

 private:
  float zoom_ = 0.3f;
  float fade_ = 0.4f;
  // A zoom towards the top-right: the corners spread, the right side less.
  double bottomLeftX_ = -1.5;
  double bottomLeftY_ = -1.5;
  double bottomRightX_ = 0.5;
  double bottomRightY_ = -1.5;
  double topRightX_ = 0.5;
  double topRightY_ = 0.5;
  double topLeftX_ = -1.5;
  double topLeftY_ = 0.5;
};

// 24 tiles turn over one by one, from the first clip to the second.
class SettingsTransitionMosaic final : public SettingsBase<SettingsTransitionMosaic> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionMosaic"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "24 tiles turn over at random moments, showing the second clip on their backs";
  static constexpr auto Fields() { return std::tuple<>(); }
};

enum class PuzzleType : std::int32_t {
  ThreeRows = 0,     // three horizontal strips drop in from the top
  ThreeColumns = 1,  // three vertical strips slide in from the right
  FourQuarters = 2,  // four quarters come in from the four sides in turn
  FiveColumns = 3    // five columns rise and drop in alternately
};

class SettingsTransitionPuzzle final : public SettingsBase<SettingsTransitionPuzzle> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionPuzzle"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "Pieces of the second clip arrive one after another and assemble over the first";
  static constexpr std::array PRESETS{Preset{"rows", R"({})", "three rows"},
                                      Preset{"quarters", R"({"type": 2})", "four quarters"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("type", &SettingsTransitionPuzzle::type_, 0, 3,
                                 "0 three rows, 1 three columns, 2 four quarters, 3 five columns "
                                 "(any larger value five columns)"));
  }

  PuzzleType GetType() const { return static_cast<PuzzleType>(type_); }
  void SetType(PuzzleType type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t type_ = 0;
};

class SettingsTransitionDisintegrate final : public SettingsBase<SettingsTransitionDisintegrate> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionDisintegrate"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "The first clip breaks into cells that fly apart and shrink, showing the second";
  static constexpr std::array PRESETS{Preset{"default", R"({})", "falls apart in 8"},
                                      Preset{"fine", R"({"num": 30})", "in 30"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("num", &SettingsTransitionDisintegrate::num_, 1, 100,
                                 "half the number of cell rows (of columns when the picture "
                                 "is taller than wide)"));
  }

  std::int32_t GetNum() const { return num_; }
  void SetNum(std::int32_t num) { Assign(num_, num); }

 private:
  std::int32_t num_ = 8;
};

// The eight outer pieces of a 3 x 3 grid of the second clip slide in from
// the edges around the centre piece.
class SettingsTransitionPieces final : public SettingsBase<SettingsTransitionPieces> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionPieces"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "The second clip's outer pieces slide in from the edges around its centre";
  static constexpr auto Fields() { return std::tuple<>(); }
};

// The picture's three bands slide at their own speeds through a lens and a
// motion blur, and the first clip gives way to the second half way.
class SettingsTransitionParallax final : public SettingsBase<SettingsTransitionParallax> {
 public:
  inline static const std::string CLASS_ID{"SettingsTransitionParallax"};
  static constexpr std::string_view FAMILY = Family::kTransitionTiles;
  static constexpr std::string_view DESCRIPTION =
      "The picture's bands slide at their own speeds through a bulging lens and a blur, "
      "into the second clip";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "bands at three speeds"},
      Preset{"cropped", R"({"cropUpper": true, "cropLower": true, "maxLensDistortion": 0.6})",
             "cropped bands, more distortion"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionParallax;
    return std::make_tuple(
        Param("speedUpper", &S::speedUpper_, -2.0, 2.0,
              "how far the top third slides up, in picture heights, times 2 at the midpoint"),
        Param("speedMiddle", &S::speedMiddle_, -2.0, 2.0, "the same for the middle third"),
        Param("speedLower", &S::speedLower_, -2.0, 2.0, "the same for the bottom third"),
        Param("cropUpper", &S::cropUpper_, "the top third shows only its own rows"),
        Param("cropLower", &S::cropLower_, "the bottom third shows only its own rows"),
        Param("maxMotionBlurScale", &S::maxMotionBlurScale_, 0.0, 1.0,
              "motion blur weight of past frames at the midpoint"),
        Param("maxLensZoom", &S::maxLensZoom_, -1.0, 1.0, "lens zoom at the midpoint"),
        Param("maxLensDistortion", &S::maxLensDistortion_, -1.0, 1.0,
              "lens distortion at the midpoint: positive bulges, negative pinches"));
  }

  // Upper, middle and lower band.
  std::array<double, 3> GetSpeed() const { return {speedUpper_, speedMiddle_, speedLower_}; }
  void SetSpeed(double upper, double middle, double lower) {
    Update([&](auto& s) {
      s.speedUpper_ = upper;
      s.speedMiddle_ = middle;
      s.speedLower_ = lower;
    });
  }
  // Upper, lower band.
  std::pair<bool, bool> GetCrop() const { return {cropUpper_, cropLower_}; }
  void SetCrop(bool upper, bool lower) {
    Update([&](auto& s) {
      s.cropUpper_ = upper;
      s.cropLower_ = lower;
    });
  }
  double GetMaxMotionBlurScale() const { return maxMotionBlurScale_; }
  void SetMaxMotionBlurScale(double scale) { Assign(maxMotionBlurScale_, scale); }
  double GetMaxLensZoom() const { return maxLensZoom_; }
  void SetMaxLensZoom(double zoom) { Assign(maxLensZoom_, zoom); }
  double GetMaxLensDistortion() const { return maxLensDistortion_; }
  void SetMaxLensDistortion(double distortion) { Assign(maxLensDistortion_, distortion); }

 private:
  double speedUpper_ = 0.6;
  double speedMiddle_ = 0.3;
  double speedLower_ = 0.9;
  bool cropUpper_ = false;
  bool cropLower_ = false;
  double maxMotionBlurScale_ = 0.6;
  double maxLensZoom_ = 0.3;
  double maxLensDistortion_ = 0.3;
};

}  // namespace Obrisk::Proc
