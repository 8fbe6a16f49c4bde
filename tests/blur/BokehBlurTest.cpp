#include <cmath>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"
#include "effects/blur/EffectBokehBlur.h"
#include "support/PngFile.h"

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
  settings.SetImage(nullptr);
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

// ---- Shapes from the settings ------------------------------------------

// The red channel of the shape's pixel nearest to (u, v) (u right, v up, -1 to 1).
int ShapeAt(const SettingsEffectBokehBlur& settings, double u, double v) {
  const BgraImage& image = *settings.GetImage();
  const int x = std::min(image.width - 1, static_cast<int>((u + 1.0) / 2.0 * image.width));
  const int y = std::min(image.height - 1, static_cast<int>((1.0 - v) / 2.0 * image.height));
  return image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4 + 2];
}

SettingsEffectBokehBlur WithShape(const std::string& json) {
  SettingsEffectBokehBlur settings;
  settings.Deserialize(Property::FromJson(json));
  return settings;
}

struct ShapeCase {
  const char* json;
  double u, v;  // a point of the square
  bool inside;
};

class BokehShapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(BokehShapes, CoverWhereTheOutlineSays) {
  const ShapeCase& shape = GetParam();
  const SettingsEffectBokehBlur settings = WithShape(shape.json);
  EXPECT_EQ(ShapeAt(settings, shape.u, shape.v), shape.inside ? 255 : 0)
      << shape.json << " at " << shape.u << "," << shape.v;
}

// A hexagon has a corner straight up and an edge 0.866 from the centre at
// the sides; an octagon's edges lie 0.924 out (a corner every 45 degrees);
// the star's inner corners lie half way out; the heart's cleft is at 0.75.
INSTANTIATE_TEST_SUITE_P(
    BuiltIn, BokehShapes,
    ::testing::Values(ShapeCase{R"({})", 0.0, 0.0, true}, ShapeCase{R"({})", 0.9, 0.3, true},
                      ShapeCase{R"({})", 0.8, 0.8, false},
                      ShapeCase{R"({"shape": "hexagon"})", 0.0, 0.95, true},
                      ShapeCase{R"({"shape": "hexagon"})", 0.92, 0.0, false},
                      ShapeCase{R"({"shape": "hexagon", "rotation": 90})", 0.95, 0.0, true},
                      ShapeCase{R"({"shape": "octagon"})", 0.9, 0.0, true},
                      ShapeCase{R"({"shape": "octagon"})", 0.38, 0.9, false},
                      ShapeCase{R"({"shape": "polygon", "blades": 4})", 0.0, 0.95, true},
                      ShapeCase{R"({"shape": "polygon", "blades": 4})", 0.6, 0.6, false},
                      ShapeCase{R"({"shape": "star"})", 0.0, 0.9, true},
                      ShapeCase{R"({"shape": "star"})", 0.0, -0.6, false},
                      ShapeCase{R"({"shape": "star", "rotation": 180})", 0.0, -0.9, true},
                      ShapeCase{R"({"shape": "heart"})", 0.0, -0.6, true},
                      ShapeCase{R"({"shape": "heart"})", 0.0, 0.85, false},
                      ShapeCase{R"({"shape": "heart"})", 0.45, 0.6, true}));

TEST(BokehShapeSettings, AnUnknownShapeIsRefusedAndNothingChanges) {
  SettingsEffectBokehBlur settings = WithShape(R"({"shape": "star"})");
  const auto image = settings.GetImage();
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"shape": "moon", "size": 0.3})")),
               std::invalid_argument);
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"shape": "missing.png"})")),
               std::invalid_argument);
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"blades": 2})")), std::out_of_range);
  EXPECT_EQ(settings.GetShape(), "star");
  EXPECT_EQ(settings.GetImage(), image);
  EXPECT_DOUBLE_EQ(settings.GetSize(), 0.1);
}

TEST(BokehShapeSettings, APngFileGivesItsPicture) {
  const Testing::PngFile file(7, 5, {255, 255, 255, 255});
  const SettingsEffectBokehBlur settings = WithShape(R"({"shape": ")" + file.Path() + R"("})");
  ASSERT_TRUE(settings.GetImage());
  EXPECT_EQ(settings.GetImage()->width, 7);
  EXPECT_EQ(settings.GetImage()->height, 5);
  EXPECT_EQ(settings.Serialize().GetChild("shape"), Property(file.Path()));
}

TEST(BokehShapeSettings, APictureSetInMemoryEmptiesTheShape) {
  SettingsEffectBokehBlur settings;
  const auto picture = Shape(3, 3, [](int, int) -> std::uint8_t { return 255; });
  settings.SetImage(picture);
  EXPECT_EQ(settings.GetShape(), "");
  settings.Deserialize(Property::FromJson(R"({"size": 0.2})"));
  EXPECT_EQ(settings.GetImage(), picture) << "other parameters keep the picture";
  settings.SetShape("heart");
  EXPECT_NE(settings.GetImage(), picture);
}

// Out of the box the blur works (a disc), and the shape reaches the picture.
TEST(BokehBlur, TheDefaultDiscBlursAndAnotherShapeBlursOtherwise) {
  const Image input = Noise(48, 40, 5);
  SettingsEffectBokehBlur settings;
  settings.SetSize(0.3);
  const Image disc = Testing::RunRegistered(settings, input);
  EXPECT_GT(Testing::MaxDifference(disc, input).value, 20.0f);
  settings.SetShape("star", 5, 0.0);
  const Image star = Testing::RunRegistered(settings, input);
  EXPECT_GT(Testing::MaxDifference(star, disc).value, 2.0f);
}

}  // namespace
}  // namespace Obrisk::Ogl
