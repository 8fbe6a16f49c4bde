// The transform tool's mathematics on the CPU: matrices, placements,
// keyframes, frame sizes and the settings' checks.
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <stdexcept>
#include <utility>

#include <gtest/gtest.h>

#include "obrisk/effectcommon/CommonEffectTransform.h"
#include "obrisk/host/Effect.h"
#include "obrisk/settings/TransformSettings.h"
#include "support/Messages.h"

namespace Obrisk::Proc {
namespace {

// Receives the matrix in pixel coordinates.
class PixelTransform final : public CommonEffectTransform {
 public:
  PixelTransform() : CommonEffectTransform(false) {}
  Matrix4x4 matrix;

 protected:
  void OnTransformMatrix(const Matrix4x4& m) override { matrix = m; }
};

// The pixel matrix of `keyframe` on a source of `info` (output as the settings say).
Matrix4x4 PixelMatrix(const ITransformSettings& settings, const FrameInfo& info,
                      double progress = 0.0) {
  PixelTransform transform;
  transform.UpdateGPUTransform(
      settings, info, CommonEffectTransform::GetDstFrameInfo(settings, info, progress), progress);
  return transform.matrix;
}

SettingsEffectTransform WithKeyframes(std::vector<TransformKeyframe> keyframes) {
  SettingsEffectTransform settings;
  settings.SetKeyframes(std::move(keyframes));
  return settings;
}

void ExpectMaps(const Matrix4x4& m, double x, double y, double expectedX, double expectedY) {
  const auto p = m.Map(x, y);
  EXPECT_NEAR(p[0], expectedX, 1e-9) << "(" << x << ", " << y << ")";
  EXPECT_NEAR(p[1], expectedY, 1e-9) << "(" << x << ", " << y << ")";
}

TEST(Matrix4x4Test, ComposesRightToLeftAndProjects) {
  const Matrix4x4 m =
      Matrix4x4::Translation(3, 4, 0) * Matrix4x4::RotationZ(90) * Matrix4x4::Scale(2, 1, 1);
  ExpectMaps(m, 1, 0, 3, 6);  // (2, 0) turned to (0, 2), then moved
  EXPECT_DOUBLE_EQ(m.tx(), 3.0);
  EXPECT_DOUBLE_EQ(m.ty(), 4.0);
  const Matrix4x4 p = Matrix4x4::Perspective(90.0, 2.0, 1.0, 10.0);
  const auto near = p.Apply(0, 0, -1, 1);
  const auto far = p.Apply(2, 1, -10, 1);
  EXPECT_NEAR(near[2] / near[3], -1.0, 1e-12);
  EXPECT_NEAR(far[2] / far[3], 1.0, 1e-12);
  EXPECT_NEAR(far[0] / far[3], 0.1, 1e-12);  // x * f / aspect / depth
  EXPECT_NEAR(far[1] / far[3], 0.1, 1e-12);
}

TEST(CommonEffectTransformTest, NeutralKeyframeMapsEveryPixelToItself) {
  const Matrix4x4 m = PixelMatrix(WithKeyframes({TransformKeyframe()}), {16, 9, 1, 1});
  for (auto [x, y] : std::initializer_list<std::pair<double, double>>{{0, 0}, {16, 9}, {3.5, 7.25}})
    ExpectMaps(m, x, y, x, y);
}

TEST(CommonEffectTransformTest, ScalesAndTurnsClockwiseAboutTheAnchor) {
  TransformKeyframe keyframe;
  keyframe.scaleX = keyframe.scaleY = 0.5;
  keyframe.rotationZ = 90.0;
  const Matrix4x4 m = PixelMatrix(WithKeyframes({keyframe}), {16, 9, 1, 1});
  // About the centre (8, 4.5): halve the offset, then a quarter turn
  // clockwise on a y-down screen takes (dx, dy) to (-dy, dx).
  auto expected = [](double x, double y) {
    const double dx = (x - 8.0) * 0.5;
    const double dy = (y - 4.5) * 0.5;
    return std::pair{8.0 - dy, 4.5 + dx};
  };
  for (auto [x, y] : std::initializer_list<std::pair<double, double>>{{0, 0}, {16, 0}, {5, 8}}) {
    const auto [ex, ey] = expected(x, y);
    ExpectMaps(m, x, y, ex, ey);
  }

  keyframe.anchorX = keyframe.anchorY = 0.0;
  keyframe.positionX = 0.25;
  keyframe.positionY = 0.0;
  keyframe.scaleX = keyframe.scaleY = 1.0;
  const Matrix4x4 corner = PixelMatrix(WithKeyframes({keyframe}), {16, 9, 1, 1});
  ExpectMaps(corner, 0, 0, 4, 0);    // the anchor lands on the position
  ExpectMaps(corner, 16, 0, 4, 16);  // the top edge now points down
  ExpectMaps(corner, 0, 9, -5, 0);
}

TEST(CommonEffectTransformTest, SwingSeenThroughThePerspectiveCamera) {
  TransformKeyframe keyframe;
  keyframe.rotationY = 30.0;
  SettingsEffectTransform settings = WithKeyframes({keyframe});
  settings.SetFieldOfView(60.0);
  const FrameInfo info{40, 30, 1, 1};
  const Matrix4x4 m = PixelMatrix(settings, info);
  // The camera sits where the frame's height fills 60 degrees.
  const double distance = 15.0 / std::tan(std::numbers::pi / 6.0);
  const double c = std::cos(std::numbers::pi / 6.0);
  const double s = std::sin(std::numbers::pi / 6.0);
  for (auto [x, y] :
       std::initializer_list<std::pair<double, double>>{{0, 0}, {40, 0}, {40, 30}, {20, 10}}) {
    // Offsets from the centre: the right side turns away (depth x s).
    const double dx = x - 20.0;
    const double dy = y - 15.0;
    const double scale = distance / (distance + dx * s);
    ExpectMaps(m, x, y, 20.0 + dx * c * scale, 15.0 + dy * scale);
  }
}

TEST(CommonEffectTransformTest, KeyframesInterpolateWithTheirEasing) {
  TransformKeyframe a;
  a.opacity = 0.0;
  TransformKeyframe b;
  b.progress = 1.0;
  b.rotationZ = 80.0;
  b.opacity = 1.0;
  auto at = [&](std::int32_t easing, double progress) {
    a.easing = easing;
    return WithKeyframes({a, b}).PlacementAt(progress);
  };
  EXPECT_DOUBLE_EQ(at(TransformKeyframe::kLinear, 0.25).rotationZ, 20.0);
  EXPECT_DOUBLE_EQ(at(TransformKeyframe::kLinear, 0.25).opacity, 0.25);
  EXPECT_DOUBLE_EQ(at(TransformKeyframe::kEaseIn, 0.5).rotationZ, 20.0);
  EXPECT_DOUBLE_EQ(at(TransformKeyframe::kEaseOut, 0.5).rotationZ, 60.0);
  EXPECT_DOUBLE_EQ(at(TransformKeyframe::kEaseInOut, 0.25).rotationZ, 80.0 * 0.15625);
  EXPECT_DOUBLE_EQ(at(TransformKeyframe::kEaseInOut, 0.5).rotationZ, 40.0);
  // Outside the keyframes the nearest holds.
  a.progress = 0.2;
  b.progress = 0.6;
  EXPECT_DOUBLE_EQ(at(TransformKeyframe::kLinear, 0.0).rotationZ, 0.0);
  EXPECT_DOUBLE_EQ(at(TransformKeyframe::kLinear, 0.9).rotationZ, 80.0);
  EXPECT_DOUBLE_EQ(at(TransformKeyframe::kLinear, 0.4).rotationZ, 40.0);
}

TEST(CommonEffectTransformTest, OutputFrameKeepsTheSourceOrFitsThePicture) {
  const FrameInfo source{5, 3, 1, 1};
  SettingsEffectTranspose transpose;
  for (std::int32_t mode = 0; mode < 4; ++mode) {
    transpose.SetMode(mode);
    EXPECT_EQ(CommonEffectTransform::GetDstFrameInfo(transpose, source, 0.0),
              (FrameInfo{3, 5, 1, 1}))
        << mode;
  }
  SettingsEffectFlip flip;
  flip.SetVertical(true);
  EXPECT_EQ(CommonEffectTransform::GetDstFrameInfo(flip, source, 0.0), source);

  TransformKeyframe turned;
  turned.rotationZ = 45.0;
  SettingsEffectTransform fit = WithKeyframes({turned});
  EXPECT_EQ(CommonEffectTransform::GetDstFrameInfo(fit, {10, 10, 1, 1}, 0.5),
            (FrameInfo{10, 10, 1, 1}));
  fit.SetFrameSize(TransformFrameSize::kFitBounds);
  EXPECT_EQ(CommonEffectTransform::GetDstFrameInfo(fit, {10, 10, 1, 1}, 0.5),
            (FrameInfo{14, 14, 1, 1}));  // 10 sqrt 2

  // Wide pixels: 4 x 4 pixels of aspect 2 show 8 x 4; turned they show
  // 4 x 8, which is 2 x 8 such pixels.
  transpose.SetMode(SettingsEffectTranspose::kClockwise);
  EXPECT_EQ(CommonEffectTransform::GetDstFrameInfo(transpose, {4, 4, 2, 1}, 0.0),
            (FrameInfo{2, 8, 2, 1}));

  FormatCodecVideo format(PixFmt::RGBX, {}, source);
  CommonEffectTransform::UpdateFormatCodecVideo(transpose, format);
  EXPECT_EQ(format.GetFrameInfo(), (FrameInfo{3, 5, 1, 1}));
  EXPECT_EQ(format.GetPixelFormat(), kPixFmtAlpha);
}

TEST(CommonEffectTransformTest, FitsPicturesThatMoveBetweenKeyframesAndPlacesThemInside) {
  TransformKeyframe left;
  left.positionX = 0.0;
  TransformKeyframe right = left;
  right.progress = 1.0;
  right.positionX = 1.0;
  SettingsEffectTransform settings = WithKeyframes({left, right});
  settings.SetFrameSize(TransformFrameSize::kFitBounds);
  const FrameInfo source{8, 4, 1, 1};
  EXPECT_EQ(CommonEffectTransform::GetDstFrameInfo(settings, source, 0.0),
            (FrameInfo{16, 4, 1, 1}));
  ExpectMaps(PixelMatrix(settings, source, 0.0), 0, 0, 0, 0);
  ExpectMaps(PixelMatrix(settings, source, 1.0), 0, 0, 8, 0);
}

TEST(TransformSettingsTest, QuarterTurnsAndMirrorsOfTheDisplayMatrix) {
  using M = std::array<double, 4>;
  EXPECT_EQ(SettingsEffectDisplayMatrix::Rotation(0, false), (M{1, 0, 0, 1}));
  EXPECT_EQ(SettingsEffectDisplayMatrix::Rotation(90, false), (M{0, 1, -1, 0}));
  EXPECT_EQ(SettingsEffectDisplayMatrix::Rotation(180, false), (M{-1, 0, 0, -1}));
  EXPECT_EQ(SettingsEffectDisplayMatrix::Rotation(270, false), (M{0, -1, 1, 0}));
  EXPECT_EQ(SettingsEffectDisplayMatrix::Rotation(0, true), (M{-1, 0, 0, 1}));

  SettingsEffectDisplayMatrix display;
  EXPECT_FALSE(display.IsEmpty());
  display.SetMatrix({1, 0, 0, 0.5});  // a squeeze
  EXPECT_FALSE(display.IsEmpty());
  display.SetMatrix({0.5, 0, 0, 0.5});
  EXPECT_TRUE(display.IsEmpty());
  EXPECT_THROW(display.SetMatrix({0.5, 1, 0.25, 0.5}), std::invalid_argument);
  EXPECT_EQ(display.GetMatrix(), (M{0.5, 0, 0, 0.5}));
  EXPECT_THROW(display.Deserialize(Property::FromJson(R"({"a": 0, "d": 0})")),
               std::invalid_argument);
  EXPECT_EQ(display.GetMatrix(), (M{0.5, 0, 0, 0.5}));
}

TEST(TransformSettingsTest, KeyframesRoundTripAndAreChecked) {
  SettingsEffectTransform settings;
  settings.Deserialize(Property::FromJson(R"({"frameSize": 1, "keyframes":
      "[{\"progress\": 0, \"rotationZ\": 10}, {\"progress\": 1, \"scaleX\": 2, \"easing\": 3}]"})"));
  ASSERT_EQ(settings.GetKeyframes().size(), 2u);
  EXPECT_EQ(settings.GetKeyframes()[1].scaleX, 2.0);
  EXPECT_EQ(settings.GetFrameSize(), TransformFrameSize::kFitBounds);

  SettingsEffectTransform copy;
  copy.Deserialize(settings.Serialize());
  EXPECT_TRUE(copy.IsEqualTo(settings));
  EXPECT_FALSE(copy.IsEqualTo(SettingsEffectTransform()));

  const SettingsEffectTransform before = settings;
  EXPECT_THROW(settings.Deserialize(
                   Property::FromJson(R"({"keyframes": [{"progress": 0.5}, {"progress": 0.5}]})")),
               std::invalid_argument);
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"keyframes": [{"spin": 1}]})")),
               std::invalid_argument);
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"keyframes": [{"opacity": 2}]})")),
               std::out_of_range);
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"keyframes": []})")),
               std::invalid_argument);
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"keyframes": {"a": 1}})")),
               std::invalid_argument);
  EXPECT_TRUE(settings.IsEqualTo(before));

  EXPECT_TRUE(Testing::Contains(Testing::MessageOf<std::invalid_argument>([&] {
                                  settings.Deserialize(
                                      Property::FromJson(R"({"keyframes": [{"spin": 1}]})"));
                                }),
                                "keyframes[0] of SettingsEffectTransform has no field 'spin'"));
}

