// Zoom, pan and zoom, mirror and camera shake: their quads against the
// mappings computed on the CPU.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>

#include <gtest/gtest.h>

#include "effects/distort/EffectCameraShake.h"
#include "effects/distort/EffectMirror.h"
#include "effects/distort/EffectPanAndZoom.h"
#include "effects/distort/EffectZoom.h"
#include "support/ImageTestSupport.h"

namespace Obrisk::Testing {
namespace {

constexpr int kWidth = 32;
constexpr int kHeight = 18;

// The rectangle from (x0, y0) to (x1, y1) over the whole frame.
Mapping RectMapping(const Proc::TextureRect& r) {
  return [=](Point p) { return Point{r.x0 + p[0] * (r.x1 - r.x0), r.y0 + p[1] * (r.y1 - r.y0)}; };
}

Proc::SettingsEffectZoom Zoom(const Proc::TextureRect& rect, bool crop, double rampIn,
                              double rampOut) {
  Proc::SettingsEffectZoom settings;
  settings.SetRect(rect);
  settings.SetCrop(crop);
  settings.SetRamps(rampIn, rampOut);
  return settings;
}

TEST(EffectZoomTest, RampStartsFromTheWholeFrame) {
  const Image input = Numbered(kWidth, kHeight);
  const auto settings = Zoom({0.25, 0.25, 0.75, 0.75}, false, 0.2, 0.2);
  EXPECT_EQ((RunAt<Ogl::EffectZoom>(settings, input, 0.0, 0.0).texels), input.texels);
  EXPECT_EQ((RunAt<Ogl::EffectZoom>(settings, input, 0.0, 1.0).texels), input.texels);
}

TEST(EffectZoomTest, HalfwayThroughTheRampShowsTheRectangleHalfway) {
  const Image input = Smooth(kWidth, kHeight);
  const auto settings = Zoom({0.25, 0.25, 0.75, 0.75}, false, 0.2, 0.2);
  // k = 0.1 / 0.2 = 0.5: halfway between the whole frame and the rectangle.
  ExpectWarp(RunAt<Ogl::EffectZoom>(settings, input, 0.0, 0.1), input,
             RectMapping({0.125, 0.125, 0.875, 0.875}));
  ExpectWarp(RunAt<Ogl::EffectZoom>(settings, input, 0.0, 0.5), input,
             RectMapping({0.25, 0.25, 0.75, 0.75}));
}

TEST(EffectZoomTest, WithoutCropTheRectangleKeepsItsShape) {
  const Image input = Smooth(kWidth, kHeight);
  // 0.5 wide and 0.25 high: it fills the width and the middle half of the height.
  const auto settings = Zoom({0.5, 0.25, 0.0, 0.5}, false, 0.0, 0.0);
  const Image output = RunAt<Ogl::EffectZoom>(settings, input, 0.0, 0.5);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; x += 5) {
      const double v = (y + 0.5) / kHeight;
      if (v < 0.25 || v > 0.75) {
        EXPECT_EQ(output.At(x, y), (Texel{0, 0, 0, 0})) << x << "," << y;
        continue;
      }
      if (std::fabs(v - 0.25) < 0.05 || std::fabs(v - 0.75) < 0.05) continue;
      const Texel expected =
          input.Sample(float(0.5 * (x + 0.5) / kWidth), float(0.25 + (v - 0.25) / 0.5 * 0.25));
      for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(output.At(x, y)[c], expected[c], 2.0f) << x << "," << y;
    }
  }
}

TEST(EffectZoomTest, CropGivesTheRectangleInAFrameOfItsSize) {
  const Image input = Numbered(20, 10);
  const Image output = RunRegistered(Zoom({0.1, 0.2, 0.5, 0.6}, true, 0.0, 0.0), input);
  ASSERT_EQ(output.width, 8);
  ASSERT_EQ(output.height, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) EXPECT_EQ(output.At(x, y), input.At(x + 2, y + 2)) << x << "," << y;
  }
}

