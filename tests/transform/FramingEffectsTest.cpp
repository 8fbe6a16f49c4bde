// Crop, sub-frame and the vertical-video fixer on real renders.
#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "effects/transform/EffectCrop.h"
#include "obrisk/settings/TransformSettings.h"
#include "support/ImageTestSupport.h"

namespace Obrisk::Testing {
namespace {

// Deterministic noise: a linear congruential generator per texel.
Image ScrambledNoise(int width, int height) {
  return MakeImage(width, height, [width](int x, int y) {
    std::uint32_t state = static_cast<std::uint32_t>(y * width + x) * 1664525u + 1013904223u;
    state = state * 1664525u + 1013904223u;
    const float value = float((state >> 16) & 0xFF);
    return Texel{value, 255.0f - value, value, 255.0f};
  });
}

void ExpectNear(const Texel& seen, const Texel& expected, float tolerance, int x, int y) {
  for (int c = 0; c < 4; ++c) {
    EXPECT_NEAR(seen[c], expected[c], tolerance) << x << "," << y << " channel " << c;
  }
}

TEST(EffectCropTest, NoMarginsCopiesThePicture) {
  Ogl::EffectCrop crop;
  Proc::SettingsEffectCrop settings;
  settings.SetMargins(0, 0, 0, 0);
  crop.SetSettings(settings);
  const Image input = Numbered(9, 7);
  EXPECT_TRUE(Near(RunDirect(crop, input, crop.CreateCache()), input));
}

TEST(EffectCropTest, CutsTheMarginsExactlyFromTheTopLeft) {
  Proc::SettingsEffectCrop settings;
  settings.SetMargins(1, 2, 3, 0);
  const Image input = Numbered(9, 7);
  const Image output = RunRegistered(settings, input);
  ASSERT_EQ(output.width, 5);
  ASSERT_EQ(output.height, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(TopDown(output, x, y), TopDown(input, x + 1, y + 2));
  }
}

TEST(EffectCropTest, MarginsLargerThanThePictureLeaveItsLastPixel) {
  Proc::SettingsEffectCrop settings;
  settings.SetMargins(100, 100, 100, 100);
  const Image input = Numbered(9, 7);
  const Image output = RunRegistered(settings, input);
  ASSERT_EQ(output.width, 1);
  ASSERT_EQ(output.height, 1);
  EXPECT_EQ(TopDown(output, 0, 0), TopDown(input, 8, 6));
  EXPECT_EQ(RunRegistered(settings, Numbered(1, 1)).texels, Numbered(1, 1).texels);
}

TEST(EffectSubFrameTest, WholePictureAtHalfSizeInTheMiddle) {
  Proc::SettingsEffectSubFrame settings;
  settings.SetSourceRect({0.0, 0.0, 1.0, 1.0});
  settings.SetOutputRect({0.25, 0.25, 0.75, 0.75});
  const Image input = Numbered(16, 8);
  const Image output = RunRegistered(settings, input, Proc::PixFmt::RGBX);
  ASSERT_EQ(output.width, 16);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      if (x >= 4 && x < 12 && y >= 2 && y < 6) {
        ExpectNear(output.At(x, y),
                   input.Sample((x + 0.5f - 4.0f) / 8.0f, (y + 0.5f - 2.0f) / 4.0f), 1.0f, x, y);
      } else {
        EXPECT_EQ(output.At(x, y), (Texel{0, 0, 0, 0})) << x << "," << y;
      }
    }
  }
}

TEST(EffectSubFrameTest, RectanglesCountFromTheTopLeft) {
  // Red top-left quarter, blue elsewhere; that quarter fills the output.
  const Image input = MakeImage(16, 8, [](int x, int y) {
    return x < 8 && y >= 4 ? Texel{255, 0, 0, 255} : Texel{0, 0, 255, 255};
  });
  Proc::SettingsEffectSubFrame settings;
  settings.SetSourceRect({0.0, 0.0, 0.5, 0.5});
  settings.SetOutputRect({0.0, 0.0, 1.0, 1.0});
  const Image output = RunRegistered(settings, input);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 14; ++x) EXPECT_EQ(TopDown(output, x, y), (Texel{255, 0, 0, 255}));
  }
}

