// The colour blender: every blend mode against the PDF formulas on a grid of
// layer and background values and alphas, the overlap of an offset layer,
// the inputs it returns untouched, and its settings and errors.
#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "effects/key/EffectColorBlender.h"
#include "obrisk/settings/BlendSettings.h"
#include "support/GpuTestSupport.h"
#include "support/ImageTestSupport.h"
#include "support/Messages.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;
using Proc::SettingsEffectColorBlender;
using Proc::SettingsEffectImageBlender;
using Testing::Image;
using Testing::Near;
using Testing::Texel;
using Rgb = std::array<double, 3>;
using Mode = SettingsEffectColorBlender::BlendMode;

// The PDF blend functions (ISO 32000-1, 11.3.5), d the background and s the
// layer, with the limits the dividing modes tend to at s = 0 or s = 1.
double Separable(int mode, double d, double s) {
  switch (mode) {
    case Mode::kNormal:
      return s;
    case Mode::kDarken:
      return std::min(s, d);
    case Mode::kMultiply:
      return s * d;
    case Mode::kColorBurn:
      if (s < 1e-3) return 1 - d < 1e-3 ? 1 : 0;
      return 1 - std::clamp((1 - d) / s, 0.0, 1.0);
    case Mode::kLinearBurn:
      return s + d - 1;
    case Mode::kLighten:
      return std::max(s, d);
    case Mode::kScreen:
      return s + d - s * d;
    case Mode::kColorDodge:
      if (d <= 0) return 0;
      return s >= 1 ? 1 : std::clamp(d / (1 - s), 0.0, 1.0);
    case Mode::kLinearDodge:
      return s + d;
    case Mode::kOverlay:
      return 2 * d <= 1 ? 2 * s * d : 1 - 2 * (1 - d) * (1 - s);
    case Mode::kSoftLight:
      if (2 * s <= 1) return d - (1 - 2 * s) * d * (1 - d);
      if (4 * d <= 1) return d + (2 * s - 1) * (((16 * d - 12) * d + 4) * d - d);
      return d + (2 * s - 1) * (std::sqrt(d) - d);
    case Mode::kHardLight:
      return 2 * s <= 1 ? 2 * s * d : 1 - 2 * (1 - d) * (1 - s);
    case Mode::kVividLight:
      if (2 * s <= 1)
        return s <= 0 ? (d >= 1 ? 1 : 0) : 1 - std::clamp(0.5 * (1 - d) / s, 0.0, 1.0);
      return s >= 1 ? (d > 0 ? 1 : 0) : std::clamp(0.5 * d / (1 - s), 0.0, 1.0);
    case Mode::kLinearLight:
      return 2 * s + d - 1;
    case Mode::kPinLight:
      return 2 * s <= 1 ? std::min(2 * s, d) : std::max(2 * s - 1, d);
    case Mode::kHardMix:
      return s + d <= 1 ? 0 : 1;
    case Mode::kDifference:
      return std::fabs(d - s);
    case Mode::kExclusion:
      return s + d - 2 * s * d;
    case Mode::kSubtract:
      return d - s;
    case Mode::kDivide:
      return s <= 0 ? (d > 0 ? 1 : 0) : std::min(d / s, 1.0);
    default:
      ADD_FAILURE() << "mode " << mode << " is not separable";
      return 0;
  }
}

double Lum(const Rgb& c) {
  return 0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2];
}

Rgb ClipColor(Rgb c) {
  const double l = Lum(c);
  const double n = std::min({c[0], c[1], c[2]});
  const double x = std::max({c[0], c[1], c[2]});
  for (double& v : c) {
    if (n < 0) v = l + (v - l) * l / (l - n);
  }
  for (double& v : c) {
    if (x > 1) v = l + (v - l) * (1 - l) / (x - l);
  }
  return c;
}

Rgb SetLum(Rgb c, double l) {
  const double delta = l - Lum(c);
  for (double& v : c) v += delta;
  return ClipColor(c);
}

