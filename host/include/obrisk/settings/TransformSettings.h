// Settings of the transform and framing effects: the keyframed transform,
// quarter turns, mirrors, a file's display orientation, crop, the
// vertical-video fixer and the sub-frame copy.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "obrisk/effectcommon/CommonEffectTransform.h"
#include "obrisk/host/Media.h"
#include "obrisk/host/Settings.h"

namespace Obrisk::Proc {

// The camera's vertical field of view, in degrees, unless a class sets one.
inline constexpr double kDefaultFieldOfView = 40.0;

// The placement at one progress and how the values move on to the next
// keyframe. Before the first and after the last keyframe the nearest holds.
struct TransformKeyframe {
  enum Easing : std::int32_t { kLinear = 0, kEaseIn = 1, kEaseOut = 2, kEaseInOut = 3 };

  double progress = 0.0;
  double positionX = 0.5;
  double positionY = 0.5;
  double scaleX = 1.0;
  double scaleY = 1.0;
  double rotationX = 0.0;
  double rotationY = 0.0;
  double rotationZ = 0.0;
  double anchorX = 0.5;
  double anchorY = 0.5;
  double opacity = 1.0;
  std::int32_t easing = kLinear;

  bool operator==(const TransformKeyframe&) const = default;
  TransformPlacement Placement() const;

  static constexpr auto Fields() {
    using K = TransformKeyframe;
    return std::make_tuple(
        Param("progress", &K::progress, 0.0, 1.0, "where the keyframe lies in the effect"),
        Param("positionX", &K::positionX, -4.0, 5.0,
              "where the anchor lands, fraction of the frame width from the left"),
        Param("positionY", &K::positionY, -4.0, 5.0,
              "where the anchor lands, fraction of the frame height from the top"),
        Param("scaleX", &K::scaleX, -16.0, 16.0, "horizontal scale; negative mirrors"),
        Param("scaleY", &K::scaleY, -16.0, 16.0, "vertical scale; negative mirrors"),
        Param("rotationX", &K::rotationX, -3600.0, 3600.0,
              "tilt in degrees: the top edge away from the viewer"),
        Param("rotationY", &K::rotationY, -3600.0, 3600.0,
              "swing in degrees: the right edge away from the viewer"),
        Param("rotationZ", &K::rotationZ, -3600.0, 3600.0, "turn in degrees, clockwise as seen"),
        Param("anchorX", &K::anchorX, -4.0, 5.0,
              "the picture's point that turns and scales stay on, fraction of its width"),
        Param("anchorY", &K::anchorY, -4.0, 5.0,
              "the picture's point that turns and scales stay on, fraction of its height"),
        Param("opacity", &K::opacity, 0.0, 1.0, "0 transparent, 1 opaque"),
        Param("easing", &K::easing, 0.0, 3.0,
              "towards the next keyframe: 0 linear, 1 ease in, 2 ease out, 3 ease in and out"));
  }
};

// The keyframed transform of a video editor.
class SettingsEffectTransform final : public SettingsBase<SettingsEffectTransform>,
                                      public ITransformSettings {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectTransform"};
  static constexpr std::string_view FAMILY = Family::kTransform;
  static constexpr std::string_view DESCRIPTION =
      "Moves, scales and turns the picture in 2-D and 3-D, keyframed over the effect";
  static constexpr std::array PRESETS{
      Preset{"spin-in",
             R"({"keyframes": [{"progress": 0, "scaleX": 0.2, "scaleY": 0.2, "rotationZ": )"
             R"(-180, "easing": 3}, {"progress": 1, "scaleX": 1, "scaleY": 1, "rotationZ": )"
             R"(0}]})",
             "grows from small while turning"},
      Preset{"tilt",
             R"({"keyframes": [{"progress": 0, "rotationX": 0, "easing": 3}, {"progress": 1, )"
             R"("rotationX": 40, "rotationY": 20, "scaleX": 0.8, "scaleY": 0.8}]})",
             "tilts away in space"}};
  static constexpr auto Fields() {
    using S = SettingsEffectTransform;
    return std::make_tuple(
        Param("frameSize", &S::frameSize_, 0.0, 1.0,
              "output frame: 0 the source's size, 1 fitted around the picture at every keyframe"),
        Param("fieldOfView", &S::fieldOfView_, 1.0, 170.0,
              "camera's vertical field of view in degrees: smaller flattens tilts and swings"));
  }

  void SetFrameSize(TransformFrameSize size) {
    Assign(frameSize_, static_cast<std::int32_t>(size));
  }
  void SetFieldOfView(double degrees) { Assign(fieldOfView_, degrees); }
  const std::vector<TransformKeyframe>& GetKeyframes() const { return keyframes_; }
  // Throws std::invalid_argument or std::out_of_range for keyframes that fail
  // the checks of Deserialize; the keyframes are unchanged then.
  void SetKeyframes(std::vector<TransformKeyframe> keyframes);

  TransformPlacement PlacementAt(double progress) const override;
  std::vector<TransformPlacement> KeyPlacements() const override;
  TransformFrameSize GetFrameSize() const override {
    return static_cast<TransformFrameSize>(frameSize_);
  }
  double GetFieldOfView() const override { return fieldOfView_; }

  bool IsEqualTo(const Settings& other) const override;
  // True when every keyframe leaves the picture where it is.
  bool IsEmpty() const override;
  // Besides the fields, "keyframes": a list (or its JSON text) of
  // TransformKeyframe fields, at least one, in strictly increasing progress.
  void Deserialize(const Property& property) override;
  Property Serialize() const override;
  const std::vector<ParameterInfo>& GetParameters() const override;

 private:
  std::int32_t frameSize_ = static_cast<std::int32_t>(TransformFrameSize::kKeepSource);
  double fieldOfView_ = kDefaultFieldOfView;
  std::vector<TransformKeyframe> keyframes_ = DefaultKeyframes();

  static std::vector<TransformKeyframe> DefaultKeyframes();
};

// A placement that does not move: one linear map of the picture plane, in a
// frame fitted around the result.
class FixedOrientation : public ITransformSettings {
 public:
  TransformPlacement PlacementAt(double progress) const override;
  std::vector<TransformPlacement> KeyPlacements() const override { return {PlacementAt(0.0)}; }
  TransformFrameSize GetFrameSize() const override { return TransformFrameSize::kFitBounds; }
  double GetFieldOfView() const override { return kDefaultFieldOfView; }

