#include <cmath>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"
#include "effects/blur/EffectGaussianBlur.h"
#include "effects/blur/EffectTiltShift.h"

namespace Obrisk::Ogl {
namespace {

using Proc::SettingsEffectBlurGaussian;
using Testing::Image;

Image Noise(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> level(0, 255);
  return Testing::MakeImage(width, height, [&](int, int) {
    return std::array<float, 4>{float(level(random)), float(level(random)), float(level(random)),
                                float(level(random))};
  });
}

// A separable convolution on the CPU with the symmetric `weights` (the
// centre's first) normalised by their sum, clamped to the edge, without
// rounding; alpha is kept.
Image CpuSeparable(const Image& in, const std::vector<double>& weights) {
  const int reach = static_cast<int>(weights.size()) - 1;
  double total = weights[0];
  for (int i = 1; i <= reach; ++i) total += 2.0 * weights[i];
  auto pass = [&](const Image& image, int dx, int dy) {
    return Testing::MakeImage(image.width, image.height, [&](int x, int y) {
      std::array<float, 4> out = image.At(x, y);
      for (int c = 0; c < 3; ++c) {
        double sum = 0.0;
        for (int i = -reach; i <= reach; ++i) {
          sum += weights[std::abs(i)] * image.Clamped(x + i * dx, y + i * dy)[c];
        }
        out[c] = static_cast<float>(sum / total);
      }
      return out;
    });
  };
  return pass(pass(in, 1, 0), 0, 1);
}

// The discrete Gaussian that the direct passes' taps stand for: taps two
// texels apart, every texel up to the last tap's weighted exp(c (x / 2)^2).
Image CpuGaussian(const Image& in, const SettingsEffectBlurGaussian& settings) {
  const auto longer = static_cast<std::uint32_t>(std::max(in.width, in.height));
  const GaussianTaps taps = GaussianBlurTaps(settings, longer);
  std::vector<double> weights(static_cast<std::size_t>(2 * taps.taps) + 1);
  for (std::size_t x = 0; x < weights.size(); ++x) {
    weights[x] = std::exp(taps.coefficient * (x / 2.0) * (x / 2.0));
  }
  return CpuSeparable(in, weights);
}

SettingsEffectBlurGaussian Blur(double amount, bool fast) {
  SettingsEffectBlurGaussian settings(amount);
  settings.SwitchFastImpl(fast);
  return settings;
}

struct BlurCase {
  double amount;
  bool fast;
  int width;
  int height;
};

class GaussianBlurTest : public ::testing::TestWithParam<BlurCase> {};

// The GPU rounds the intermediate frame and the output to 8 bits (half a
// level each), and linear filtering of 8-bit textures splits a sample
// between its two texels with a fraction of 8 bits (llvmpipe): each pair's
// split may be off by 1/512 of the pair's weight, which over a pass moves a
// value by under half a level even where neighbours differ by 255, and on
// noise the errors mostly cancel. These pictures come out within 1.1 levels
// of the exact convolution; two levels leave room for other drivers' rounding,
// while a kernel that skipped every other texel misses by tens of levels.
constexpr float kLinearPairTolerance = 2.0f;

TEST_P(GaussianBlurTest, MatchesACpuConvolutionOfTheFullDiscreteGaussian) {
  const BlurCase& param = GetParam();
  const Image input = Noise(param.width, param.height, 7);
  const auto settings = Blur(param.amount, param.fast);
  const Image output = Testing::RunRegistered(settings, input);
  const auto worst = Testing::MaxDifference(output, CpuGaussian(input, settings));
  EXPECT_LE(worst.value, kLinearPairTolerance)
      << "at " << worst.x << "," << worst.y << " channel " << worst.channel;
}

INSTANTIATE_TEST_SUITE_P(AmountsAndModes, GaussianBlurTest,
                         ::testing::Values(BlurCase{0.05, false, 40, 24},
                                           BlurCase{0.1, false, 37, 21},
                                           BlurCase{0.1, true, 40, 24}, BlurCase{0.3, true, 24, 16},
                                           BlurCase{0.0, false, 20, 30},
                                           BlurCase{0.0, true, 20, 30}));

// Columns (or rows) alternating between 0 and 255: every texel of the
// kernel counts, so a small blur leaves mid-grey. At amount 0.05 of 40
// pixels the deviation is 2/3 tap, 4/3 texels, and the bell keeps 0.1% of
// the alternation (0.1 level); a kernel that took every other texel alone
// would leave the stripes untouched.
class GaussianBlurStripesTest : public ::testing::TestWithParam<bool> {};

TEST_P(GaussianBlurStripesTest, AlternatingStripesComeOutMidGrey) {
  const bool columns = GetParam();
  const Image stripes = Testing::MakeImage(40, 24, [&](int x, int y) {
    const float level = (columns ? x : y) % 2 == 0 ? 0.0f : 255.0f;
    return std::array<float, 4>{level, level, level, 255.0f};
  });
  const Image blurred = Testing::RunRegistered(Blur(0.05, false), stripes);
  // Away from the edges, where clamping repeats one stripe; the kernel
  // reaches four texels.
  constexpr int kReach = 4;
  for (int y = kReach; y < stripes.height - kReach; ++y) {
    for (int x = kReach; x < stripes.width - kReach; ++x) {
      for (int c = 0; c < 3; ++c) {
        ASSERT_NEAR(blurred.At(x, y)[c], 127.5f, kLinearPairTolerance)
            << x << "," << y << " channel " << c;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ColumnsAndRows, GaussianBlurStripesTest, ::testing::Bool());

// Flat pictures: the linear samples of a flat texture return its value and
// the weights sum to one, so every amount, direct or pyramid, keeps it
// exactly.
class GaussianBlurFlatTest : public ::testing::TestWithParam<BlurCase> {};

TEST_P(GaussianBlurFlatTest, AFlatPictureStaysFlat) {
  const BlurCase& param = GetParam();
  const Image flat = Testing::MakeImage(param.width, param.height, [](int, int) {
    return std::array<float, 4>{200.0f, 13.0f, 97.0f, 180.0f};
  });
  const auto worst =
      Testing::MaxDifference(Testing::RunRegistered(Blur(param.amount, param.fast), flat), flat);
  EXPECT_EQ(worst.value, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(
    AmountsAndModes, GaussianBlurFlatTest,
    ::testing::Values(BlurCase{0.0, false, 45, 31}, BlurCase{0.02, false, 45, 31},
                      BlurCase{0.05, true, 45, 31}, BlurCase{0.1, false, 45, 31},
                      BlurCase{0.2, false, 45, 31}, BlurCase{0.2, true, 45, 31}));

TEST(GaussianBlurTaps, FollowTheAmountAndTheMode) {
  // Amount 0: the deviation stays at 0.34 taps, one tap in normal mode and
  // none (a plain copy) in fast mode.
  EXPECT_EQ(GaussianBlurTaps(Blur(0.0, false), 1920).taps, 1);
  EXPECT_EQ(GaussianBlurTaps(Blur(0.0, true), 1920).taps, 0);
  EXPECT_FLOAT_EQ(GaussianBlurTaps(Blur(0.0, true), 1920).norm, 1.0f);
  // 1920 x 0.01 / 3 = 6.4 taps of deviation: 19 taps, or 9 in fast mode.
  const GaussianTaps normal = GaussianBlurTaps(Blur(0.01, false), 1920);
  EXPECT_EQ(normal.taps, 19);
  EXPECT_NEAR(normal.coefficient, -0.5 / (6.4 * 6.4), 1e-6);
  const GaussianTaps fast = GaussianBlurTaps(Blur(0.01, true), 1920);
  EXPECT_EQ(fast.taps, 9);
  EXPECT_NEAR(fast.coefficient, -0.5 / (19.2 * 19.2), 1e-7);
  // The norm covers every texel the taps stand for, 38 on each side.
  double sum = 1.0;
  for (int x = 1; x <= 2 * normal.taps; ++x) {
    sum += 2.0 * std::exp(normal.coefficient * (x / 2.0) * (x / 2.0));
  }
  EXPECT_NEAR(normal.norm * sum, 1.0, 1e-6);
}

TEST(GaussianBlurEnergy, TheMeanOfNoiseStays) {
  const Image noise = Noise(64, 64, 11);
  const Image blurred = Testing::RunRegistered(Blur(0.05, false), noise);
  for (int c = 0; c < 3; ++c) {
    const auto before = Testing::ChannelStats(noise, c, 0, 0, 64, 64);
    const auto after = Testing::ChannelStats(blurred, c, 0, 0, 64, 64);
    EXPECT_NEAR(after.mean, before.mean, 1.0) << "channel " << c;
    EXPECT_LT(after.deviation, before.deviation * 0.5) << "the noise is smoothed";
  }
}

TEST(GaussianBlurDirect, EmbeddedCallsUseTheCallersSettingsAndCache) {
  EffectGaussianBlur blur;
  EXPECT_EQ(blur.GetName(), "EffectGaussianBlur");
  const Image input = Noise(33, 19, 3);
  const Ptr<OglCache> cache = blur.CreateCache();
  for (double amount : {0.2, 0.05}) {
    blur.SetSettings(SettingsEffectBlurGaussian(amount));
    const Image output = Testing::RunDirect(blur, input, cache);
    EXPECT_LE(Testing::MaxDifference(output, CpuGaussian(input, Blur(amount, false))).value,
              kLinearPairTolerance)
        << "amount " << amount;
  }
}

TEST(GaussianBlurDirect, RefusesAMissingOrForeignCache) {
  EffectGaussianBlur blur;
  const Image input = Noise(8, 8, 1);
  try {
    Testing::RunDirect(blur, input, nullptr);
    ADD_FAILURE() << "no error without a cache";
  } catch (const std::logic_error& error) {
    EXPECT_STREQ(error.what(), "Wrong effect cache");
  }
  EffectTiltShift tiltShift;
  class OtherCache final : public OglCache {};
  EXPECT_THROW(Testing::RunDirect(blur, input, MakeRef<OtherCache>()), std::bad_cast);
  EXPECT_NO_THROW(Testing::RunDirect(blur, input, tiltShift.CreateCache()))
      << "the tilt-shift hands out its blur's cache";
}

// A true Gaussian of `deviation` pixels on the CPU, reaching five deviations.
Image CpuTrueGaussian(const Image& in, double deviation) {
  const int reach = static_cast<int>(std::ceil(5.0 * deviation));
  std::vector<double> weights(static_cast<std::size_t>(reach) + 1);
  for (int i = 0; i <= reach; ++i) weights[i] = std::exp(-0.5 * i * i / (deviation * deviation));
  return CpuSeparable(in, weights);
}

// Sharp shapes with the strongest low frequencies: a bright disc, a dark
// bar and a ramp, some of it at the border.
Image Shapes(int width, int height) {
  return Testing::MakeImage(width, height, [&](int x, int y) {
    const double dx = x - width * 0.4;
    const double dy = y - height * 0.55;
    const bool disc = dx * dx + dy * dy < width * width / 25.0;
    const bool bar = x > width * 3 / 4 && y < height * 2 / 3;
    const float ramp = 255.0f * static_cast<float>(y) / static_cast<float>(height);
    return std::array<float, 4>{disc ? 250.0f : 10.0f, bar ? 0.0f : 200.0f, ramp,
                                float((x * 7 + y * 3) % 256)};
  });
}

double Deviation(const Image& image, const SettingsEffectBlurGaussian& settings) {
  const auto longer = static_cast<std::uint32_t>(std::max(image.width, image.height));
  return GaussianTapsDeviation(GaussianBlurTaps(settings, longer));
}

struct PyramidCase {
  double amount;
  bool fast;
  int width;
  int height;
  bool shapes;
};

class GaussianPyramidTest : public ::testing::TestWithParam<PyramidCase> {};

// Large radii are blurred through halved copies. The result is compared
// with a true Gaussian of the deviation the direct kernel would have, with
// the same clamped edges. The halvings ([1 3 3 1] / 8) and the B-spline
// upscaling are not Gaussian themselves, but they carry under a sixth of the
// variance (the coarse level keeps a deviation of two texels or more; 1.75
// after a single halving at amount 0.06, a deviation of 3.8 pixels), so
// the whole kernel stays within a few thousandths of the bell; with the
// rounding of the output these pictures come out within 0.8 of it. The
// bound of 1.5 still catches a deviation 3% off: on a 250-level edge that
// moves values by 0.24 x 250 x 3% = 1.8. Fast mode scales up linearly, whose
// creases at the coarse texels leave up to 2.7 here: it is held to 3.5.
TEST_P(GaussianPyramidTest, MatchesACpuGaussianOfTheSameDeviation) {
  const PyramidCase& param = GetParam();
  const Image input =
      param.shapes ? Shapes(param.width, param.height) : Noise(param.width, param.height, 13);
  const auto settings = Blur(param.amount, param.fast);
  const double deviation = Deviation(input, settings);
  ASSERT_GT(deviation, GaussianDirectDeviationLimit(param.fast)) << "the pyramid runs";
  const Image output = Testing::RunRegistered(settings, input);
  const Image expected = CpuTrueGaussian(input, deviation);
  const auto worst = Testing::MaxDifference(output, expected);
  EXPECT_LE(worst.value, param.fast ? 3.5f : 1.5f)
      << "at " << worst.x << "," << worst.y << " channel " << worst.channel << " deviation "
      << deviation;
}

INSTANTIATE_TEST_SUITE_P(
    LargeRadii, GaussianPyramidTest,
    ::testing::Values(PyramidCase{0.06, false, 96, 64, true},
                      PyramidCase{0.06, false, 96, 64, false},
                      PyramidCase{0.1, false, 96, 64, true}, PyramidCase{0.3, false, 96, 64, true},
                      PyramidCase{0.2, false, 77, 53, true}, PyramidCase{0.6, false, 64, 40, true},
                      PyramidCase{0.3, false, 96, 64, false}, PyramidCase{0.3, true, 96, 64, true},
                      PyramidCase{0.2, true, 77, 53, true}));

TEST(GaussianPyramidEnergy, AFlatPictureStaysFlat) {
  const Image flat = Testing::MakeImage(81, 47, [](int, int) {
    return std::array<float, 4>{200.0f, 13.0f, 97.0f, 180.0f};
  });
  for (bool fast : {false, true}) {
    for (double amount : {0.15, 0.5, 1.0}) {
      const auto worst =
          Testing::MaxDifference(Testing::RunRegistered(Blur(amount, fast), flat), flat);
      EXPECT_LE(worst.value, 1.0f) << "fast " << fast << " amount " << amount;
    }
  }
}

// The mean of noise away from the edges, where no clamping weighs the edge
// pixels more: the area is 4 deviations inside, so the kernel's tails that
// cross its border add and take about as much, leaving a spread of about
// 0.3 levels for the 8-deviation noise of 74 levels here.
TEST(GaussianPyramidEnergy, TheMeanOfNoiseStays) {
  constexpr int kSide = 192;
  const Image noise = Noise(kSide, kSide, 17);
  for (bool fast : {false, true}) {
    const auto settings = Blur(0.0625, fast);  // a deviation of about 8 pixels
    const int inset = static_cast<int>(std::ceil(4.0 * Deviation(noise, settings)));
    const Image blurred = Testing::RunRegistered(settings, noise);
    for (int c = 0; c < 3; ++c) {
      const auto before =
          Testing::ChannelStats(noise, c, inset, inset, kSide - inset, kSide - inset);
      const auto after =
          Testing::ChannelStats(blurred, c, inset, inset, kSide - inset, kSide - inset);
      EXPECT_NEAR(after.mean, before.mean, 1.0) << "fast " << fast << " channel " << c;
      EXPECT_LT(after.deviation, before.deviation * 0.1) << "the noise is smoothed";
    }
    for (std::size_t i = 0; i < noise.texels.size(); ++i) {
      ASSERT_EQ(blurred.texels[i][3], noise.texels[i][3]) << "alpha is the source's";
    }
  }
}

TEST(GaussianPyramidPlan, HalvesUntilTheDeviationLeftIsSmall) {
  // 1920 x 1080 at amounts 0.01, 0.05 and 0.2: deviations near 12.8, 64 and
  // 256 pixels halved to between two and four texels.
  const int expectedLevels[] = {2, 4, 6};
  const double amounts[] = {0.01, 0.05, 0.2};
  for (int i = 0; i < 3; ++i) {
    const double deviation = GaussianTapsDeviation(GaussianBlurTaps(Blur(amounts[i], false), 1920));
    const GaussianPyramidPlan plan = PlanGaussianPyramid(deviation, false);
    EXPECT_EQ(plan.levels, expectedLevels[i]) << "amount " << amounts[i];
    EXPECT_LE(plan.coarse.taps, 16) << "amount " << amounts[i];
  }
}

// Tilt-shift: where each pixel lies relative to the two lines decides
// between the blurred picture and the source.
struct TiltCase {
  Proc::SettingsEffectTiltShiftQRW::Line upper;
  Proc::SettingsEffectTiltShiftQRW::Line lower;
  double softEdge;
  double strength;
};

class TiltShiftTest : public ::testing::TestWithParam<TiltCase> {};

TEST_P(TiltShiftTest, SharpInsideTheBandBlurredOutsideSoftBetween) {
  const TiltCase& param = GetParam();
  const Image input = Noise(48, 40, 5);
  Proc::SettingsEffectTiltShiftQRW settings;
  settings.SetUpperLine(param.upper);
  settings.SetLowerLine(param.lower);
  settings.SetSoftEdge(param.softEdge);
  settings.SetStrength(param.strength);
  const Image output = Testing::RunRegistered(settings, input);
  const Image blurred =
      Testing::RunRegistered(SettingsEffectBlurGaussian(param.strength * 0.05), input);
  auto distance = [&](const Proc::SettingsEffectTiltShiftQRW::Line& line, double u, double v) {
    return (line[0] * u + line[1] * v + line[2]) / std::hypot(line[0], line[1]) / param.softEdge;
  };
  int sharp = 0;
  for (int y = 0; y < input.height; ++y) {
    for (int x = 0; x < input.width; ++x) {
      const double u = (x + 0.5) / input.width;
      const double v = (y + 0.5) / input.height;
      const double l1 = distance(param.upper, u, v);
      const double l2 = distance(param.lower, u, v);
      const double k = l1 > 0 && l2 < 0 ? std::min(std::min(std::fabs(l1), std::fabs(l2)), 1.0) : 0;
      sharp += k == 1.0;
      for (int c = 0; c < 4; ++c) {
        const double expected = blurred.At(x, y)[c] * (1 - k) + input.At(x, y)[c] * k;
        ASSERT_NEAR(output.At(x, y)[c], expected, 1.0) << x << "," << y << " channel " << c;
      }
    }
  }
  EXPECT_GT(sharp, 0) << "the band has a fully sharp part";
}

INSTANTIATE_TEST_SUITE_P(Bands, TiltShiftTest,
                         ::testing::Values(TiltCase{{0.0, -1.0, 0.7}, {0.0, -1.0, 0.3}, 0.1, 1.0},
                                           TiltCase{{0.0, -2.0, 1.3}, {0.0, -3.0, 0.95}, 0.05, 2.0},
                                           TiltCase{
                                               {1.0, -1.0, 0.31}, {1.0, -1.0, -0.29}, 0.12, 1.5}));

}  // namespace
}  // namespace Obrisk::Ogl