double Sat(const Rgb& c) {
  return std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]});
}

// The PDF's SetSat: the largest component goes to s, the smallest to 0.
Rgb SetSat(Rgb c, double s) {
  const double n = std::min({c[0], c[1], c[2]});
  const double range = Sat(c);
  for (double& v : c) v = range > 0 ? (v - n) * s / range : 0;
  return c;
}

Rgb BlendColour(int mode, const Rgb& d, const Rgb& s) {
  switch (mode) {
    case Mode::kDarkerColor:
      return Lum(d) < Lum(s) ? d : s;
    case Mode::kLighterColor:
      return Lum(d) > Lum(s) ? d : s;
    case Mode::kHue:
      return SetLum(SetSat(s, Sat(d)), Lum(d));
    case Mode::kSaturation:
      return SetLum(SetSat(d, Sat(s)), Lum(d));
    case Mode::kColor:
      return SetLum(s, Lum(d));
    case Mode::kLuminosity:
      return SetLum(d, Lum(s));
    default:
      return {Separable(mode, d[0], s[0]), Separable(mode, d[1], s[1]),
              Separable(mode, d[2], s[2])};
  }
}

// The layer s over the background d, straight alpha in and out.
Texel Composite(int mode, double intensity, const Texel& d8, const Texel& s8) {
  std::array<double, 4> d{}, s{};
  for (int i = 0; i < 4; ++i) {
    d[i] = d8[i] / 255.0;
    s[i] = s8[i] / 255.0;
  }
  const Rgb b = BlendColour(mode, {d[0], d[1], d[2]}, {s[0], s[1], s[2]});
  std::array<double, 4> res{};
  res[3] = d[3] + (s[3] + d[3] - s[3] * d[3] - d[3]) * intensity;
  for (int i = 0; i < 3; ++i) {
    const double over = std::clamp(b[i], 0.0, 1.0) * s[3] * d[3] + s[i] * s[3] * (1 - d[3]) +
                        d[i] * d[3] * (1 - s[3]);
    res[i] = d[i] * d[3] + (over - d[i] * d[3]) * intensity;
  }
  if (res[3] <= 0) return {0, 0, 0, 0};
  return {float(res[0] / res[3] * 255), float(res[1] / res[3] * 255), float(res[2] / res[3] * 255),
          float(res[3] * 255)};
}

// A grid of every pair of the levels in each channel (the green and blue
// channels on other pairs, so that whole colours vary too) by every pair of
// alphas: 25 columns, 9 rows. The levels avoid the sums at which a mode
// switches, 0 and 255 included.
constexpr std::array<float, 5> kLevels{0, 40, 128, 210, 255};
constexpr std::array<float, 3> kAlphas{0, 128, 255};

Texel GridTexel(int x, int y, bool layer) {
  const auto level = [&](int pair) {
    pair %= 25;
    return kLevels[static_cast<std::size_t>(layer ? pair / 5 : pair % 5)];
  };
  const float alpha = kAlphas[static_cast<std::size_t>(layer ? y / 3 : y % 3)];
  return {level(x), level(x + 7), level(x + 13), alpha};
}

Image Blend(const Proc::Settings& settings, const Image& background, const Image& layer) {
  Ptr<Proc::IEffect> blender = Testing::MakeEffect(settings);
  return Testing::ToImage(*Testing::Download(blender->ProcessData(
      {Testing::ToFrame(background, PixFmt::RGBA), Testing::ToFrame(layer, PixFmt::RGBA)})));
}

// 1/255 of the formula, and the rounding of the 8-bit output.
constexpr float kTolerance = 1.5f;

void ExpectNear(const Texel& actual, const Texel& expected, const char* where) {
  for (int c = 0; c < 4; ++c) {
    EXPECT_NEAR(actual[c], expected[c], kTolerance) << where << " channel " << c;
  }
}

class BlendModes : public ::testing::TestWithParam<int> {};