 protected:
  ~FixedOrientation() = default;
  // (a, b, c, d) as TransformPlacement::planeMap has it.
  virtual std::array<double, 4> PlaneMap() const = 0;
};

// Quarter turns and the mirrors across the diagonals.
class SettingsEffectTranspose final : public SettingsBase<SettingsEffectTranspose>,
                                      public FixedOrientation {
 public:
  enum Mode : std::int32_t {
    kTranspose = 0,  // mirrored across the diagonal from the top-left corner
    kClockwise = 1,  // a quarter turn clockwise
    kCounterClockwise = 2,
    kAntiTranspose = 3  // mirrored across the diagonal from the top-right corner
  };

  inline static const std::string CLASS_ID{"SettingsEffectTranspose"};
  static constexpr std::string_view FAMILY = Family::kTransform;
  static constexpr std::string_view DESCRIPTION =
      "Turns the picture by a quarter or mirrors it across a diagonal";
  static constexpr std::array PRESETS{Preset{"clockwise", R"({})", "a quarter turn clockwise"},
                                      Preset{"mode-0", R"({"mode": 0})", "mode 0"},
                                      Preset{"mode-3", R"({"mode": 3})", "mode 3"}};
  static constexpr auto Fields() {
    return std::make_tuple(Param("mode", &SettingsEffectTranspose::mode_, 0.0, 3.0,
                                 "0 mirror across the top-left diagonal, 1 quarter turn "
                                 "clockwise, 2 counter-clockwise, 3 mirror across the other "
                                 "diagonal"));
  }

  std::int32_t GetMode() const { return mode_; }
  void SetMode(std::int32_t mode) { Assign(mode_, mode); }

 protected:
  std::array<double, 4> PlaneMap() const override;

 private:
  std::int32_t mode_ = kClockwise;
};

// Mirrors left to right, top to bottom or both.
class SettingsEffectFlip final : public SettingsBase<SettingsEffectFlip>, public FixedOrientation {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectFlip"};
  static constexpr std::string_view FAMILY = Family::kTransform;
  static constexpr std::string_view DESCRIPTION =
      "Mirrors the picture left to right or upside down";
  static constexpr std::array PRESETS{
      Preset{"horizontal", R"({})", "mirrored left to right"},
      Preset{"vertical", R"({"horizontal": false, "vertical": true})", "upside down"}};
  static constexpr auto Fields() {
    using S = SettingsEffectFlip;
    return std::make_tuple(Param("horizontal", &S::horizontal_, "mirror left to right"),
                           Param("vertical", &S::vertical_, "mirror top to bottom"));
  }

  bool GetHorizontal() const { return horizontal_; }
  void SetHorizontal(bool flip) { Assign(horizontal_, flip); }
  bool GetVertical() const { return vertical_; }
  void SetVertical(bool flip) { Assign(vertical_, flip); }
  bool IsEmpty() const override { return !horizontal_ && !vertical_; }

 protected:
  std::array<double, 4> PlaneMap() const override;

