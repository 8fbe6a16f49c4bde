// Mosaic, halftone, oil paint, pop art and neon lamp against their
// definitions computed on the CPU.
#include <algorithm>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "effects/stylise/EffectPopArt.h"
#include "obrisk/settings/StyliseSettings.h"
#include "support/GpuTestSupport.h"
#include "support/ImageTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Testing::Flat;
using Testing::Image;
using Testing::Level;
using Testing::Near;
using Testing::Noise;
using Testing::Texel;

double Luma709(const Texel& t) {
  return (0.2126 * t[0] + 0.7152 * t[1] + 0.0722 * t[2]) / 255.0;
}

// --- Mosaic ------------------------------------------------------------------

// Tile i covers the texels whose centres lie in [i s, (i + 1) s); every
// texel shows its tile's mean.
Image CpuMosaic(const Image& in, int tilesX, int tilesY) {
  const double sx = static_cast<double>(in.width) / tilesX;
  const double sy = static_cast<double>(in.height) / tilesY;
  auto tileOf = [](int texel, double size) {
    return static_cast<int>(std::floor((texel + 0.5) / size));
  };
  return Testing::MakeImage(in.width, in.height, [&](int x, int y) {
    const int tx = tileOf(x, sx);
    const int ty = tileOf(y, sy);
    std::array<double, 4> sum{};
    int count = 0;
    for (int j = 0; j < in.height; ++j) {
      for (int i = 0; i < in.width; ++i) {
        if (tileOf(i, sx) != tx || tileOf(j, sy) != ty) continue;
        for (int k = 0; k < 4; ++k) sum[k] += in.At(i, j)[k];
        ++count;
      }
    }
    Texel out;
    for (int k = 0; k < 4; ++k) out[k] = static_cast<float>(std::round(sum[k] / count));
    return out;
  });
}

struct MosaicCase {
  int width;
  int height;
  int tilesX;
  int tilesY;
};

class MosaicTest : public ::testing::TestWithParam<MosaicCase> {};

TEST_P(MosaicTest, EveryTileIsItsMean) {
  const MosaicCase c = GetParam();
  const Image input = Noise(c.width, c.height, 11);
  const Proc::SettingsEffectMosaic settings(1.0 / c.tilesX, 1.0 / c.tilesY,
                                            Proc::SettingsEffectMosaic::Mode::Average);
  ASSERT_EQ(settings.GetAmountHor(c.width), c.tilesX);
  ASSERT_EQ(settings.GetAmountVer(c.height), c.tilesY);
  EXPECT_TRUE(
      Near(Testing::RunRegistered(settings, input), CpuMosaic(input, c.tilesX, c.tilesY), 1.0f));
}

INSTANTIATE_TEST_SUITE_P(Tiles, MosaicTest,
                         ::testing::Values(MosaicCase{16, 9, 4, 3}, MosaicCase{15, 7, 4, 2},
                                           MosaicCase{13, 9, 1, 1}, MosaicCase{9, 5, 9, 5}));

TEST(MosaicTileTest, TileCountsStayWithinThePicture) {
  const Proc::SettingsEffectMosaic fine(0.001, 0.001, Proc::SettingsEffectMosaic::Mode::Average);
  EXPECT_EQ(fine.GetAmountHor(16), 16);
  EXPECT_EQ(fine.GetAmountVer(9), 9);
  const Proc::SettingsEffectMosaic coarse(1.0, 1.0, Proc::SettingsEffectMosaic::Mode::Average);
  EXPECT_EQ(coarse.GetAmountHor(16), 1);
  // More tiles asked for than pixels: one per pixel, a copy.
  const Image input = Noise(7, 5, 12);
  EXPECT_TRUE(Near(Testing::RunRegistered(fine, input), input, 0.0f));
}

TEST(MosaicTileTest, RescaleToTheFullSizeCopies) {
  const Image input = Noise(16, 9, 13);
  const Proc::SettingsEffectMosaic settings(1.0 / 16, 1.0 / 9,
                                            Proc::SettingsEffectMosaic::Mode::Rescale);
  EXPECT_TRUE(Near(Testing::RunRegistered(settings, input), input, 0.0f));
}

// --- Halftone ------------------------------------------------------------------

Proc::SettingsEffectHalfTone HalfTone(double threshold, double mix) {
  Proc::SettingsEffectHalfTone settings;
  settings.SetColors({10, 20, 30}, {250, 200, 100});
  settings.SetColorMix(mix);
  settings.SetThreshold(threshold);
  settings.SetDotSize(0.05);
  settings.SetAngle(30);
  return settings;
}

