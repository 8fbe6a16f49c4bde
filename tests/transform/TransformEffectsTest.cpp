// The transform effect on real renders: exact quarter turns and mirrors,
// display orientations, placement of a turned test card, opacity and edges.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "effects/transform/EffectTransform.h"
#include "obrisk/effectcommon/CommonEffectTransform.h"
#include "obrisk/settings/TransformSettings.h"
#include "support/ImageTestSupport.h"

namespace Obrisk::Testing {
namespace {

using Proc::FrameInfo;
// Where output texel (x, y) comes from in a W x H source, both top-down.
using SourceOf = std::function<std::pair<int, int>(int x, int y, int w, int h)>;

struct Orientation {
  std::string name;
  std::function<std::unique_ptr<Proc::Settings>()> settings;
  bool turned;  // width and height swap
  SourceOf source;
};

std::unique_ptr<Proc::Settings> Transpose(std::int32_t mode) {
  auto settings = std::make_unique<Proc::SettingsEffectTranspose>();
  settings->SetMode(mode);
  return settings;
}

std::unique_ptr<Proc::Settings> Flip(bool horizontal, bool vertical) {
  auto settings = std::make_unique<Proc::SettingsEffectFlip>();
  settings->SetHorizontal(horizontal);
  settings->SetVertical(vertical);
  return settings;
}

std::unique_ptr<Proc::Settings> Display(double degrees, bool mirror) {
  auto settings = std::make_unique<Proc::SettingsEffectDisplayMatrix>();
  settings->SetMatrix(Proc::SettingsEffectDisplayMatrix::Rotation(degrees, mirror));
  return settings;
}

const SourceOf kSame = [](int x, int y, int, int) { return std::pair{x, y}; };
const SourceOf kTransposed = [](int x, int y, int, int) { return std::pair{y, x}; };
const SourceOf kClockwise = [](int x, int y, int, int h) { return std::pair{y, h - 1 - x}; };
const SourceOf kCounterClockwise = [](int x, int y, int w, int) { return std::pair{w - 1 - y, x}; };
const SourceOf kAntiTransposed = [](int x, int y, int w, int h) {
  return std::pair{w - 1 - y, h - 1 - x};
};
const SourceOf kMirrored = [](int x, int y, int w, int) { return std::pair{w - 1 - x, y}; };
const SourceOf kUpsideDown = [](int x, int y, int, int h) { return std::pair{x, h - 1 - y}; };
const SourceOf kHalfTurn = [](int x, int y, int w, int h) {
  return std::pair{w - 1 - x, h - 1 - y};
};

const std::vector<Orientation>& Orientations() {
  static const std::vector<Orientation> all{
      {"transpose", [] { return Transpose(0); }, true, kTransposed},
      {"clockwise", [] { return Transpose(1); }, true, kClockwise},
      {"counterClockwise", [] { return Transpose(2); }, true, kCounterClockwise},
      {"antiTranspose", [] { return Transpose(3); }, true, kAntiTransposed},
      {"flipHorizontal", [] { return Flip(true, false); }, false, kMirrored},
      {"flipVertical", [] { return Flip(false, true); }, false, kUpsideDown},
      {"flipBoth", [] { return Flip(true, true); }, false, kHalfTurn},
      {"display0", [] { return Display(0, false); }, false, kSame},
      {"display90", [] { return Display(90, false); }, true, kClockwise},
      {"display180", [] { return Display(180, false); }, false, kHalfTurn},
      {"display270", [] { return Display(270, false); }, true, kCounterClockwise},
      {"display0Mirrored", [] { return Display(0, true); }, false, kMirrored},
      {"display90Mirrored", [] { return Display(90, true); }, true, kAntiTransposed},
      {"display270Mirrored", [] { return Display(270, true); }, true, kTransposed},
  };
  return all;
}

class OrientationTest : public ::testing::TestWithParam<std::tuple<std::size_t, FrameInfo>> {};

TEST_P(OrientationTest, MovesEveryPixelExactly) {
  const auto& [index, size] = GetParam();
  const Orientation& orientation = Orientations()[index];
  const Image input = Numbered(size.width, size.height);
  const Image output = RunRegistered(*orientation.settings(), input);
  const int w = orientation.turned ? size.height : size.width;
  const int h = orientation.turned ? size.width : size.height;
  ASSERT_EQ(output.width, w);
  ASSERT_EQ(output.height, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const auto [sx, sy] = orientation.source(x, y, size.width, size.height);
      EXPECT_EQ(TopDown(output, x, y), TopDown(input, sx, sy)) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TransposeFlipDisplay, OrientationTest,
                         ::testing::Combine(::testing::Range<std::size_t>(0, 14),
                                            ::testing::Values(FrameInfo{5, 3, 1, 1},
                                                              FrameInfo{1, 1, 1, 1})),
                         [](const auto& info) {
                           const FrameInfo& size = std::get<1>(info.param);
                           return Orientations()[std::get<0>(info.param)].name + "_" +
                                  std::to_string(size.width) + "x" + std::to_string(size.height);
                         });

Proc::SettingsEffectTransform Keyframed(const Proc::TransformKeyframe& keyframe) {
  Proc::SettingsEffectTransform settings;
  settings.SetKeyframes({keyframe});
  return settings;
}

// Where the transform puts source pixel position (x, y), top-down.
std::array<double, 2> Placed(const Proc::ITransformSettings& settings, const FrameInfo& info,
                             double x, double y) {
  struct Pixels final : Proc::CommonEffectTransform {
    Pixels() : CommonEffectTransform(false) {}
    Proc::Matrix4x4 matrix;
    void OnTransformMatrix(const Proc::Matrix4x4& m) override { matrix = m; }
  } pixels;
  pixels.UpdateGPUTransform(settings, info, info, 0.0);
  return pixels.matrix.Map(x, y);
}

TEST(EffectTransformTest, PlacesTheQuartersOfATurnedScaledTestCard) {
  // Red, green, blue and white quarters, top-left to bottom-right.
  const Texel colours[4] = {
      {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};
  const FrameInfo info{32, 18, 1, 1};
  const Image card =
      MakeImage(32, 18, [&](int x, int y) { return colours[(x < 16 ? 0 : 1) + (y < 9 ? 2 : 0)]; });
  Proc::TransformKeyframe keyframe;
  keyframe.rotationZ = 90.0;
  keyframe.scaleX = keyframe.scaleY = 0.5;
  keyframe.positionX = 0.4;
  const auto settings = Keyframed(keyframe);
  const Image output = RunRegistered(settings, card);
  for (int quarter = 0; quarter < 4; ++quarter) {
    const double cx = quarter % 2 == 0 ? 8.0 : 24.0;
    const double cy = quarter < 2 ? 4.5 : 13.5;
    const auto p = Placed(settings, info, cx, cy);
    const Texel& seen =
        TopDown(output, static_cast<int>(std::floor(p[0])), static_cast<int>(std::floor(p[1])));
    EXPECT_EQ(seen, colours[quarter]) << quarter << " at " << p[0] << "," << p[1];
  }
  EXPECT_EQ(TopDown(output, 0, 0)[3], 0.0f);  // outside the picture
}

TEST(EffectTransformTest, OpacityZeroIsTransparent) {
  Proc::TransformKeyframe keyframe;
  keyframe.opacity = 0.0;
  const Image output = RunRegistered(Keyframed(keyframe), Numbered(7, 5));
  for (const Texel& texel : output.texels) EXPECT_EQ(texel[3], 0.0f);
  keyframe.opacity = 0.5;
  const Image half = RunRegistered(Keyframed(keyframe), Numbered(7, 5));
  for (const Texel& texel : half.texels) EXPECT_NEAR(texel[3], 127.5f, 1.0f);
}

TEST(EffectTransformTest, AxisAlignedPicturesKeepHardEdges) {
  Proc::TransformKeyframe keyframe;
  keyframe.scaleX = keyframe.scaleY = 0.5;
  const Image output = RunRegistered(Keyframed(keyframe), Numbered(16, 8));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inside = x >= 4 && x < 12 && y >= 2 && y < 6;
      EXPECT_EQ(output.At(x, y)[3], inside ? 255.0f : 0.0f) << x << "," << y;
    }
  }
}

TEST(EffectTransformTest, TurnedPicturesGetAOnePixelSoftEdge) {
  constexpr int kSize = 48;
  constexpr double kSide = 24.0;  // the picture at half size
  constexpr double kTurn = 30.0;
  Proc::TransformKeyframe keyframe;
  keyframe.scaleX = keyframe.scaleY = 0.5;
  keyframe.rotationZ = kTurn;
  const Image white = MakeImage(kSize, kSize, [](int, int) { return Texel{255, 255, 255, 255}; });
  const Image output = RunRegistered(Keyframed(keyframe), white);
  const double c = std::cos(kTurn * std::numbers::pi / 180.0);
  const double s = std::sin(kTurn * std::numbers::pi / 180.0);
  int soft = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      // The pixel centre in the picture's own axes; inside is the distance
      // to the nearest edge (negative outside).
      const double dx = x + 0.5 - kSize / 2.0;
      const double dy = y + 0.5 - kSize / 2.0;
      // Turned clockwise as seen, with y upwards here.
      const double u = c * dx - s * dy;
      const double v = s * dx + c * dy;
      const double inside = kSide / 2.0 - std::max(std::abs(u), std::abs(v));
      const float alpha = output.At(x, y)[3];
      if (inside > 1.5) {
        EXPECT_GE(alpha, 254.0f) << x << "," << y;
      }
      if (inside < -0.75) {
        EXPECT_EQ(alpha, 0.0f) << x << "," << y;
      }
      if (alpha > 0.0f && alpha < 250.0f) {
        ++soft;
        EXPECT_LT(inside, 1.5) << x << "," << y;
      }
    }
  }
  EXPECT_GT(soft, static_cast<int>(kSide));  // the edges are soft along their length
}

TEST(EffectTransformTest, TakesTransformSettingsOnlyAndNeedsItsCache) {
  Ogl::EffectTransform transform(Proc::SettingsEffectFlip{});
  EXPECT_EQ(transform.GetSettings().GetClassId(), Proc::SettingsEffectFlip::CLASS_ID);
  EXPECT_THROW(transform.SetSettings(Proc::SettingsEffectCrop()), std::bad_cast);
  EXPECT_EQ(transform.GetSettings().GetClassId(), Proc::SettingsEffectFlip::CLASS_ID);
  EXPECT_THROW(RunDirect(transform, Numbered(4, 4), nullptr), std::logic_error);
}

}  // namespace
}  // namespace Obrisk::Testing