TEST_P(BlendModes, CompositeAsThePdfFormulasOnAGridOfValuesAndAlphas) {
  const int mode = GetParam();
  for (const float intensity : {1.0f, 0.6f}) {
    SettingsEffectImageBlender settings;
    settings.SetBlendMode(static_cast<Mode>(mode));
    settings.SetIntensity(intensity);
    const Image background =
        Testing::MakeImage(25, 9, [](int x, int y) { return GridTexel(x, y, false); });
    const Image layer =
        Testing::MakeImage(25, 9, [](int x, int y) { return GridTexel(x, y, true); });
    const Image expected = Testing::MakeImage(25, 9, [&](int x, int y) {
      return Composite(mode, intensity, background.At(x, y), layer.At(x, y));
    });
    EXPECT_TRUE(Near(Blend(settings, background, layer), expected, kTolerance))
        << "at intensity " << intensity;
  }
}

INSTANTIATE_TEST_SUITE_P(AllModes, BlendModes,
                         ::testing::Range(0, SettingsEffectColorBlender::kModeCount));

TEST(ColorBlender, ASingleInputGoesOverTheColour) {
  SettingsEffectColorBlender settings;
  settings.SetBlendMode(Mode::kMultiply);
  settings.SetBackgroundColor(true, {255, 128, 0, 255});
  const Image layer = Testing::MakeImage(6, 3, [](int x, int) {
    return Texel{200, 100, 50, x < 3 ? 255.0f : 0.0f};
  });
  Ptr<Proc::IEffect> blender = Testing::MakeEffect(settings);
  const Image output = Testing::ToImage(
      *Testing::Download(blender->ProcessData({Testing::ToFrame(layer, PixFmt::RGBA)})));
  ExpectNear(output.At(0, 0), {200, 50.2f, 0, 255}, "opaque layer");
  ExpectNear(output.At(5, 2), {255, 128, 0, 255}, "transparent layer");
}

TEST(ColorBlender, ReturnsTheFirstInputItselfWhenThereIsNothingToDo) {
  const auto frame = Testing::MakeTestPattern(4, 2, PixFmt::RGBA);
  const auto other = Testing::MakeTestPattern(4, 2, PixFmt::RGBA);
  SettingsEffectImageBlender image;
  Ptr<Proc::IEffect> blender = Testing::MakeEffect(image);
  EXPECT_EQ(blender->ProcessData({frame}).get(), frame.get());
  image.SetIntensity(0.0f);
  blender->SetSettingsObject(image);
  EXPECT_EQ(blender->ProcessData({frame, other}).get(), frame.get());

  SettingsEffectColorBlender colour;
  colour.SetIntensity(0.0f);
  blender->SetSettingsObject(colour);
  EXPECT_EQ(blender->ProcessData({frame}).get(), frame.get());
  colour.SetIntensity(1.0f);
  blender->SetSettingsObject(colour);
  EXPECT_NE(blender->ProcessData({frame}).get(), frame.get());
}

TEST(ColorBlender, OverlapOfAnOffsetLayer) {
  const Proc::FrameInfo output{16, 9, 1, 1};
  const Proc::FrameInfo layer{8, 5, 1, 1};
  BlendOverlap o = ComputeBlendOverlap(3, -2, output, layer);
  EXPECT_EQ(o.ox, 3);
  EXPECT_EQ(o.oy, 0);
  EXPECT_EQ(o.px, 0);
  EXPECT_EQ(o.py, 2);
  EXPECT_EQ(o.width, 8);
  EXPECT_EQ(o.height, 3);
  EXPECT_FALSE(o.CoversOutput());
  o = ComputeBlendOverlap(12, 0, output, layer);
  EXPECT_EQ(o.width, 4);
  EXPECT_EQ(o.height, 5);
  EXPECT_TRUE(ComputeBlendOverlap(16, 0, output, layer).Empty());
  EXPECT_TRUE(ComputeBlendOverlap(0, -5, output, layer).Empty());
  EXPECT_TRUE(ComputeBlendOverlap(0, 0, output, output).CoversOutput());
}

