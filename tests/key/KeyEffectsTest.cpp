// The keying and selective-colour effects against their formulas computed
// here on the CPU: the key cone of the chroma key and the colour select,
// the colour mixes, and the colour filters' numbers and looks.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "effects/key/EffectColorFilter.h"
#include "obrisk/settings/KeySettings.h"
#include "support/GpuTestSupport.h"
#include "support/ImageTestSupport.h"
#include "support/Messages.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;
using Proc::Rgba8;
using Testing::Image;

using Colour = std::array<double, 4>;  // R, G, B, A from 0 to 1

// BT.709 luma weights and chroma scales (ITU-R BT.709-6, items 3.2 and 3.3).
constexpr double kKr = 0.2126;
constexpr double kKb = 0.0722;
constexpr double kKg = 1.0 - kKr - kKb;
constexpr double kCb = 2.0 * (1.0 - kKb);
constexpr double kCr = 2.0 * (1.0 - kKr);

// Full-range Y'CbCr with Cb and Cr centred on 0.5, and alpha.
Colour ToYuva(const Colour& c) {
  const double y = kKr * c[0] + kKg * c[1] + kKb * c[2];
  return {y, (c[2] - y) / kCb + 0.5, (c[0] - y) / kCr + 0.5, c[3]};
}

Colour FromYuva(const Colour& p) {
  const double r = p[0] + kCr * (p[2] - 0.5);
  const double b = p[0] + kCb * (p[1] - 0.5);
  return {r, (p[0] - kKr * r - kKb * b) / kKg, b, p[3]};
}

Colour Clamped(Colour c) {
  for (double& v : c) v = std::clamp(v, 0.0, 1.0);
  return c;
}

Colour Grey(const Colour& c) {
  const double y = kKr * c[0] + kKg * c[1] + kKb * c[2];
  return {y, y, y, c[3]};
}

// The cone of a key colour as the settings describe it.
struct Cone {
  double ux, uy;  // unit chroma direction of the key
  double cosAlpha, ctgAlpha, tgFi, lower, upper;

  Cone(const Rgba8& key, double degrees, double lowerBound, double upperBound) {
    const Colour yuv = ToYuva({key.r / 255.0, key.g / 255.0, key.b / 255.0, 1.0});
    const double pb = yuv[1] - 0.5;
    const double pr = yuv[2] - 0.5;
    const double len = std::hypot(pb, pr);
    ux = pb / len;
    uy = pr / len;
    const double alpha = degrees * M_PI / 180.0;
    cosAlpha = std::cos(alpha);
    ctgAlpha = std::min(1.0 / std::tan(alpha), 1024.0);
    tgFi = std::min(yuv[0] / len, 1024.0);
    lower = lowerBound / 8.0;
    upper = upperBound / 8.0;
  }

  // Along and across the key, and the reach l^2 - ctg^2 h^2; nullopt-like
  // false when outside the cone or grey.
  bool Inside(double u, double v, double& l, double& h, double& reach) const {
    const double len = std::hypot(u, v);
    l = u * ux + v * uy;
    h = std::fabs(-u * uy + v * ux);
    reach = l * l - ctgAlpha * ctgAlpha * h * h;
    return len >= 0.004 && l >= len * cosAlpha;
  }
};

struct Expected {
  Colour colour;
  bool ambiguous = false;  // the reach lies at a bound: either side may be drawn
};

constexpr double kBoundSlack = 2e-4;

bool NearBound(const Cone& cone, double reach) {
  return std::fabs(reach - cone.lower) < kBoundSlack || std::fabs(reach - cone.upper) < kBoundSlack;
}