Image CpuHalfTone(const Image& in, const Proc::SettingsEffectHalfTone& s) {
  const double a = static_cast<double>(in.width) / in.height;
  const double ax = a > 1 ? 1.0 : a;
  const double ay = a > 1 ? 1.0 / a : 1.0;
  const double angle = s.GetAngle() * 3.14159265358979323846 / 180.0;
  const double dotSize = std::min(1.0 / s.GetDotSize(), 2.0 * std::min(in.width, in.height));
  const double threshold = std::min(s.GetThreshold(), 0.999);
  const auto c1 = s.GetColor1();
  const auto c2 = s.GetColor2();
  const std::array<double, 3> color1{c1.r / 255.0, c1.g / 255.0, c1.b / 255.0};
  const std::array<double, 3> color2{c2.r / 255.0, c2.g / 255.0, c2.b / 255.0};
  return Testing::MakeImage(in.width, in.height, [&](int x, int y) {
    const double u = (x + 0.5) / in.width * ax;
    const double v = (y + 0.5) / in.height * ay;
    const double cx = u * std::sin(angle) + v * std::cos(angle);
    const double cy = -u * std::cos(angle) + v * std::sin(angle);
    const double pattern = (std::cos(cx * dotSize) + std::cos(cy * dotSize)) * 0.25;
    const Texel& t = in.At(x, y);
    const double level =
        std::clamp((Luma709(t) + (pattern - 0.5) * threshold) / (1.0 - threshold), 0.0, 1.0);
    Texel out = t;
    for (int k = 0; k < 3; ++k) {
      const double dot = color2[k] + (t[k] / 255.0 - color2[k]) * s.GetColorMix();
      out[k] = Level(color1[k] + (dot - color1[k]) * level);
    }
    return out;
  });
}

class HalfToneTest : public ::testing::TestWithParam<double> {};

TEST_P(HalfToneTest, MatchesTheScreenAndKeepsAlpha) {
  const auto settings = HalfTone(GetParam(), 0.4);
  const Image input = Noise(23, 13, 14);
  EXPECT_TRUE(Near(Testing::RunRegistered(settings, input), CpuHalfTone(input, settings), 2.0f));
}

INSTANTIATE_TEST_SUITE_P(Thresholds, HalfToneTest, ::testing::Values(0.0, 0.3, 0.6, 1.0));

// The share of texels drawn in the dot colour grows with the level: none on
// black, all on white.
TEST(HalfToneDotTest, DotsGrowWithTheLevel) {
  const auto settings = HalfTone(0.9, 0.0);
  double previous = -1.0;
  for (float level : {0.0f, 60.0f, 120.0f, 180.0f, 255.0f}) {
    const Image input = Flat(40, 30, {level, level, level, 255});
    const Image output = Testing::RunRegistered(settings, input);
    EXPECT_TRUE(Near(output, CpuHalfTone(input, settings), 2.0f));
    int dots = 0;
    for (const Texel& t : output.texels) dots += t[0] > 130.0f;
    const double share = static_cast<double>(dots) / output.texels.size();
    EXPECT_GE(share, previous) << "level " << level;
    if (level == 0.0f) {
      EXPECT_EQ(share, 0.0);
    }
    if (level == 255.0f) {
      EXPECT_EQ(share, 1.0);
    }
    previous = share;
  }
}

// --- Oil paint -----------------------------------------------------------------

// A window's mean colour (0 to 255) and summed channel variance (0 to 1).
struct Window {
  std::array<double, 3> mean;
  double variance;
};

Window CpuWindow(const Image& in, int x0, int y0, int radius) {
  std::array<double, 3> sum{};
  std::array<double, 3> squares{};
  for (int j = 0; j <= radius; ++j) {
    for (int i = 0; i <= radius; ++i) {
      const Texel& t = in.Clamped(x0 + i, y0 + j);
      for (int k = 0; k < 3; ++k) {
        sum[k] += t[k] / 255.0;
        squares[k] += (t[k] / 255.0) * (t[k] / 255.0);
      }
    }
  }
  const double count = (radius + 1.0) * (radius + 1.0);
  Window w{};
  w.variance = 0.00001;
  for (int k = 0; k < 3; ++k) {
    const double mean = sum[k] / count;
    w.mean[k] = mean * 255.0;
    w.variance += squares[k] / count - mean * mean;
  }
  return w;
}