class FixVertVideoTest : public ::testing::Test {
 protected:
  static Image Run(const Image& input, const Proc::FrameInfo& target) {
    Proc::SettingsEffectFixVertVideo settings;
    settings.SetFrameInfo(target);
    return RunRegistered(settings, input, Proc::PixFmt::RGBX);
  }
};

TEST_F(FixVertVideoTest, TallPictureInAWideFrameHasExactMiddleAndBlurredBars) {
  const Image input = ScrambledNoise(90, 160);
  const Image output = Run(input, {320, 180, 1, 1});
  ASSERT_EQ(output.width, 320);
  ASSERT_EQ(output.height, 180);
  // The picture fills the middle: r = (90 / 160) / (320 / 180) of the width.
  const double r = (90.0 / 160.0) / (320.0 / 180.0);
  const double left = 160.0 * (1.0 - r);
  const double width = 320.0 * r;
  for (int y = 0; y < 180; y += 7) {
    for (int x = static_cast<int>(left) + 2; x < static_cast<int>(left + width) - 2; x += 5) {
      const float u = static_cast<float>((x + 0.5 - left) / width);
      ExpectNear(output.At(x, y), input.Sample(u, (y + 0.5f) / 180.0f), 1.5f, x, y);
    }
  }
  // The bars hold the outer strips, blurred: far smoother than the noise,
  // and of its mean.
  const Stats noise = ChannelStats(input, 0, 0, 0, 30, 160);
  for (int x0 : {0, 320 - static_cast<int>(left) + 2}) {
    const Stats bar = ChannelStats(output, 0, x0, 20, x0 + static_cast<int>(left) - 2, 160);
    EXPECT_LT(bar.deviation, noise.deviation / 3.0) << x0;
    EXPECT_NEAR(bar.mean, noise.mean, 12.0) << x0;
  }
  for (const Texel& texel : output.texels) EXPECT_EQ(texel[3], 255.0f);
}

TEST_F(FixVertVideoTest, EqualAspectsShowOnlyThePicture) {
  const Image input = Numbered(16, 9);
  const Image expected = MakeImage(
      32, 18, [&](int x, int y) { return input.Sample((x + 0.5f) / 32.0f, (y + 0.5f) / 18.0f); });
  EXPECT_TRUE(Near(Run(input, {32, 18, 1, 1}), expected, 1.0f));
}

TEST_F(FixVertVideoTest, WidePictureInATallFrameGetsBarsAboveAndBelow) {
  const Image input = ScrambledNoise(64, 36);
  const Image output = Run(input, {36, 64, 1, 1});
  ASSERT_EQ(output.width, 36);
  ASSERT_EQ(output.height, 64);
  // The picture's height is r = (36 / 64) / (64 / 36) of the frame's.
  const double r = (36.0 / 64.0) / (64.0 / 36.0);
  const double bottom = 32.0 * (1.0 - r);
  const int row = static_cast<int>(bottom + 32.0 * r);  // the middle row
  for (int x = 1; x < 35; ++x) {
    const float v = static_cast<float>((row + 0.5 - bottom) / (64.0 * r));
    ExpectNear(output.At(x, row), input.Sample((x + 0.5f) / 36.0f, v), 1.5f, x, row);
  }
  const Stats bar = ChannelStats(output, 0, 0, 0, 36, static_cast<int>(bottom) - 1);
  EXPECT_LT(bar.deviation, ChannelStats(input, 0, 0, 0, 64, 36).deviation / 2.0);
}

}  // namespace
}  // namespace Obrisk::Testing