 private:
  bool horizontal_ = true;
  bool vertical_ = false;
};

// Shows the picture upright by the display matrix a video file carries: its
// rotation and mirror part (a b; c d), which takes the stored pixel (x, y),
// y downwards, to (a x + c y, b x + d y) on the display. Only the shape of the
// map counts; the picture keeps its area and the frame fits around it.
class SettingsEffectDisplayMatrix final : public SettingsBase<SettingsEffectDisplayMatrix>,
                                          public FixedOrientation {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectDisplayMatrix"};
  static constexpr std::string_view FAMILY = Family::kTransform;
  static constexpr std::string_view DESCRIPTION =
      "Shows the picture upright by a video file's display matrix";
  static constexpr std::array PRESETS{
      Preset{"quarter-turn", R"({})", "a quarter turn"},
      Preset{"half-turn", R"({"a": -1, "b": 0, "c": 0, "d": -1})", "a half turn"}};
  // Turns and mirrors have entries of -1 to 1; scaled matrices can be
  // divided by their largest entry, since only the shape counts.
  static constexpr double kLimit = 1.0;
  static constexpr auto Fields() {
    using S = SettingsEffectDisplayMatrix;
    return std::make_tuple(Param("a", &S::a_, -kLimit, kLimit, "matrix row 1, column 1"),
                           Param("b", &S::b_, -kLimit, kLimit, "matrix row 1, column 2"),
                           Param("c", &S::c_, -kLimit, kLimit, "matrix row 2, column 1"),
                           Param("d", &S::d_, -kLimit, kLimit, "matrix row 2, column 2"));
  }

  // (a, b, c, d).
  std::array<double, 4> GetMatrix() const { return {a_, b_, c_, d_}; }
  // Throws std::invalid_argument for a singular matrix.
  void SetMatrix(const std::array<double, 4>& matrix);
  // The matrix of a turn by `degrees` clockwise, mirrored left to right first
  // when `mirror` is set.
  static std::array<double, 4> Rotation(double degrees, bool mirror);

  bool IsEmpty() const override;
  // Also throws std::invalid_argument for a singular matrix.
  void Deserialize(const Property& property) override;

 protected:
  std::array<double, 4> PlaneMap() const override { return GetMatrix(); }

 private:
  double a_ = 0.0;
  double b_ = 1.0;
  double c_ = -1.0;
  double d_ = 0.0;
};

// Cuts margins off the picture.
class SettingsEffectCrop final : public SettingsBase<SettingsEffectCrop> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectCrop"};
  static constexpr std::string_view FAMILY = Family::kTransform;
  static constexpr std::string_view DESCRIPTION = "Cuts margins off the picture";
  static constexpr std::array PRESETS{Preset{"margins",
                                             R"({"left": 16, "top": 8, "right": 16, "bottom": 8})",
                                             "16 pixels off the sides, 8 off top and bottom"}};
  static constexpr double kMaxMargin = 65536.0;
  static constexpr auto Fields() {
    using S = SettingsEffectCrop;
    return std::make_tuple(
        Param("left", &S::left_, 0.0, kMaxMargin, "pixels cut off the left"),
        Param("top", &S::top_, 0.0, kMaxMargin, "pixels cut off the top"),
        Param("right", &S::right_, 0.0, kMaxMargin, "pixels cut off the right"),
        Param("bottom", &S::bottom_, 0.0, kMaxMargin, "pixels cut off the bottom"));
  }

  std::int32_t GetLeft() const { return left_; }
  std::int32_t GetTop() const { return top_; }
  void SetMargins(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    Update([&](auto& s) {
      std::tie(s.left_, s.top_, s.right_, s.bottom_) = std::tuple(left, top, right, bottom);
    });
  }
  // The left and top offsets that apply to `source`: margins that would
  // leave less than a pixel are reduced so that one column or row remains.
  std::array<std::int32_t, 2> GetOffsets(const FrameInfo& source) const;
  // The frame that remains of `source`, at least one pixel each way.
  FrameInfo GetOutputFrame(const FrameInfo& source) const;
  bool IsEmpty() const override { return left_ == 0 && top_ == 0 && right_ == 0 && bottom_ == 0; }

 private:
  std::int32_t left_ = 32;
  std::int32_t top_ = 32;
  std::int32_t right_ = 32;
  std::int32_t bottom_ = 32;
};

