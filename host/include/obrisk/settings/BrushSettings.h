// Settings of the brush-stroke transition and of the colour brush that
// paints a picture in with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// Brush strokes across the picture paint the second picture over the first.
class SettingsTransitionWaterbrush final : public SettingsBase<SettingsTransitionWaterbrush> {
 public:
  enum Type : std::int32_t {
    kLongStrokes = 0,  // slow strokes drawn from their far end, already under way at the start
    kQuickStrokes = 1  // quick strokes drawn from their near end, from the first frame to the last
  };
  inline static const std::string CLASS_ID{"SettingsTransitionWaterbrush"};
  static constexpr std::string_view FAMILY = Family::kTransitionDistortions;
  static constexpr std::string_view DESCRIPTION =
      "Brush strokes paint the second picture over the first";
  static constexpr std::array PRESETS{
      Preset{"quick-strokes", R"({})", "quick strokes"},
      Preset{"long-strokes", R"({"type": 0, "angle": 0, "size": 20})", "long horizontal strokes"}};
  static constexpr auto Fields() {
    using S = SettingsTransitionWaterbrush;
    return std::make_tuple(
        Param("angle", &S::angle_, 0.0, 360.0, "direction of the strokes in degrees"),
        Param("size", &S::size_, 1.0, 50.0,
              "stroke width in percent of the picture's shorter side"),
        Param("rough", &S::rough_, 0.0, 100.0,
              "roughness in percent: ragged stroke ends and uneven paint"),
        Param("type", &S::type_, 0.0, 1.0,
              "0: long strokes drawn from their far end, already under way at the start and "
              "not quite done at the end; 1: quick strokes, first picture to second"));
  }

  std::int32_t GetAngle() const { return angle_; }
  std::int32_t GetSize() const { return size_; }
  std::int32_t GetRough() const { return rough_; }
  Type GetType() const { return static_cast<Type>(type_); }
  void SetAngle(std::int32_t degrees) { Assign(angle_, degrees); }
  void SetSize(std::int32_t size) { Assign(size_, size); }
  void SetRough(std::int32_t rough) { Assign(rough_, rough); }
  void SetType(Type type) { Assign(type_, static_cast<std::int32_t>(type)); }

 private:
  std::int32_t angle_ = 80;
  std::int32_t size_ = 8;
  std::int32_t rough_ = 40;
  std::int32_t type_ = kQuickStrokes;
};

// The picture painted in with brush strokes over a sketch of itself, as the
// effect's progress runs from 0 to 1.
class SettingsEffectColorBrush final : public SettingsBase<SettingsEffectColorBrush> {
 public:
  enum Mode : std::int32_t {
    kPencil = 0,  // the sketch is the picture's edges, dark on white
    kGrey = 1     // the sketch is the picture mostly grey
  };
  inline static const std::string CLASS_ID{"SettingsEffectColorBrush"};
  static constexpr std::string_view FAMILY = Family::kKeying;
  static constexpr std::string_view DESCRIPTION =
      "Paints the picture in colour with brush strokes over a sketch of it, with the progress";
  static constexpr std::array PRESETS{
      Preset{"pencil", R"({})", "painted in over a pencil sketch as the progress runs"},
      Preset{"grey", R"({"mode": 1, "angle": 30, "size": 16})",
             "over a grey picture, wide strokes"}};
  static constexpr auto Fields() {
    using S = SettingsEffectColorBrush;
    return std::make_tuple(
        Param("angle", &S::angle_, 0.0, 360.0, "direction of the strokes in degrees"),
        Param("size", &S::size_, 1.0, 50.0,
              "stroke width in percent of the picture's shorter side"),
        Param("roughness", &S::roughness_, 0.0, 100.0,
              "roughness in percent: ragged stroke ends and uneven paint"),
        Param("mode", &S::mode_, 0.0, 1.0,
              "the sketch: 0 the edges, dark on white; 1 the picture three quarters grey"),
        Param("intensity", &S::intensity_, 0.0, 1.0,
              "share of the effect: 0 leaves the picture unchanged"));
  }

  std::int32_t GetAngle() const { return angle_; }
  std::int32_t GetSize() const { return size_; }
  std::int32_t GetRoughness() const { return roughness_; }
  Mode GetMode() const { return static_cast<Mode>(mode_); }
  float GetIntensity() const { return intensity_; }
  void SetStrokes(std::int32_t angle, std::int32_t size, std::int32_t roughness) {
    Update([&](auto& s) {
      std::tie(s.angle_, s.size_, s.roughness_) = std::tie(angle, size, roughness);
    });
  }
  void SetMode(Mode mode) { Assign(mode_, static_cast<std::int32_t>(mode)); }
  void SetIntensity(float intensity) { Assign(intensity_, intensity); }
  bool IsEmpty() const override { return intensity_ == 0.0f; }

 private:
  std::int32_t angle_ = 80;
  std::int32_t size_ = 8;
  std::int32_t roughness_ = 40;
  std::int32_t mode_ = kPencil;
  float intensity_ = 1.0f;
};

}  // namespace Obrisk::Proc