TEST(EffectZoomTest, AnEmptyRectangleCropsToOnePixel) {
  const Image output = RunRegistered(Zoom({0.5, 0.5, 0.5, 0.5}, true, 0.0, 0.0), Numbered(20, 10));
  EXPECT_EQ(output.width, 1);
  EXPECT_EQ(output.height, 1);
}

TEST(EffectPanAndZoomTest, MovesLinearlyFromStartToEnd) {
  const Image input = Smooth(kWidth, kHeight);
  Proc::SettingsEffectPanAndZoom settings;
  settings.SetStart({0.0, 0.0, 1.0, 1.0});
  settings.SetEnd({0.2, 0.4, 0.6, 0.8});
  EXPECT_EQ((RunAt<Ogl::EffectPanAndZoom>(settings, Numbered(kWidth, kHeight), 0.0, 0.0).texels),
            Numbered(kWidth, kHeight).texels);
  ExpectWarp(RunAt<Ogl::EffectPanAndZoom>(settings, input, 0.0, 0.25), input,
             RectMapping({0.05, 0.1, 0.9, 0.95}));
  ExpectWarp(RunAt<Ogl::EffectPanAndZoom>(settings, input, 0.0, 1.0), input,
             RectMapping({0.2, 0.4, 0.6, 0.8}));
}

// Where index i of n reads under a mirror mode: 1 mirrors the upper half
// into the lower, 2 the lower into the upper.
int Mirrored(int i, int n, int mode) {
  if ((mode == 1 && i < n / 2) || (mode == 2 && i >= n / 2)) return n - 1 - i;
  return i;
}

class MirrorModesTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(MirrorModesTest, EachQuarterShowsItsHalfOrTheMirroredOther) {
  const auto [horizontal, vertical] = GetParam();
  Proc::SettingsEffectMirror settings;
  settings.SetHorizontal(horizontal);
  settings.SetVertical(vertical);
  const Image input = Numbered(kWidth, kHeight);
  const Image output = RunAt<Ogl::EffectMirror>(settings, input, 0.0, 0.0);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      EXPECT_EQ(output.At(x, y),
                input.At(Mirrored(x, kWidth, horizontal), Mirrored(y, kHeight, vertical)))
          << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllModes, MirrorModesTest,
                         ::testing::Combine(::testing::Values(0, 1, 2),
                                            ::testing::Values(0, 1, 2)));

Proc::SettingsEffectCameraShake Shake(double x, double y, double rotation, std::int32_t seed) {
  Proc::SettingsEffectCameraShake settings;
  settings.SetAmplitudes(x, y, rotation);
  settings.SetSeed(seed);
  return settings;
}

// The shake's quad as an affine mapping: the turned rectangle is a
// parallelogram, so the texture coordinate moves linearly across the frame.
Mapping ShakeMapping(const Proc::SettingsEffectCameraShake& s, double time, double aspect) {
  const double tau = s.GetSpeed() * 5.0 * time;
  const double persistence = s.GetNoise() * 0.5;
  const double i = s.GetIntensity();
  const double dx = i * s.GetXAmplitude() * 0.1 * s.GetNoizeX(tau, 8, persistence);
  const double dy = i * s.GetYAmplitude() * aspect * 0.1 * s.GetNoizeY(tau, 8, persistence);
  const double r =
      i * s.GetRotationAmplitude() * 0.3141592653589793 * s.GetNoizeR(tau, 8, persistence);
  const double theta = std::atan(aspect);
  const Point bl{-std::cos(theta - r) / (2 * std::cos(theta)),
                 -std::sin(theta - r) / (2 * std::sin(theta))};
  const Point br{std::cos(theta + r) / (2 * std::cos(theta)),
                 -std::sin(theta + r) / (2 * std::sin(theta))};
  const Point tl{-br[0], -br[1]};
  double k = 1.0;
  for (const Point& o : {bl, br, Point{-bl[0], -bl[1]}, tl}) {
    k = std::min({k, std::fabs((0.5 + dx) / o[0]), std::fabs((0.5 - dx) / o[0]),
                  std::fabs((0.5 + dy) / o[1]), std::fabs((0.5 - dy) / o[1])});
  }
  return [=](Point p) {
    return Point{0.5 + dx + k * (bl[0] + (br[0] - bl[0]) * p[0] + (tl[0] - bl[0]) * p[1]),
                 0.5 + dy + k * (bl[1] + (br[1] - bl[1]) * p[0] + (tl[1] - bl[1]) * p[1])};
  };
}