// The chroma key of the pixel at (x, y) of `image` (GPU orientation: the
// lower neighbour is y - 1), its neighbours clamped to the edge.
Expected ChromaKeyAt(const Image& image, int x, int y, const Cone& cone, double noise) {
  const auto at = [&](int dx, int dy) {
    const auto& t = image.Clamped(x + dx, y + dy);
    return Colour{t[0] / 255.0, t[1] / 255.0, t[2] / 255.0, t[3] / 255.0};
  };
  const Colour in = at(0, 0);
  if (in[3] == 0.0) return {{0, 0, 0, 0}};
  Colour src{};
  // The pixel and its right, lower-right and lower neighbours.
  constexpr std::array<std::pair<int, int>, 4> kNeighbours{{{0, 0}, {1, 0}, {1, -1}, {0, -1}}};
  for (const auto& [dx, dy] : kNeighbours) {
    const Colour p = ToYuva(at(dx, dy));
    for (int i = 0; i < 4; ++i) src[i] += p[i] / 4.0;
  }
  src = Clamped(src);
  double l = 0, h = 0, reach = 0;
  if (!cone.Inside(src[1] - 0.5, src[2] - 0.5, l, h, reach)) return {in};
  const bool ambiguous = NearBound(cone, reach);
  if (reach >= cone.upper) return {{0, 0, 0, 0}, ambiguous};
  const double dl = (l - h * cone.ctgAlpha) * (1.0 - noise);
  Colour kept = Clamped({src[0] - dl * cone.tgFi, src[1] - dl * cone.ux, src[2] - dl * cone.uy, 1});
  kept[3] = in[3];
  if (reach >= cone.lower) kept[3] *= (cone.upper - reach) / (cone.upper - cone.lower);
  return {Clamped(FromYuva(kept)), ambiguous};
}

Expected ColorSelectAt(const Image& image, int x, int y, const Cone& cone) {
  const auto& t = image.At(x, y);
  const Colour in{t[0] / 255.0, t[1] / 255.0, t[2] / 255.0, t[3] / 255.0};
  const Colour src = Clamped(ToYuva(in));
  double l = 0, h = 0, reach = 0;
  const Colour grey = Grey(in);
  if (!cone.Inside(src[1] - 0.5, src[2] - 0.5, l, h, reach)) return {grey};
  const bool ambiguous = NearBound(cone, reach);
  if (reach < cone.lower) return {grey, ambiguous};
  if (reach >= cone.upper) return {in, ambiguous};
  const double w = (reach - cone.lower) / (cone.upper - cone.lower);
  Colour out{};
  for (int i = 0; i < 4; ++i) out[i] = grey[i] + (in[i] - grey[i]) * w;
  return {out, ambiguous};
}

using PixelFormula = std::function<Expected(const Image&, int, int)>;

// Every pixel within 1.5 levels of the formula, apart from those that lie on
// a bound.
void ExpectPixels(const Image& input, const Image& output, const PixelFormula& formula) {
  int failures = 0;
  for (int y = 0; y < input.height && failures < 5; ++y) {
    for (int x = 0; x < input.width && failures < 5; ++x) {
      const Expected e = formula(input, x, y);
      if (e.ambiguous) continue;
      const auto& out = output.At(x, y);
      for (int c = 0; c < 4; ++c) {
        if (std::fabs(out[c] - e.colour[c] * 255.0) > 1.5) {
          ++failures;
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << c << " is " << out[c]
                        << ", expected " << e.colour[c] * 255.0;
          break;
        }
      }
    }
  }
}

// Blocks of chosen colours, four pixels wide and three high, with single
// pixels between them so that the neighbours mix: a green screen in
// several shades, its spill on skin and grey, other hues, half and fully
// transparent pixels.
Image KeyPicture() {
  static const std::array<std::array<float, 4>, 12> kColours{{{0, 177, 64, 255},
                                                              {30, 170, 70, 255},
                                                              {90, 150, 95, 255},
                                                              {120, 140, 110, 255},
                                                              {200, 30, 30, 255},
                                                              {128, 128, 128, 255},
                                                              {220, 170, 140, 255},
                                                              {20, 40, 200, 255},
                                                              {0, 200, 0, 0},
                                                              {0, 177, 64, 128},
                                                              {60, 200, 40, 200},
                                                              {170, 190, 150, 255}}};
  return Testing::MakeImage(17, 9, [](int x, int y) {
    return kColours[static_cast<std::size_t>((x / 4 + 4 * (y / 3)) % kColours.size())];
  });
}

