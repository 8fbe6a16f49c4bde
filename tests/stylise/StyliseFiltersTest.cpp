// Sharpen, find edges, erosion, diffuse and glass mosaic against their
// definitions computed on the CPU.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "obrisk/settings/StyliseSettings.h"
#include "support/ImageTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Testing::Image;
using Testing::Level;
using Testing::Near;
using Testing::Noise;
using Testing::Texel;

// Dark on the left, bright on the right of column `edge`, opaque.
Image Step(int width, int height, int edge) {
  return Testing::MakeImage(width, height, [&](int x, int) {
    return x < edge ? Texel{40, 60, 20, 255} : Texel{220, 200, 180, 255};
  });
}

// --- Sharpen ---------------------------------------------------------------

// The kernel's radius for a picture of this size (the rule by longer side).
int SharpenRadius(int width, int height) {
  const int side = std::max(width, height);
  const int kernel = side <= 640 ? 3 : static_cast<int>(std::ceil((side + 1760) / 800.0)) | 1;
  return std::min(std::max(kernel / 2, 1), 3);
}

// One direction of the kernel over `in` (alpha the centre's), stored in 8 bits.
Image SharpenPass(const Image& in, double amount, int radius, int dx, int dy) {
  const float a = static_cast<float>(amount) * (40.0f / 255.0f) / static_cast<float>(radius);
  const float c = 1.0f / (128.0f / 255.0f - 2.0f * radius * a) + 1.0f / 131072.0f;
  const float h0 = c * 128.0f / 255.0f;
  const float h1 = -c * a;
  return Testing::MakeImage(in.width, in.height, [&](int x, int y) {
    Texel out = in.At(x, y);
    for (int k = 0; k < 3; ++k) {
      double sum = h0 * in.At(x, y)[k];
      for (int i = 1; i <= radius; ++i) {
        sum += h1 * (in.Clamped(x + i * dx, y + i * dy)[k] + in.Clamped(x - i * dx, y - i * dy)[k]);
      }
      out[k] = Level(sum / 255.0);
    }
    return out;
  });
}

Image CpuSharpen(const Image& in, double amount) {
  const int radius = SharpenRadius(in.width, in.height);
  return SharpenPass(SharpenPass(in, amount, radius, 1, 0), amount, radius, 0, 1);
}

class SharpenTest : public ::testing::TestWithParam<double> {};

TEST_P(SharpenTest, MatchesTheSeparableKernelAndKeepsAlpha) {
  const Image input = Noise(15, 7, 3);
  const Image output = Testing::RunRegistered(Proc::SettingsEffectSharpen(GetParam()), input);
  EXPECT_TRUE(Near(output, CpuSharpen(input, GetParam()), 1.0f));
}

INSTANTIATE_TEST_SUITE_P(Amounts, SharpenTest, ::testing::Values(0.0, 0.3, 1.0));

TEST(SharpenKernelTest, AmountZeroCopies) {
  const Image input = Noise(9, 5, 4);
  EXPECT_TRUE(Near(Testing::RunRegistered(Proc::SettingsEffectSharpen(0.0), input), input));
}

// How far an impulse spreads shows the radius: a bright texel in a grey
// line is sharpened into darker neighbours exactly `radius` texels out.
int MeasuredRadius(int width, int height, bool alongX) {
  const int cx = width / 2;
  const int cy = height / 2;
  const Image input = Testing::MakeImage(width, height, [&](int x, int y) {
    return x == cx && y == cy ? Texel{200, 200, 200, 255} : Texel{100, 100, 100, 255};
  });
  const Image output = Testing::RunRegistered(Proc::SettingsEffectSharpen(1.0), input);
  int radius = 0;
  for (int i = 1; i <= 5; ++i) {
    const Texel& t = alongX ? output.At(cx + i, cy) : output.At(cx, cy + i);
    if (t[0] < 99.5f) radius = i;
  }
  return radius;
}

TEST(SharpenKernelTest, RadiusFollowsTheLongerSide) {
  EXPECT_EQ(MeasuredRadius(640, 3, true), 1);
  EXPECT_EQ(MeasuredRadius(641, 3, true), 2);
  EXPECT_EQ(MeasuredRadius(2240, 3, true), 2);
  EXPECT_EQ(MeasuredRadius(2241, 3, true), 3);
  EXPECT_EQ(MeasuredRadius(3, 641, false), 2);
}