TEST(EffectCameraShakeTest, NoAmplitudesCopiesExactly) {
  const Image input = Numbered(kWidth, kHeight);
  EXPECT_EQ((RunAt<Ogl::EffectCameraShake>(Shake(0, 0, 0, 5), input, 1.7, 0.0).texels),
            input.texels);
}

TEST(EffectCameraShakeTest, MovesTurnsAndZoomsAsTheNoiseSays) {
  const Image input = Smooth(kWidth, kHeight);
  const auto settings = Shake(0.8, 0.6, 0.5, 7);
  for (const double t : {0.0, 0.31, 2.5}) {
    ExpectWarp(RunAt<Ogl::EffectCameraShake>(settings, input, t, 0.0), input,
               ShakeMapping(settings, t, double(kHeight) / kWidth));
  }
}

TEST(EffectCameraShakeTest, TheSameSeedAndTimeRepeatTheFrame) {
  const Image input = Smooth(kWidth, kHeight);
  const Image first = RunAt<Ogl::EffectCameraShake>(Shake(1, 1, 1, 42), input, 0.77, 0.0);
  EXPECT_EQ((RunAt<Ogl::EffectCameraShake>(Shake(1, 1, 1, 42), input, 0.77, 0.0).texels),
            first.texels);
  EXPECT_NE((RunAt<Ogl::EffectCameraShake>(Shake(1, 1, 1, 43), input, 0.77, 0.0).texels),
            first.texels);
  EXPECT_NE((RunAt<Ogl::EffectCameraShake>(Shake(1, 1, 1, 42), input, 0.9, 0.0).texels),
            first.texels);
}

TEST(CameraShakeNoiseTest, SmoothZeroMeanAndWithinOne) {
  const auto settings = Shake(1, 1, 1, 3);
  double sum = 0.0;
  double previous = settings.GetNoizeX(0.0, 8, 0.25);
  constexpr int kSteps = 20000;
  constexpr double kStep = 0.01;
  for (int i = 1; i <= kSteps; ++i) {
    const double value = settings.GetNoizeX(i * kStep, 8, 0.25);
    ASSERT_LE(std::fabs(value), 1.0);
    // Smooth: a hundredth of a unit of time moves it little.
    ASSERT_LT(std::fabs(value - previous), 0.1) << i;
    previous = value;
    sum += value;
  }
  EXPECT_NEAR(sum / kSteps, 0.0, 0.05);
}

TEST(CameraShakeNoiseTest, TheMovementsAndSeedsAreIndependent) {
  const auto a = Shake(1, 1, 1, 3);
  const auto b = Shake(1, 1, 1, 4);
  EXPECT_EQ(a.GetNoizeX(12.3, 8, 0.5), Shake(0, 0, 0, 3).GetNoizeX(12.3, 8, 0.5));
  EXPECT_NE(a.GetNoizeX(12.3, 8, 0.5), a.GetNoizeY(12.3, 8, 0.5));
  EXPECT_NE(a.GetNoizeY(12.3, 8, 0.5), a.GetNoizeR(12.3, 8, 0.5));
  EXPECT_NE(a.GetNoizeX(12.3, 8, 0.5), b.GetNoizeX(12.3, 8, 0.5));
  // Not all at rest together at whole times.
  EXPECT_NE(a.GetNoizeX(4.0, 1, 0.0), 0.0);
}

}  // namespace
}  // namespace Obrisk::Testing