struct ChromaCase {
  const char* name;
  Rgba8 key;
  int angle;
  double noise, lower, upper;
};

class ChromaKeyCone : public ::testing::TestWithParam<ChromaCase> {};

TEST_P(ChromaKeyCone, KeysSoftensAndRemovesSpillAsTheFormula) {
  const ChromaCase& c = GetParam();
  Proc::SettingsEffectChromakey settings;
  settings.SetKeyColor(c.key);
  settings.SetAngle(c.angle);
  settings.SetNoise(c.noise);
  settings.SetBounds(c.lower, c.upper);
  const Image input = KeyPicture();
  const Image output = Testing::RunRegistered(settings, input);
  const Cone cone(c.key, c.angle, c.lower, c.upper);
  ExpectPixels(input, output, [&](const Image& image, int x, int y) {
    return ChromaKeyAt(image, x, y, cone, c.noise);
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChromaKeyCone,
    ::testing::Values(ChromaCase{"Defaults", {0, 177, 64}, 40, 0.1, 0.05, 0.25},
                      ChromaCase{"NarrowBand", {0, 177, 64}, 40, 0.1, 0.2, 0.5},
                      ChromaCase{"WideSoftBand", {0, 177, 64}, 60, 0.0, 0.05, 1.0},
                      ChromaCase{"SpillKept", {0, 177, 64}, 40, 1.0, 0.2, 0.5},
                      ChromaCase{"RightAngle", {0, 177, 64}, 90, 0.3, 0.1, 0.6},
                      ChromaCase{"NarrowCone", {0, 177, 64}, 1, 0.0, 0.1, 0.6},
                      ChromaCase{"BlueScreen", {20, 40, 200}, 35, 0.2, 0.1, 0.5},
                      ChromaCase{"EqualBounds", {0, 177, 64}, 40, 0.1, 0.3, 0.3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChromaKey, TheKeyColourItselfBecomesTransparentBlackAndOtherHuesStay) {
  Proc::SettingsEffectChromakey settings;
  const Image input = Testing::MakeImage(8, 4, [](int x, int) {
    return x < 4 ? std::array<float, 4>{0, 177, 64, 255} : std::array<float, 4>{200, 30, 30, 255};
  });
  const Image output = Testing::RunRegistered(settings, input, PixFmt::RGBX);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(output.At(1, y), (std::array<float, 4>{0, 0, 0, 0}));
    EXPECT_EQ(output.At(6, y), (std::array<float, 4>{200, 30, 30, 255}));
  }
}

TEST(ChromaKey, TransparentPixelsStayTransparentBlack) {
  Proc::SettingsEffectChromakey settings;
  settings.SetKeyColor({200, 30, 30});
  const Image input = Testing::MakeImage(5, 3, [](int x, int) {
    return std::array<float, 4>{float(x * 50), 128, 255, 0};
  });
  const Image output = Testing::RunRegistered(settings, input);
  for (const auto& texel : output.texels) EXPECT_EQ(texel, (std::array<float, 4>{0, 0, 0, 0}));
}

TEST(ChromaKey, OutputsAlphaEvenForAnOpaqueInput) {
  Proc::SettingsEffectChromakey settings;
  Ptr<Proc::IEffect> effect = Testing::MakeEffect(settings);
  auto format = MakeRef<Proc::FormatCodecVideo>(PixFmt::RGBX, Proc::ColorSpace{},
                                                Proc::FrameInfo{5, 3, 1, 1});
  dynamic_cast<Proc::IOneInputEffectVideo&>(*effect).UpdateFormatCodecVideo(format);
  EXPECT_EQ(format->GetPixelFormat(), PixFmt::RGBA);
  EXPECT_TRUE(format->GetAlphaFlag());
  Ptr<Proc::IData> output =
      effect->ProcessData({Testing::Upload(Testing::MakeTestPattern(5, 3, PixFmt::RGBX))});
  EXPECT_EQ(dynamic_cast<Proc::IDataVideo&>(*output).GetPixelFormat(), PixFmt::RGBA);
}

// A key without hue keys nothing: the picture passes unchanged.
template <class S>
void ExpectGreyKeyPassesThrough() {
  S settings;
  settings.SetKeyColor({128, 128, 128});
  const Image input = Testing::ToImage(*Testing::MakeTestPattern(13, 7, PixFmt::RGBA));
  EXPECT_TRUE(Testing::Near(Testing::RunRegistered(settings, input), input));
}

TEST(ChromaKey, AGreyKeyLeavesThePictureUnchanged) {
  ExpectGreyKeyPassesThrough<Proc::SettingsEffectChromakey>();
}

TEST(ColorSelect, AGreyKeyLeavesThePictureUnchanged) {
  ExpectGreyKeyPassesThrough<Proc::SettingsEffectColorSelect>();
}

TEST(ColorSelect, KeepsTheKeyHueAndGreysTheRestAsTheFormula) {
  for (const int angle : {20, 40, 75}) {
    Proc::SettingsEffectColorSelect settings;
    settings.SetKeyColor({208, 40, 24});
    settings.SetAngle(angle);
    settings.SetBounds(0.05, 0.3);
    const Image input = KeyPicture();
    const Image output = Testing::RunRegistered(settings, input);
    const Cone cone({208, 40, 24}, angle, 0.05, 0.3);
    ExpectPixels(input, output, [&](const Image& image, int x, int y) {
      return ColorSelectAt(image, x, y, cone);
    });
  }
}

TEST(ColorSelect, RedStaysRedAndBlueTurnsGrey) {
  Proc::SettingsEffectColorSelect settings;
  settings.SetKeyColor({220, 20, 20});
  const Image input = Testing::MakeImage(8, 2, [](int x, int) {
    return x < 4 ? std::array<float, 4>{230, 10, 10, 255} : std::array<float, 4>{20, 40, 200, 255};
  });
  const Image output = Testing::RunRegistered(settings, input);
  EXPECT_EQ(output.At(1, 0), (std::array<float, 4>{230, 10, 10, 255}));
  const auto& grey = output.At(6, 0);
  EXPECT_NEAR(grey[0], 20 * kKr + 40 * kKg + 200 * kKb, 1.0);
  EXPECT_EQ(grey[0], grey[1]);
  EXPECT_EQ(grey[1], grey[2]);
}

// Each mix against its formula over a pattern of extremes and ordinary colours.
void ExpectEachTexel(const Proc::Settings& settings, const std::function<Colour(Colour)>& formula) {
  const Image input = Testing::ToImage(*Testing::MakeTestPattern(19, 7, PixFmt::RGBA));
  const Image output = Testing::RunRegistered(settings, input);
  ExpectPixels(input, output, [&](const Image& image, int x, int y) {
    const auto& t = image.At(x, y);
    return Expected{Clamped(formula({t[0] / 255.0, t[1] / 255.0, t[2] / 255.0, t[3] / 255.0}))};
  });
}

TEST(ColorMix, BurnFollowsTheSineAboutMidGrey) {
  Proc::SettingsEffectColorMixBurn settings;
  settings.SetStrength(0.7);
  ExpectEachTexel(settings, [](Colour c) {
    for (int i = 0; i < 3; ++i) c[i] += (std::sin((c[i] - 0.5) * M_PI) - c[i]) * 0.7;
    return c;
  });
}

TEST(ColorMix, ExchangeInvertsEachChannelByTheColour) {
  Proc::SettingsEffectColorMixExchange settings;
  settings.SetExchangeColor({255, 128, 0});
  ExpectEachTexel(settings, [](Colour c) {
    const std::array<double, 3> e{1.0, 128 / 255.0, 0.0};
    for (int i = 0; i < 3; ++i) c[i] += (1.0 - 2.0 * c[i]) * e[i];
    return c;
  });
}

TEST(ColorMix, FieldFillsTheBrightPartsWithTheFiller) {
  Proc::SettingsEffectColorMixField settings;
  settings.SetThreshold(0.4);
  settings.SetContrast(0.7);
  settings.SetFillerColor({255, 200, 50});
  ExpectEachTexel(settings, [](Colour c) {
    const double lum = kKr * c[0] + kKg * c[1] + kKb * c[2];
    if (lum <= 0.4) return c;
    const double shade = std::clamp(lum + 2 * 0.7 - 1, 0.0, 1.0);
    return Colour{shade, shade * 200 / 255.0, shade * 50 / 255.0, c[3]};
  });
}

TEST(ColorMix, FieldWithThresholdOneNeverFills) {
  Proc::SettingsEffectColorMixField settings;
  settings.SetThreshold(1.0);
  EXPECT_TRUE(settings.IsEmpty());
}

TEST(ColorFilter, NumbersPickALookTheCustomFilterOrLookZero) {
  using S = Proc::SettingsEffectColorFilter;
  EXPECT_EQ(S::FilterNumber(5, 100), 5);
  EXPECT_EQ(S::FilterNumber(35, 100), 35);
  EXPECT_EQ(S::FilterNumber(36, 36), 36);
  EXPECT_EQ(S::FilterNumber(36, 145), 145);
  EXPECT_EQ(S::FilterNumber(36, 146), 0);
  EXPECT_EQ(S::FilterNumber(36, 20), 0);
  EXPECT_EQ(S::FilterNumber(37, 40), 0);
  EXPECT_EQ(S::FilterNumber(-1, 40), 0);
}

TEST(ColorFilter, CustomFiltersMultiplyOrWeighTheChannels) {
  Proc::SettingsEffectColorFilter factors;
  factors.SetFilter(36, 80);
  factors.SetFactors(0.5f, 1.5f, 0.0f, 1.0f);
  ExpectEachTexel(factors, [](Colour c) { return Colour{c[0] * 0.5, c[1] * 1.5, 0.0, c[3]}; });

  Proc::SettingsEffectColorFilter grey;
  grey.SetFilter(36, 140);
  grey.SetFactors(0.3f, 0.5f, 0.2f, 1.2f);
  ExpectEachTexel(grey, [](Colour c) {
    const double g = (c[0] * 0.3 + c[1] * 0.5 + c[2] * 0.2) * 1.2;
    return Colour{g, g, g, c[3]};
  });
}

TEST(ColorFilter, StrengthMixesTheFilterWithThePicture) {
  Proc::SettingsEffectColorFilter settings;
  settings.SetFilter(36, 80);
  settings.SetFactors(0.0f, 0.0f, 0.0f, 1.0f);
  settings.SetStrength(0.25f);
  const Image input = Testing::MakeImage(4, 2, [](int, int) {
    return std::array<float, 4>{200, 100, 40, 255};
  });
  const Image output = Testing::RunRegistered(settings, input);
  EXPECT_NEAR(output.At(0, 0)[0], 150, 1.0);
  EXPECT_NEAR(output.At(0, 0)[1], 75, 1.0);
  EXPECT_NEAR(output.At(0, 0)[2], 30, 1.0);
}

// A ramp through the look on the GPU, against the curves and matrix of the look.
TEST(ColorFilter, EachLookDrawsItsCurvesAndMatrix) {
  const Image input = Testing::MakeImage(32, 3, [](int x, int y) {
    const float v = x * 255.0f / 31.0f;
    return y == 0 ? std::array<float, 4>{v, v, v, 255}
                  : std::array<float, 4>{v, 255 - v, v / 2, 255};
  });
  for (int look = 0; look < Proc::SettingsEffectColorFilter::kPresetCount; ++look) {
    SCOPED_TRACE(std::string(EffectColorFilter::LookName(look)));
    Proc::SettingsEffectColorFilter settings;
    settings.SetFilter(look, 36);
    const Image output = Testing::RunRegistered(settings, input);
    ExpectPixels(input, output, [&](const Image& image, int x, int y) {
      const auto& t = image.At(x, y);
      std::array<float, 3> curved{};
      for (int c = 0; c < 3; ++c) curved[c] = EffectColorFilter::LookCurve(look, c, t[c] / 255.0f);
      const auto m = EffectColorFilter::LookMatrix(look, curved);
      return Expected{Clamped({m[0], m[1], m[2], t[3] / 255.0})};
    });
  }
}

// The looks are tone curves: none turns a lighter input darker, and no two
// looks are the same.
TEST(ColorFilter, LooksRiseAndDiffer) {
  constexpr int kSamples = 256;
  std::vector<std::vector<float>> signatures;
  for (int look = 0; look < Proc::SettingsEffectColorFilter::kPresetCount; ++look) {
    std::vector<float> signature;
    for (int c = 0; c < 3; ++c) {
      float previous = -1.0f;
      for (int i = 0; i < kSamples; ++i) {
        const float v = EffectColorFilter::LookCurve(look, c, i / float(kSamples - 1));
        EXPECT_GE(v, previous - 1e-4f) << EffectColorFilter::LookName(look) << " channel " << c;
        previous = v;
        if (i % 32 == 0) signature.push_back(v);
      }
    }
    const auto m = EffectColorFilter::LookMatrix(look, {0.8f, 0.3f, 0.1f});
    signature.insert(signature.end(), m.begin(), m.end());
    for (const auto& other : signatures) EXPECT_NE(other, signature) << look;
    signatures.push_back(signature);
  }
}

TEST(ColorFilter, LookZeroIsNearlyNeutralWithLiftedBlacks) {
  EXPECT_NEAR(EffectColorFilter::LookCurve(0, 0, 0.0f), 0.0658209, 1e-6);
  EXPECT_NEAR(EffectColorFilter::LookCurve(0, 0, 1.0f), 0.959491, 1e-4);
  for (int i = 0; i < 3; ++i) {
    std::array<float, 3> unit{};
    unit[i] = 1.0f;
    const auto m = EffectColorFilter::LookMatrix(0, unit);
    for (int j = 0; j < 3; ++j) {
      if (i != j) {
        EXPECT_LT(std::fabs(m[j]), 0.013f);
      }
    }
  }
}

TEST(KeySettings, ColoursAreHexTextAndBadTextIsRefused) {
  Proc::SettingsEffectChromakey settings;
  settings.Deserialize(Property::FromJson(R"({"key": "#0000FF"})"));
  EXPECT_EQ(settings.GetKeyColor(), (Rgba8{0, 0, 255, 255}));
  settings.Deserialize(Property::FromJson(R"({"key": "00b140"})"));
  EXPECT_EQ(settings.GetKeyColor(), (Rgba8{0, 177, 64, 255}));
  for (const char* bad : {"#00b14", "#00b1400", "green", "#gg0000", ""}) {
    const Property json = Property::FromJson(std::string(R"({"key": ")") + bad + "\"}");
    EXPECT_TRUE(Testing::Contains(
        Testing::MessageOf<std::invalid_argument>([&] { settings.Deserialize(json); }),
        "SettingsEffectChromakey: key takes a colour"));
    EXPECT_EQ(settings.GetKeyColor(), (Rgba8{0, 177, 64, 255}));
  }
  Proc::SettingsEffectColorMixField field;
  field.SetFillerColor({1, 2, 3, 4});
  EXPECT_EQ(std::get<std::string>(field.Serialize().GetChild("filler").GetValue()), "#01020304");
}

}  // namespace
}  // namespace Obrisk::Ogl