// A smaller layer at an offset covers its rectangle of the background's
// canvas; the rest is the background.
TEST(ColorBlender, AnOffsetLayerCoversItsRectangleOfTheBackground) {
  const Image background = Testing::MakeImage(16, 9, [](int, int) {
    return Texel{0, 0, 255, 255};
  });
  const Image layer = Testing::MakeImage(8, 5, [](int x, int y) {
    return Texel{255, float(x * 30), float(y * 50), 255};
  });
  SettingsEffectImageBlender settings;
  settings.SetBlendMode(Mode::kNormal);
  settings.SetOffset(10, -2);
  const Image expected = Testing::MakeImage(16, 9, [&](int x, int y) {
    return x >= 10 && y < 3 ? layer.At(x - 10, y + 2) : background.At(x, y);
  });
  EXPECT_TRUE(Near(Blend(settings, background, layer), expected, kTolerance));
}

// A layer that covers nothing leaves the background as it is.
TEST(ColorBlender, ALayerOutsideTheFrameLeavesTheBackground) {
  const Image background = Testing::ToImage(*Testing::MakeTestPattern(7, 5, PixFmt::RGBA));
  const Image layer = Testing::MakeImage(7, 5, [](int, int) { return Texel{255, 0, 0, 255}; });
  SettingsEffectImageBlender settings;
  settings.SetOffset(7, 0);
  EXPECT_EQ(Testing::MaxDifference(Blend(settings, background, layer), background).value, 0.0f);

  SettingsEffectColorBlender colour;
  colour.SetBackgroundColor(true, {10, 20, 30, 255});
  colour.SetOffset(0, -40);
  Ptr<Proc::IEffect> blender = Testing::MakeEffect(colour);
  const Image output = Testing::ToImage(
      *Testing::Download(blender->ProcessData({Testing::ToFrame(layer, PixFmt::RGBA)})));
  for (const auto& texel : output.texels) EXPECT_EQ(texel, (Texel{10, 20, 30, 255}));
}

TEST(ColorBlender, SettingsOfAnotherClassAreRefused) {
  Ptr<Proc::IEffect> blender = Testing::MakeEffect(SettingsEffectImageBlender());
  EXPECT_EQ(Testing::MessageOf<std::invalid_argument>(
                [&] { blender->SetSettingsObject(Proc::SettingsEffectChromakey()); }),
            "Invalid settings");
  EXPECT_EQ(blender->GetSettingsObject().GetClassId(), SettingsEffectImageBlender::CLASS_ID);
  EXPECT_THROW(Proc::IBlend::Settings2Property(Proc::SettingsEffectChromakey()),
               std::invalid_argument);
  SettingsEffectColorBlender colour;
  Proc::IBlend::Property2Settings(Property::FromJson(R"({"mode": 2, "color": "#102030"})"), colour);
  EXPECT_EQ(colour.GetBlendMode(), Mode::kMultiply);
  EXPECT_EQ(Proc::IBlend::Settings2Property(colour).ToJson(), colour.Serialize().ToJson());
}

TEST(ColorBlender, EachRowReportsItsOwnSettingsAndStatistics) {
  for (const auto& id :
       {SettingsEffectImageBlender::CLASS_ID, SettingsEffectColorBlender::CLASS_ID}) {
    Ptr<Proc::IEffect> blender = Testing::MakeEffect(id);
    EXPECT_EQ(blender->GetSettingsObject().GetClassId(), id);
    EXPECT_NE(dynamic_cast<Proc::IBlend*>(blender.get()), nullptr);
    EXPECT_EQ(std::get<std::string>(blender->GetStatistic().GetChild("name").GetValue()),
              "Obrisk::Ogl::EffectColorBlender::GetStatistic");
  }
}

}  // namespace
}  // namespace Obrisk::Ogl