// Every pixel shows the mean of one of the four windows that have it as a
// corner, one whose variance is the least up to the 8-bit steps in which
// the analysis frame keeps it; alpha is the pixel's own.
void ExpectKuwahara(const Image& in, const Image& out, int radius) {
  constexpr double kVarianceStep = 1.0 / 255.0;
  for (int y = 0; y < in.height; ++y) {
    for (int x = 0; x < in.width; ++x) {
      const Window windows[4] = {CpuWindow(in, x - radius, y - radius, radius),
                                 CpuWindow(in, x, y - radius, radius),
                                 CpuWindow(in, x - radius, y, radius), CpuWindow(in, x, y, radius)};
      double least = 1.0;
      for (const Window& w : windows) least = std::min(least, w.variance);
      const Texel& t = out.At(x, y);
      bool found = false;
      for (const Window& w : windows) {
        bool same = w.variance <= least + kVarianceStep;
        for (int k = 0; k < 3; ++k) same = same && std::fabs(t[k] - w.mean[k]) <= 1.0;
        found = found || same;
      }
      EXPECT_TRUE(found) << "pixel " << x << "," << y;
      EXPECT_EQ(t[3], in.At(x, y)[3]) << "pixel " << x << "," << y;
    }
  }
}

TEST(OilPaintTest, RadiusZeroKeepsTheColours) {
  const Image input = Noise(17, 9, 15);
  EXPECT_TRUE(
      Near(Testing::RunRegistered(Proc::SettingsEffectOilPaint(0, 1.0f), input), input, 0.0f));
  // 30 thousandths of 17 pixels is less than one.
  EXPECT_TRUE(
      Near(Testing::RunRegistered(Proc::SettingsEffectOilPaint(30, 1.0f), input), input, 0.0f));
}

// 70 pixels across: radius trunc(30 x 1) x 70 / 1000 = 2, and at half the
// intensity trunc(15) x 70 / 1000 = 1.
TEST(OilPaintTest, TakesTheMeanOfTheFlattestWindow) {
  std::mt19937 random(16);
  std::uniform_int_distribution<int> level(0, 255);
  // Flat blocks beside noise: at a block's border the flat side wins.
  const Image input = Testing::MakeImage(70, 21, [&](int x, int y) {
    const bool flat = (x / 7 + y / 7) % 2 == 0;
    const float n = float(level(random));
    return flat ? Texel{200, 90, 40, float(100 + x)} : Texel{n, 255 - n, std::floor(n / 2), 255};
  });
  ExpectKuwahara(input, Testing::RunRegistered(Proc::SettingsEffectOilPaint(30, 1.0f), input), 2);
  ExpectKuwahara(input, Testing::RunRegistered(Proc::SettingsEffectOilPaint(30, 0.5f), input), 1);
  // Inside a flat block every pixel has a flat window.
  const Image output = Testing::RunRegistered(Proc::SettingsEffectOilPaint(30, 1.0f), input);
  EXPECT_EQ(output.At(3, 3)[0], 200.0f);
  EXPECT_EQ(output.At(17, 3)[1], 90.0f);
}

// --- Pop art -------------------------------------------------------------------

std::array<double, 3> Hsv2Rgb(double h, double s, double v) {
  std::array<double, 3> rgb{};
  const double offsets[3] = {5.0, 3.0, 1.0};
  for (int k = 0; k < 3; ++k) {
    const double n = std::fmod(offsets[k] + h * 6.0, 6.0);
    rgb[k] = v - v * s * std::clamp(std::min(n, 4.0 - n), 0.0, 1.0);
  }
  return rgb;
}

Proc::SettingsEffectPopArt PopArt(int rows, int columns, bool reverse, bool enlarge, int levels) {
  Proc::SettingsEffectPopArt settings;
  settings.SetColours(0.7, 0.1, 0.2, 0.15);
  settings.SetGrid(rows, columns, reverse, enlarge);
  settings.SetLevels(levels);
  return settings;
}

TEST(PopArtTest, EachCellIsAPosterisedCopyInItsHue) {
  const auto settings = PopArt(2, 3, true, false, 4);
  const Texel grey{150, 150, 150, 200};
  // 2 rows of 3 without enlarging: 18 x 9 shrinks to 18 x 6.
  const Image output = Testing::RunRegistered(settings, Flat(18, 9, grey));
  ASSERT_EQ(output.width, 18);
  ASSERT_EQ(output.height, 6);
  const double y = Luma709(grey);
  const double band = 0.2 + (std::floor((y - 0.2) * 4) + 0.5) / 4;
  for (int cy = 0; cy < 2; ++cy) {
    for (int cx = 0; cx < 3; ++cx) {
      const double h = 0.1 + (cx * 2 + cy) * -0.15;
      const auto rgb = Hsv2Rgb(h - std::floor(h), 0.7, std::min(1.0, band));
      for (int py = 0; py < 3; ++py) {
        for (int px = 0; px < 6; ++px) {
          const Texel& t = output.At(cx * 6 + px, cy * 3 + py);
          for (int k = 0; k < 3; ++k) EXPECT_NEAR(t[k], rgb[k] * 255.0, 1.0) << cx << "," << cy;
          EXPECT_EQ(t[3], 200.0f);
        }
      }
    }
  }
}