// Puts a picture of another shape into a frame: fitted in the middle over a
// blurred, zoomed copy of its outer strips.
class SettingsEffectFixVertVideo final : public SettingsBase<SettingsEffectFixVertVideo> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectFixVertVideo"};
  static constexpr std::string_view FAMILY = Family::kTransform;
  static constexpr std::string_view DESCRIPTION =
      "Fits the picture into a frame of another shape over a blurred copy of its edges";
  static constexpr std::array PRESETS{
      Preset{"to-square", R"({"width": 256, "height": 256})",
             "into a square frame over blurred edges"},
      Preset{"to-upright", R"({"width": 144, "height": 256})", "into an upright frame"}};
  static constexpr double kMaxSide = 16384.0;
  static constexpr auto Fields() {
    using S = SettingsEffectFixVertVideo;
    return std::make_tuple(
        Param("width", &S::width_, 1.0, kMaxSide, "output frame width in pixels"),
        Param("height", &S::height_, 1.0, kMaxSide, "output frame height in pixels"),
        Param("pixelAspectNum", &S::pixelAspectNum_, 1.0, kMaxSide,
              "output pixel aspect, numerator"),
        Param("pixelAspectDen", &S::pixelAspectDen_, 1.0, kMaxSide,
              "output pixel aspect, denominator"));
  }

  FrameInfo GetFrameInfo() const { return {width_, height_, pixelAspectNum_, pixelAspectDen_}; }
  void SetFrameInfo(const FrameInfo& info) {
    Update([&](auto& s) {
      std::tie(s.width_, s.height_, s.pixelAspectNum_, s.pixelAspectDen_) =
          std::tuple(info.width, info.height, info.pixelAspectNum, info.pixelAspectDen);
    });
  }

 private:
  std::int32_t width_ = 1920;
  std::int32_t height_ = 1080;
  std::int32_t pixelAspectNum_ = 1;
  std::int32_t pixelAspectDen_ = 1;
};

// A rectangle in fractions of a frame: left x0, top y0, right x1, bottom y1,
// measured from the top-left corner.
struct Rectangle {
  double x0 = 0.0;
  double y0 = 0.0;
  double x1 = 1.0;
  double y1 = 1.0;

  bool operator==(const Rectangle&) const = default;
};

// Copies one rectangle of the picture onto another of a transparent frame.
class SettingsEffectSubFrame final : public SettingsBase<SettingsEffectSubFrame> {
 public:
  inline static const std::string CLASS_ID{"SettingsEffectSubFrame"};
  static constexpr std::string_view FAMILY = Family::kTransform;
  static constexpr std::string_view DESCRIPTION =
      "Copies a rectangle of the picture onto a rectangle of a transparent frame";
  static constexpr std::array PRESETS{
      Preset{"default", R"({})", "the default sub-frame"},
      Preset{"corner-zoom",
             R"({"sourceLeft": 0, "sourceTop": 0, "sourceRight": 0.5, "sourceBottom": 0.5})",
             "the top-left quarter"}};
  static constexpr auto Fields() {
    using S = SettingsEffectSubFrame;
    return std::make_tuple(
        Param("sourceLeft", &S::source_x0_, 0.0, 1.0, "source rectangle, left, fraction"),
        Param("sourceTop", &S::source_y0_, 0.0, 1.0, "source rectangle, top, fraction"),
        Param("sourceRight", &S::source_x1_, 0.0, 1.0, "source rectangle, right, fraction"),
        Param("sourceBottom", &S::source_y1_, 0.0, 1.0, "source rectangle, bottom, fraction"),
        Param("outputLeft", &S::output_x0_, -1.0, 2.0, "output rectangle, left, fraction"),
        Param("outputTop", &S::output_y0_, -1.0, 2.0, "output rectangle, top, fraction"),
        Param("outputRight", &S::output_x1_, -1.0, 2.0, "output rectangle, right, fraction"),
        Param("outputBottom", &S::output_y1_, -1.0, 2.0, "output rectangle, bottom, fraction"));
  }

  Rectangle GetSourceRect() const { return {source_x0_, source_y0_, source_x1_, source_y1_}; }
  Rectangle GetOutputRect() const { return {output_x0_, output_y0_, output_x1_, output_y1_}; }
  void SetSourceRect(const Rectangle& r) {
    Update([&](auto& s) {
      std::tie(s.source_x0_, s.source_y0_, s.source_x1_, s.source_y1_) =
          std::tuple(r.x0, r.y0, r.x1, r.y1);
    });
  }
  void SetOutputRect(const Rectangle& r) {
    Update([&](auto& s) {
      std::tie(s.output_x0_, s.output_y0_, s.output_x1_, s.output_y1_) =
          std::tuple(r.x0, r.y0, r.x1, r.y1);
    });
  }

 private:
  double source_x0_ = 0.0;
  double source_y0_ = 0.0;
  double source_x1_ = 1.0;
  double source_y1_ = 1.0;
  double output_x0_ = 0.25;
  double output_y0_ = 0.25;
  double output_x1_ = 0.75;
  double output_y1_ = 0.75;
};

}  // namespace Obrisk::Proc
