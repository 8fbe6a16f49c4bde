#include <cmath>
#include <memory>
#include <random>

#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"
#include "effects/blur/EffectBokehBlur.h"

namespace Obrisk::Ogl {
namespace {

using Proc::BgraImage;
using Proc::SettingsEffectBokehBlur;
using Testing::Image;
using Texel = std::array<float, 4>;

// A shape whose red channel `coverage(x, y)` gives (rows from the top).
std::shared_ptr<const BgraImage> Shape(int width, int height,
                                       const std::function<std::uint8_t(int, int)>& coverage) {
  auto image = std::make_shared<BgraImage>();
  image->width = width;
  image->height = height;
  image->pixels.resize(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* bgra = &image->pixels[(static_cast<std::size_t>(y) * width + x) * 4];
      bgra[0] = 17;  // blue and green do not count
      bgra[1] = 200;
      bgra[2] = coverage(x, y);
      bgra[3] = 255;
    }
  }
  return image;
}

Image Noise(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> level(0, 255);
  return Testing::MakeImage(width, height, [&](int, int) {
    return Texel{float(level(random)), float(level(random)), float(level(random)),
                 float(level(random))};
  });
}

TEST(BokehGrid, IsAQuarterOfThePowerOfTwoHoldingTheFrameAndItsMargin) {
  EXPECT_EQ(1 << BokehGridLog2(1920), 1024);
  EXPECT_EQ(1 << BokehGridLog2(1080), 512);
  EXPECT_EQ(1 << BokehGridLog2(0), 64) << "2^8 at least";
  EXPECT_EQ(1 << BokehGridLog2(65), 128);
  EXPECT_EQ(1 << BokehGridLog2(3840), 1024) << "3840 + 256 is exactly 2^12";
  EXPECT_EQ(1 << BokehGridLog2(3841), 2048);
}

TEST(BokehKernel, IsNeverSmallerThanThreePixels) {
  SettingsEffectBokehBlur settings;
  settings.SetSize(0.0);
  EXPECT_EQ(BokehKernelSize(1920, 1080, settings), 3);
  settings.SetSize(0.1);
  settings.SetIntensity(0.5f);
  EXPECT_EQ(BokehKernelSize(1920, 1080, settings), 54);
}

// On a 65 x 65 frame a 63-pixel kernel makes the 128-texel grid exactly the
// frame plus one kernel, one texel per pixel: the FFT result is then the
// plain convolution with the shape's red channel, edges continued.
TEST(BokehBlur, MatchesADirectConvolutionWithTheSameKernel) {
  constexpr int kSide = 65;
  constexpr int kKernel = 63;
  constexpr int kCentre = kKernel / 2;
  // An off-centre blob, so that a flipped or shifted kernel shows.
  auto coverage = [](int x, int y) -> std::uint8_t {
    const double d = std::hypot(x - 25.0, y - 36.0);
    return d < 9.0 ? 255 : (d < 13.0 ? 90 : (x == 50 && y == 10 ? 255 : 0));
  };
  SettingsEffectBokehBlur settings;
  settings.SetImage(Shape(kKernel, kKernel, coverage));
  settings.SetSize((kKernel + 0.5) / kSide);
  settings.SetIntensity(1.0f);
  settings.SetHighlightGain(1.0);
  ASSERT_EQ(BokehKernelSize(kSide, kSide, settings), kKernel);
  const Image input = Noise(kSide, kSide, 31);
  const Image output = Testing::RunRegistered(settings, input);

  // Kernel texel (kx, ky), y up: the shape's rows come from the top.
  double weight = 0.0;
  for (int y = 0; y < kKernel; ++y) {
    for (int x = 0; x < kKernel; ++x) weight += coverage(x, y) / 255.0;
  }
  const Image expected = Testing::MakeImage(kSide, kSide, [&](int x, int y) {
    std::array<double, 4> sum{};
    for (int ky = 0; ky < kKernel; ++ky) {
      for (int kx = 0; kx < kKernel; ++kx) {
        const double k = coverage(kx, kKernel - 1 - ky) / 255.0;
        if (k == 0.0) continue;
        const Texel& t = input.Clamped(x + kCentre - kx, y + kCentre - ky);
        for (int c = 0; c < 4; ++c) sum[c] += k * t[c];
      }
    }
    Texel out;
    for (int c = 0; c < 4; ++c) out[c] = static_cast<float>(sum[c] / weight);
    return out;
  });
  // The kernel's spectrum is kept in 16-bit floats (11 significant bits):
  // its rounding reaches the result as up to about one level either way.
  const auto worst = Testing::MaxDifference(output, expected);
  EXPECT_LE(worst.value, 2.0f) << worst.x << "," << worst.y << " channel " << worst.channel;
}

TEST(BokehBlur, AFlatPictureStaysFlatWhateverTheKernelSize) {
  const Image flat = Testing::MakeImage(120, 70, [](int, int) { return Texel{180, 60, 20, 255}; });
  SettingsEffectBokehBlur settings;
  settings.SetHighlightGain(1.0);
  settings.SetImage(Shape(1, 1, [](int, int) -> std::uint8_t { return 255; }));
  for (double size : {0.0, 0.1, 0.4}) {
    settings.SetSize(size);
    const auto worst = Testing::MaxDifference(Testing::RunRegistered(settings, flat), flat);
    EXPECT_LE(worst.value, 1.0f) << "size " << size;
  }
}

TEST(BokehBlur, WithoutAUsableShapeThePictureIsUnchanged) {
  const Image input = Noise(40, 30, 3);
  SettingsEffectBokehBlur settings;
  EXPECT_EQ(Testing::MaxDifference(Testing::RunRegistered(settings, input), input).value, 0.0f);
  auto empty = std::make_shared<BgraImage>();
  empty->width = 4;
  empty->height = 0;
  settings.SetImage(empty);
  EXPECT_EQ(Testing::MaxDifference(Testing::RunRegistered(settings, input), input).value, 0.0f);
  settings.SetImage(Shape(5, 5, [](int, int) -> std::uint8_t { return 0; }));
  EXPECT_EQ(Testing::MaxDifference(Testing::RunRegistered(settings, input), input).value, 0.0f)
      << "a black shape has no weight to normalise by";
}

TEST(BokehBlur, IntensityMixesTheBlurWithTheSource) {
  const Image input = Noise(48, 40, 8);
  SettingsEffectBokehBlur settings;
  settings.SetImage(Shape(9, 9, [](int, int) -> std::uint8_t { return 255; }));
  settings.SetHighlightGain(1.0);
  settings.SetSize(0.3);
  EffectBokehBlur bokeh;
  const Ptr<OglCache> cache = bokeh.CreateCache();
  settings.SetIntensity(1.0f);
  bokeh.SetSettings(settings);
  const Image full = Testing::RunDirect(bokeh, input, cache);
  settings.SetIntensity(0.5f);
  // Half the intensity: half the kernel, half the mix. The same kernel
  // size at full intensity gives the blurred half.
  settings.SetSize(0.15);
  settings.SetIntensity(1.0f);
  bokeh.SetSettings(settings);
  const Image halfKernel = Testing::RunDirect(bokeh, input, cache);
  settings.SetSize(0.3);
  settings.SetIntensity(0.5f);
  bokeh.SetSettings(settings);
  const Image mixed = Testing::RunDirect(bokeh, input, cache);
  EXPECT_GT(Testing::MaxDifference(full, input).value, 20.0f);
  const Image expected = Testing::MakeImage(48, 40, [&](int x, int y) {
    Texel out;
    for (int c = 0; c < 4; ++c) out[c] = 0.5f * (halfKernel.At(x, y)[c] + input.At(x, y)[c]);
    return out;
  });
  EXPECT_LE(Testing::MaxDifference(mixed, expected).value, 1.5f);
}

TEST(BokehBlur, HighlightsAreBoosted) {
  // A dark frame with one bright dot: boosted, the dot's light spreads
  // brighter.
  const Image input = Testing::MakeImage(64, 64, [](int x, int y) {
    return x >= 24 && x < 28 && y >= 24 && y < 28 ? Texel{200, 200, 200, 255}
                                                  : Texel{10, 10, 10, 255};
  });
  SettingsEffectBokehBlur settings;
  settings.SetImage(Shape(3, 3, [](int, int) -> std::uint8_t { return 255; }));
  settings.SetSize(0.2);
  settings.SetHighlightThreshold(0.3);
  settings.SetHighlightGain(1.0);
  const Image plain = Testing::RunRegistered(settings, input);
  settings.SetHighlightGain(3.0);
  const Image boosted = Testing::RunRegistered(settings, input);
  // The convolution is linear: the dot's excess over the background grows
  // from 200 - 10 to 3 x 200 - 10.
  constexpr float kGrowth = (3.0f * 200.0f - 10.0f) / (200.0f - 10.0f);
  EXPECT_GT(plain.At(25, 25)[0], 20.0f);
  EXPECT_NEAR(boosted.At(25, 25)[0] - 10.0f, kGrowth * (plain.At(25, 25)[0] - 10.0f), 3.0f);
  EXPECT_NEAR(boosted.At(2, 2)[0], plain.At(2, 2)[0], 1.0f) << "dark areas stay";
}

TEST(BokehBlur, RefusesAMissingCache) {
  EffectBokehBlur bokeh;
  EXPECT_THROW(Testing::RunDirect(bokeh, Noise(8, 8, 1), nullptr), std::logic_error);
}

}  // namespace
}  // namespace Obrisk::Ogl