TEST(PopArtTest, OneLevelGivesOneBandPerCell) {
  const Image ramp = Testing::MakeImage(20, 10, [](int x, int) {
    const float v = 100.0f + 7.0f * float(x);
    return Texel{v, v, v, 255};
  });
  const Image output = Testing::RunRegistered(PopArt(1, 1, false, false, 1), ramp);
  for (const Texel& t : output.texels) {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(t[k], output.texels.front()[k], 1.0f);
  }
}

TEST(PopArtTest, OutputSizeKeepsEachCellsProportions) {
  const Proc::FrameInfo info{30, 20, 1, 1};
  auto size = [&](int rows, int columns, bool enlarge) {
    const Proc::FrameInfo out = PopArtFrameInfo(PopArt(rows, columns, false, enlarge, 4), info);
    return std::pair(out.width, out.height);
  };
  EXPECT_EQ(size(2, 2, true), std::pair(30, 20));
  EXPECT_EQ(size(3, 1, true), std::pair(30, 60));
  EXPECT_EQ(size(1, 3, true), std::pair(90, 20));
  EXPECT_EQ(size(3, 1, false), std::pair(10, 20));
  EXPECT_EQ(size(1, 3, false), std::pair(30, 6));
  EXPECT_EQ(PopArtFrameInfo(PopArt(1, 16, false, false, 4), {30, 1, 1, 1}).height, 1);
}

// --- Neon lamp -------------------------------------------------------------------

// Without blur passes (intensity 0) each glow is the prepared picture.
Image CpuNeonWithoutBlur(const Image& in) {
  return Testing::MakeImage(in.width, in.height, [&](int x, int y) {
    const Texel& t = in.At(x, y);
    std::array<double, 3> rgb{};
    for (int k = 0; k < 3; ++k) {
      const double c = t[k] / 255.0;
      const double glow = 3.0 * std::pow(c, 2.2);
      rgb[k] = std::pow(1.0 - std::exp(-(c + glow)), 1.0 / 2.2);
    }
    const double alpha = (2 * rgb[0] + rgb[1] + 3 * rgb[2]) / 6.0;
    return Texel{Level(rgb[0]), Level(rgb[1]), Level(rgb[2]), Level(alpha)};
  });
}

Proc::SettingsEffectNeonLamp Neon(double intensity, Proc::SettingsEffectNeonLamp::Color colour) {
  Proc::SettingsEffectNeonLamp settings;
  settings.SetIntensity(intensity);
  settings.SetColor(colour);
  return settings;
}

TEST(NeonLampTest, WithoutBlurTheGlowIsThePreparedPictureThreeTimes) {
  const Image input = Noise(15, 9, 17);
  EXPECT_TRUE(Near(Testing::RunRegistered(Neon(0.0, {0, 0, 0, 255}), input),
                   CpuNeonWithoutBlur(input), 1.0f));
}

TEST(NeonLampTest, ATubeColourTakesOverTheOpaquePicture) {
  const Image input = Noise(15, 9, 18, true);
  const Image output = Testing::RunRegistered(Neon(0.3, {255, 0, 0, 255}), input);
  for (int y = 0; y < input.height; ++y) {
    for (int x = 0; x < input.width; ++x) {
      EXPECT_EQ(output.At(x, y)[0], 255.0f);
      // Green and blue glow not at all: only the picture's own, tone mapped.
      const double g = input.At(x, y)[1] / 255.0;
      EXPECT_NEAR(output.At(x, y)[1], Level(std::pow(1.0 - std::exp(-g), 1.0 / 2.2)), 1.0);
    }
  }
}

// The glow textures follow the frame size: after a change the output is
// what a fresh effect makes of the new size.
TEST(NeonLampTest, GlowFollowsAChangeOfFrameSize) {
  const auto settings = Neon(0.5, {0, 0, 0, 255});
  auto render = [&](Proc::IEffect& effect, const Image& input) {
    Ptr<Proc::IData> data = Testing::Upload(Testing::ToFrame(input, Proc::PixFmt::RGBA));
    return Testing::ToImage(*Testing::Download(effect.ProcessData({data})));
  };
  Ptr<Proc::IEffect> effect = Testing::MakeEffect(settings);
  const Image large = Noise(32, 18, 19);
  const Image small = Noise(9, 5, 20);
  render(*effect, large);
  const Image afterChange = render(*effect, small);
  Ptr<Proc::IEffect> fresh = Testing::MakeEffect(settings);
  EXPECT_TRUE(Near(afterChange, render(*fresh, small), 0.0f));
  EXPECT_TRUE(Near(render(*effect, large), render(*fresh, large), 0.0f));
}

}  // namespace
}  // namespace Obrisk::Ogl