// --- Find edges ------------------------------------------------------------

float Luma(const Image& in, int x, int y) {
  const Texel& t = in.Clamped(x, y);
  return (0.299f * t[0] + 0.587f * t[1] + 0.114f * t[2]) / 255.0f;
}

Image CpuFindEdges(const Image& in, int mode, double blend, double sensibility) {
  return Testing::MakeImage(in.width, in.height, [&](int x, int y) {
    auto l = [&](int dx, int dy) { return Luma(in, x + dx, y + dy); };
    const float gx = l(-1, 1) + 2 * l(0, 1) + l(1, 1) - l(-1, -1) - 2 * l(0, -1) - l(1, -1);
    const float gy = l(1, 1) + 2 * l(1, 0) + l(1, -1) - l(-1, 1) - 2 * l(-1, 0) - l(-1, -1);
    const double strength = std::clamp(sensibility * std::hypot(gx, gy), 0.0, 1.0);
    const double e = 1.0 + (strength - 1.0) * blend;
    const Texel& s = in.At(x, y);
    Texel out = s;
    for (int k = 0; k < 3; ++k) out[k] = Level(mode == 0 ? s[k] / 255.0 * e : 1.0 - e);
    return out;
  });
}

struct EdgesCase {
  int mode;
  double blend;
  double sensibility;
};

class FindEdgesTest : public ::testing::TestWithParam<EdgesCase> {};

TEST_P(FindEdgesTest, SobelOfAStepAndOfNoise) {
  const EdgesCase c = GetParam();
  Proc::SettingsEffectFindEdges settings;
  settings.SetParams(static_cast<Proc::SettingsEffectFindEdges::Type>(c.mode), c.blend,
                     c.sensibility);
  for (const Image& input : {Step(15, 7, 6), Noise(13, 9, 5)}) {
    EXPECT_TRUE(Near(Testing::RunRegistered(settings, input),
                     CpuFindEdges(input, c.mode, c.blend, c.sensibility), 1.0f));
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, FindEdgesTest,
                         ::testing::Values(EdgesCase{0, 1.0, 2.0}, EdgesCase{1, 1.0, 2.0},
                                           EdgesCase{0, 0.5, 0.7}, EdgesCase{1, 0.3, 5.0}));

TEST(FindEdgesStepTest, StepShowsOnlyAtTheEdge) {
  Proc::SettingsEffectFindEdges settings;
  settings.SetParams(Proc::SettingsEffectFindEdges::Type::Inverted, 1.0, 4.0);
  const Image output = Testing::RunRegistered(settings, Step(15, 7, 6));
  for (int x = 0; x < 15; ++x) {
    const bool atEdge = x == 5 || x == 6;
    EXPECT_EQ(output.At(x, 3)[0], atEdge ? 0.0f : 255.0f) << x;
  }
}

TEST(FindEdgesStepTest, BlendZeroKeepsThePicture) {
  Proc::SettingsEffectFindEdges settings;
  settings.SetParams(Proc::SettingsEffectFindEdges::Type::Colour, 0.0, 3.0);
  const Image input = Noise(11, 6, 6);
  EXPECT_TRUE(Near(Testing::RunRegistered(settings, input), input));
}

// --- Erosion and dilation ----------------------------------------------------

Image CpuMorphology(const Image& in, int radius, bool dilation) {
  return Testing::MakeImage(in.width, in.height, [&](int x, int y) {
    Texel out = in.At(x, y);
    for (int k = 0; k < 3; ++k) {
      float value = out[k];
      for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
          const float v = in.Clamped(x + dx, y + dy)[k];
          value = dilation ? std::max(value, v) : std::min(value, v);
        }
      }
      out[k] = value;
    }
    return out;
  });
}

struct ErosionCase {
  double size;
  Proc::SettingsEffectErosion::Mode mode;
  int radius;  // trunc(longer side x size / 100) for the 17 x 9 picture
};

class ErosionTest : public ::testing::TestWithParam<ErosionCase> {};

