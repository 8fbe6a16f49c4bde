#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"
#include "obrisk/settings/BlurSettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Testing::Image;
using Texel = std::array<float, 4>;

Image Flat(int width, int height, const Texel& colour) {
  return Testing::MakeImage(width, height, [&](int, int) { return colour; });
}

// A flat value plus Gaussian noise of `deviation` levels in the colour channels.
Image Noisy(const Image& clean, double deviation, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0.0, deviation);
  Image noisy = clean;
  for (auto& texel : noisy.texels) {
    for (int c = 0; c < 3; ++c) texel[c] += static_cast<float>(noise(random));
  }
  return Testing::Quantised(noisy);
}

// Motion blur: each output after the first blends the current frame into
// the previous output by the scale.
class MotionBlurTest : public ::testing::TestWithParam<double> {};

TEST_P(MotionBlurTest, AccumulatesPastFramesByTheScale) {
  const double scale = GetParam();
  auto registry = Testing::MakeRegistry();
  Ptr<Proc::IEffect> effect = Testing::CreateEffect(*registry, "SettingsEffectMotionBlur");
  Proc::SettingsEffectMotionBlur settings;
  settings.SetScale(scale);
  effect->SetSettingsObject(settings);
  const std::vector<Texel> colours{
      {200, 10, 50, 255}, {30, 220, 90, 255}, {120, 120, 240, 255}, {0, 0, 0, 255}};
  Texel expected = colours.front();
  for (const Texel& colour : colours) {
    for (int c = 0; c < 3; ++c) {
      expected[c] = std::round(static_cast<float>(colour[c] * (1 - scale) + expected[c] * scale));
    }
    Ptr<Proc::IData> frame =
        Testing::Upload(Testing::ToFrame(Flat(16, 8, colour), Proc::PixFmt::RGBX));
    const Image output = Testing::ToImage(*Testing::Download(effect->ProcessData({frame})));
    const auto worst = Testing::MaxDifference(output, Flat(16, 8, expected), 3);
    EXPECT_LE(worst.value, 1.0f) << "scale " << scale << " frame colour " << colour[0];
  }
  // Another frame size starts afresh from the current frame.
  const Texel last{77, 66, 55, 255};
  Ptr<Proc::IData> smaller =
      Testing::Upload(Testing::ToFrame(Flat(8, 8, last), Proc::PixFmt::RGBX));
  const Image restarted = Testing::ToImage(*Testing::Download(effect->ProcessData({smaller})));
  EXPECT_LE(Testing::MaxDifference(restarted, Flat(8, 8, last), 3).value, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Scales, MotionBlurTest, ::testing::Values(0.0, 0.5, 0.8, 1.0));

// Censored: the CPU version of the cell lookup, nearest texel at the grid point.
Image CpuCensored(const Image& in, double cellSize) {
  const auto cell = static_cast<float>(cellSize * 0.26);
  if (cell < 0.001f) return in;
  const float dx = static_cast<float>(cell / (double(in.width) / in.height));
  const float dy = cell;
  return Testing::MakeImage(in.width, in.height, [&](int x, int y) {
    const float u = (x + 0.5f) / in.width;
    const float v = (y + 0.5f) / in.height;
    const float gx = std::floor(std::floor(u / dx * 1000.0f + 0.5f) / 1000.0f + 0.5f);
    const float gy = std::floor(std::floor(v / dy * 1000.0f + 0.5f) / 1000.0f + 0.5f);
    return in.Clamped(static_cast<int>(std::floor(gx * dx * in.width)),
                      static_cast<int>(std::floor(gy * dy * in.height)));
  });
}

class CensoredTest : public ::testing::TestWithParam<double> {};

TEST_P(CensoredTest, FillsEachCellWithTheTexelAtItsGridPoint) {
  std::mt19937 random(17);
  std::uniform_int_distribution<int> level(0, 255);
  const Image input = Testing::MakeImage(70, 50, [&](int, int) {
    return Texel{float(level(random)), float(level(random)), float(level(random)), 255};
  });
  const Image output =
      Testing::RunRegistered(Proc::SettingsEffectCensored(GetParam()), input, Proc::PixFmt::RGBX);
  const Image expected = CpuCensored(input, GetParam());
  int wrong = 0;
  for (int y = 0; y < input.height; ++y) {
    for (int x = 0; x < input.width; ++x) {
      wrong += output.At(x, y) != expected.At(x, y);
    }
  }
  // A grid point that falls exactly on a texel edge may pick either texel.
  EXPECT_LE(wrong, input.width * input.height / 100) << "cell size " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(CellSizes, CensoredTest,
                         ::testing::Values(0.0, 0.0038, 0.004, 0.1, 0.37, 1.0));

TEST(CensoredThreshold, CellsBelowAThousandthOfTheHeightCopy) {
  const Image input = Noisy(Flat(30, 20, {128, 128, 128, 255}), 40.0, 2);
  EXPECT_EQ(Testing::MaxDifference(
                Testing::RunRegistered(Proc::SettingsEffectCensored(0.0038), input), input)
                .value,
            0.0f);
  const Image cells = Testing::RunRegistered(Proc::SettingsEffectCensored(0.5), input);
  EXPECT_GT(Testing::MaxDifference(cells, input).value, 10.0f);
}

// Denoise.
Proc::SettingsEffectDenoiseNLM Denoise(float h, int patch, int window) {
  Proc::SettingsEffectDenoiseNLM settings;
  settings.SetFilteringParameter(h);
  settings.SetPatchSize(patch);
  settings.SetSearchWindowSize(window);
  return settings;
}

// Non-local means by its definition, in double precision: every pixel of
// the window but the centre weighted by exp(-D / h^2), D the sum of squared
// colour differences (0 to 1 per channel) over the patch, each texel
// clamped to the picture; the centre counts with weight 1.
Image CpuDenoise(const Image& in, double h, int patchRadius, int searchRadius) {
  auto rgb = [&](int x, int y, int c) { return in.Clamped(x, y)[c] / 255.0; };
  return Testing::MakeImage(in.width, in.height, [&](int x, int y) {
    std::array<double, 3> sum{rgb(x, y, 0), rgb(x, y, 1), rgb(x, y, 2)};
    double weights = 1.0;
    for (int dy = -searchRadius; dy <= searchRadius; ++dy) {
      for (int dx = -searchRadius; dx <= searchRadius; ++dx) {
        if (dx == 0 && dy == 0) continue;
        double distance = 0.0;
        for (int ey = -patchRadius; ey <= patchRadius; ++ey) {
          for (int ex = -patchRadius; ex <= patchRadius; ++ex) {
            for (int c = 0; c < 3; ++c) {
              const double d = rgb(x + ex, y + ey, c) - rgb(x + dx + ex, y + dy + ey, c);
              distance += d * d;
            }
          }
        }
        const double weight = std::exp(-distance / (h * h));
        for (int c = 0; c < 3; ++c) sum[c] += weight * rgb(x + dx, y + dy, c);
        weights += weight;
      }
    }
    Texel out = in.At(x, y);
    for (int c = 0; c < 3; ++c) out[c] = static_cast<float>(255.0 * sum[c] / weights);
    return out;
  });
}

struct DenoiseCase {
  float h;
  int patch;
  int window;
};

class DenoiseDefinitionTest : public ::testing::TestWithParam<DenoiseCase> {};

// The passes sum the same squared differences in another order, in single
// precision: the distances (at most 3 x 25 here) and the weights differ from
// the double computation by a few parts in a million, far below the half
// level that separates two 8-bit results. So each pixel is the rounded
// definition, or its neighbouring level where the exact value lies within
// that error of a rounding boundary (which a mistake in offsets, edges or
// weights would exceed by far), and such pixels are rare.
TEST_P(DenoiseDefinitionTest, MatchesTheDirectFormula) {
  const DenoiseCase& param = GetParam();
  const Image clean = Testing::MakeImage(29, 23, [](int x, int y) {
    const float level = x + y < 24 ? 60.0f : 190.0f;
    return Texel{level, 255.0f - level, x * 8.0f, 255.0f};
  });
  const Image noisy = Noisy(clean, 14.0, 21);
  const Image output = Testing::RunRegistered(Denoise(param.h, param.patch, param.window), noisy);
  const Image expected =
      Testing::Quantised(CpuDenoise(noisy, param.h, (param.patch | 1) / 2, (param.window | 1) / 2));
  EXPECT_LE(Testing::MaxDifference(output, expected).value, 1.0f);
  int off = 0;
  for (std::size_t i = 0; i < output.texels.size(); ++i) {
    for (int c = 0; c < 4; ++c) off += output.texels[i][c] != expected.texels[i][c];
  }
  EXPECT_LE(off, static_cast<int>(output.texels.size() * 4 / 100)) << "values one level off";
}

INSTANTIATE_TEST_SUITE_P(Settings, DenoiseDefinitionTest,
                         ::testing::Values(DenoiseCase{0.3f, 3, 7}, DenoiseCase{0.6f, 5, 5},
                                           DenoiseCase{0.2f, 1, 9}, DenoiseCase{1.0f, 7, 3}));

TEST(DenoiseNLM, LowersTheNoiseOfAFlatPatchAndKeepsItsLevel) {
  const Image noisy = Noisy(Flat(40, 40, {128, 90, 160, 200}), 12.0, 4);
  const Image output = Testing::RunRegistered(Denoise(0.5f, 3, 7), noisy);
  for (int c = 0; c < 3; ++c) {
    const auto before = Testing::ChannelStats(noisy, c, 4, 4, 36, 36);
    const auto after = Testing::ChannelStats(output, c, 4, 4, 36, 36);
    EXPECT_LT(after.deviation, before.deviation * 0.5) << "channel " << c;
    EXPECT_NEAR(after.mean, before.mean, 1.0) << "channel " << c;
  }
  EXPECT_EQ(Testing::ChannelStats(output, 3, 0, 0, 40, 40).mean, 200.0) << "alpha is kept";
}

TEST(DenoiseNLM, KeepsAnEdgeSharperThanAGaussianOfSimilarNoiseReduction) {
  const Image clean = Testing::MakeImage(48, 32, [](int x, int) {
    return x < 24 ? Texel{40, 40, 40, 255} : Texel{210, 210, 210, 255};
  });
  const Image noisy = Noisy(clean, 10.0, 9);
  // Noise left on the dark side: the spread of each column, which the
  // edge's horizontal gradient does not enter, averaged over the columns.
  auto noise = [](const Image& image) {
    double sum = 0.0;
    for (int x = 2; x < 20; ++x) sum += Testing::ChannelStats(image, 1, x, 2, x + 1, 30).deviation;
    return sum / 18.0;
  };
  // Edge contrast between the columns two pixels either side of it.
  auto contrast = [](const Image& image) {
    return Testing::ChannelStats(image, 1, 25, 2, 26, 30).mean -
           Testing::ChannelStats(image, 1, 22, 2, 23, 30).mean;
  };
  const Image denoised = Testing::RunRegistered(Denoise(0.3f, 3, 7), noisy);
  ASSERT_LT(noise(denoised), noise(noisy) * 0.6);
  // The weakest Gaussian that removes at least as much noise.
  for (double amount = 0.005; amount < 0.2; amount += 0.005) {
    const Image blurred = Testing::RunRegistered(Proc::SettingsEffectBlurGaussian(amount), noisy);
    if (noise(blurred) > noise(denoised)) continue;
    EXPECT_GT(contrast(denoised), contrast(blurred) + 20.0) << "Gaussian amount " << amount;
    EXPECT_GT(contrast(denoised), 150.0);
    return;
  }
  ADD_FAILURE() << "no Gaussian reached the denoiser's noise level";
}

TEST(DenoiseNLM, EvenSizesBehaveAsTheNextOddOnes) {
  const Image noisy = Noisy(Flat(24, 24, {100, 100, 100, 255}), 15.0, 6);
  const Image even = Testing::RunRegistered(Denoise(0.4f, 2, 4), noisy);
  const Image odd = Testing::RunRegistered(Denoise(0.4f, 3, 5), noisy);
  EXPECT_EQ(Testing::MaxDifference(even, odd).value, 0.0f);
}

TEST(DenoiseNLM, TheSmallestParameterAveragesOnlyIdenticalPatches) {
  constexpr float kSmallestParameter = 0.001f;
  const Image noisy = Noisy(Flat(16, 16, {100, 100, 100, 255}), 15.0, 8);
  const Image output = Testing::RunRegistered(Denoise(kSmallestParameter, 3, 5), noisy);
  EXPECT_EQ(Testing::MaxDifference(output, noisy).value, 0.0f) << "no NaN, no averaging";
}

// Fill blurred background, computed on the CPU: the rectangle stretched
// (bilinear), blurred with one-texel taps, the source laid over it.
Image CpuFill(const Image& source, int kernel, const std::array<double, 4>& rect) {
  const auto [left, top, right, bottom] = rect;
  const Image stretched =
      Testing::Quantised(Testing::MakeImage(source.width, source.height, [&](int x, int y) {
        const double s = (x + 0.5) / source.width;
        const double t = (y + 0.5) / source.height;
        return source.Sample(static_cast<float>(left + s * (right - left)),
                             static_cast<float>(top + t * (bottom - top)));
      }));
  const float coefficient = -0.5f / static_cast<float>(kernel * kernel);
  float total = 1.0f;
  for (int i = 1; i <= kernel; ++i) total += 2.0f * std::exp(coefficient * i * i);
  auto pass = [&](const Image& in, int dx, int dy) {
    return Testing::Quantised(Testing::MakeImage(in.width, in.height, [&](int x, int y) {
      Texel sum = in.At(x, y);
      for (int i = 1; i <= kernel; ++i) {
        const float weight = std::exp(coefficient * i * i);
        for (int c = 0; c < 3; ++c) {
          sum[c] += weight *
                    (in.Clamped(x + i * dx, y + i * dy)[c] + in.Clamped(x - i * dx, y - i * dy)[c]);
        }
      }
      for (int c = 0; c < 3; ++c) sum[c] /= total;
      return sum;
    }));
  };
  const Image background = pass(pass(stretched, 1, 0), 0, 1);
  return Testing::MakeImage(source.width, source.height, [&](int x, int y) {
    const Texel& src = source.At(x, y);
    const Texel& dst = background.At(x, y);
    const float a = src[3] / 255.0f;
    const float da = dst[3] / 255.0f;
    const float outA = a + da * (1 - a);
    Texel out{0, 0, 0, outA * 255.0f};
    for (int c = 0; c < 3 && outA > 0; ++c) out[c] = (src[c] * a + dst[c] * da * (1 - a)) / outA;
    return out;
  });
}

struct FillCase {
  int kernel;
  std::array<double, 4> rect;
};

class FillBlurredBackgroundTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillBlurredBackgroundTest, LaysTheSourceOverItsStretchedBlurredRectangle) {
  std::mt19937 random(21);
  std::uniform_int_distribution<int> level(0, 255);
  // A picture in the middle third, transparent around it (a letterbox).
  const Image source = Testing::MakeImage(36, 30, [&](int x, int y) {
    const bool inside = y >= 10 && y < 20;
    return Texel{float(level(random)), float(x * 7), float(y * 8), inside ? 255.0f : 0.0f};
  });
  Proc::SettingsEffectFillBlurredBackground settings;
  settings.SetKernelSize(GetParam().kernel);
  const auto [left, top, right, bottom] = GetParam().rect;
  settings.SetRect(left, top, right, bottom);
  const Image output = Testing::RunRegistered(settings, source);
  const auto worst =
      Testing::MaxDifference(output, CpuFill(source, GetParam().kernel, GetParam().rect));
  EXPECT_LE(worst.value, 2.0f) << worst.x << "," << worst.y << " channel " << worst.channel;
}

INSTANTIATE_TEST_SUITE_P(KernelsAndRectangles, FillBlurredBackgroundTest,
                         ::testing::Values(FillCase{0, {0.0, 0.0, 1.0, 1.0}},
                                           FillCase{0, {0.25, 0.35, 0.75, 0.65}},
                                           FillCase{3, {0.2, 0.35, 0.8, 0.65}},
                                           FillCase{6, {0.1, 0.4, 0.6, 0.6}}));

}  // namespace
}  // namespace Obrisk::Ogl