TEST(TransformSettingsTest, EmptyWhenNothingMoves) {
  EXPECT_FALSE(SettingsEffectTransform().IsEmpty());
  SettingsEffectTransform settings = WithKeyframes({TransformKeyframe()});
  EXPECT_TRUE(settings.IsEmpty());
  settings.SetFrameSize(TransformFrameSize::kFitBounds);
  EXPECT_FALSE(settings.IsEmpty());
  SettingsEffectFlip flip;
  flip.SetHorizontal(false);
  EXPECT_TRUE(flip.IsEmpty());
  SettingsEffectCrop crop;
  crop.SetMargins(0, 0, 0, 0);
  EXPECT_TRUE(crop.IsEmpty());
}

TEST(TransformSettingsTest, CropKeepsAtLeastOnePixel) {
  SettingsEffectCrop crop;
  crop.SetMargins(1, 2, 3, 0);
  EXPECT_EQ(crop.GetOutputFrame({16, 9, 4, 3}), (FrameInfo{12, 7, 4, 3}));
  crop.SetMargins(40, 40, 40, 40);
  EXPECT_EQ(crop.GetOutputFrame({16, 9, 1, 1}), (FrameInfo{1, 1, 1, 1}));
  EXPECT_EQ(crop.GetOffsets({16, 9, 1, 1}), (std::array<std::int32_t, 2>{15, 8}));
  EXPECT_THROW(crop.Deserialize(Property::FromJson(R"({"left": -1})")), std::out_of_range);
}

}  // namespace
}  // namespace Obrisk::Proc