TEST_P(ErosionTest, MinimumOrMaximumOverTheSquare) {
  const ErosionCase c = GetParam();
  const Image input = Noise(17, 9, 7);
  const Image output = Testing::RunRegistered(Proc::SettingsEffectErosion(c.size, c.mode), input);
  const bool dilation = c.mode == Proc::SettingsEffectErosion::Mode::Dilation;
  EXPECT_TRUE(Near(output, CpuMorphology(input, c.radius, dilation)));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ErosionTest,
    ::testing::Values(ErosionCase{0.0, Proc::SettingsEffectErosion::Mode::Erosion, 0},
                      ErosionCase{6.0, Proc::SettingsEffectErosion::Mode::Erosion, 1},
                      ErosionCase{6.0, Proc::SettingsEffectErosion::Mode::Dilation, 1},
                      ErosionCase{10.0, Proc::SettingsEffectErosion::Mode::Erosion, 1},
                      ErosionCase{10.0, Proc::SettingsEffectErosion::Mode::Dilation, 1}));

TEST(ErosionRadiusTest, LargerRadiusOnAWiderPicture) {
  // 50 x 7 at 9 percent: radius trunc(4.5) = 4.
  const Image input = Noise(50, 7, 8);
  const Image output = Testing::RunRegistered(
      Proc::SettingsEffectErosion(9.0, Proc::SettingsEffectErosion::Mode::Dilation), input);
  EXPECT_TRUE(Near(output, CpuMorphology(input, 4, true)));
}

// --- Diffuse -----------------------------------------------------------------

// Every texel names its own position in red and green.
Image Positions(int width, int height) {
  return Testing::MakeImage(width, height, [](int x, int y) {
    return Texel{float(x * 8), float(y * 8), 128, 255};
  });
}

TEST(DiffuseTest, StayProbabilityOneOrRadiusZeroCopies) {
  const Image input = Noise(13, 7, 9);
  EXPECT_TRUE(
      Near(Testing::RunRegistered(Proc::SettingsEffectDiffuse(0.3, 1.0, 1.0f), input), input));
  EXPECT_TRUE(
      Near(Testing::RunRegistered(Proc::SettingsEffectDiffuse(0.3, 0.0, 0.0f), input), input));
}

TEST(DiffuseTest, PixelsMoveWithinTheRadius) {
  // 31 x 15: a radius of 0.1 of the width is 3.1 texels either way.
  const Image input = Positions(31, 15);
  const Image output = Testing::RunRegistered(Proc::SettingsEffectDiffuse(0.2, 0.0, 0.5f), input);
  for (int y = 0; y < input.height; ++y) {
    for (int x = 0; x < input.width; ++x) {
      const int fromX = static_cast<int>(output.At(x, y)[0]) / 8;
      const int fromY = static_cast<int>(output.At(x, y)[1]) / 8;
      EXPECT_LE(std::hypot(fromX - x, fromY - y), 4.2) << x << "," << y;
    }
  }
}

// --- Glass mosaic --------------------------------------------------------------

TEST(GlassMosaicTest, FlatGlassShowsThePicture) {
  // 20 texels across 40 tiles: every texel centre lies on a tile border,
  // where the tile's depth is zero.
  const Image input = Noise(20, 11, 10);
  const Image output =
      Testing::RunRegistered(Proc::SettingsEffectGlassMosaic(0.3, 0.5, 1.0, 1.0), input);
  EXPECT_TRUE(Near(output, input, 0.0f, [&](int x, int y) {
    return x < 2 || y < 2 || x >= input.width - 2 || y >= input.height - 2;
  }));
}

TEST(GlassMosaicTest, CurvedTilesRefractWithinThePicture) {
  // A horizontal ramp: each output colour is the ramp read somewhere in the
  // picture, shifted but never blank.
  const Image input = Testing::MakeImage(41, 21, [](int x, int) {
    return Texel{float(x * 6), 100, 50, 255};
  });
  const Image output =
      Testing::RunRegistered(Proc::SettingsEffectGlassMosaic(0.0, 1.0, 0.2, 0.2), input);
  EXPECT_GT(Testing::MaxDifference(output, input, 1).value, 2.0f);
  for (const Texel& t : output.texels) {
    EXPECT_EQ(t[1], 100.0f);
    EXPECT_EQ(t[3], 255.0f);
  }
}

}  // namespace
}  // namespace Obrisk::Ogl
