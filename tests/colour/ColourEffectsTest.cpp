// The per-pixel colour effects: each against its formula computed here on the
// CPU, the working colour space, settings validation, and opacity.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"
#include "effects/colour/EffectOpacity.h"
#include "effects/colour/EffectShiftUV.h"
#include "obrisk/effectcommon/ColorEffectMath.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/ColorSettings.h"
#include "obrisk/settings/ColorToolSettings.h"
#include "obrisk/settings/KeySettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::ColorSpace;
using Proc::PixFmt;
using Testing::MaxDifference;
using Testing::Pixel;
using Testing::ToImage;

// R, G, B, A from 0 to 1.
using Colour = std::array<double, 4>;
// The results a pixel may have: one, or two where the formula rounds at a
// step and single precision may fall on either side.
using Formula = std::function<std::vector<Colour>(const Colour&)>;

double Clamp01(double v) {
  return std::clamp(v, 0.0, 1.0);
}

Colour Clamped(Colour c) {
  for (double& v : c) v = Clamp01(v);
  return c;
}

// BT.709 luma weights (ITU-R BT.709-6, item 3.2).
constexpr double kKr = 0.2126;
constexpr double kKb = 0.0722;
constexpr double kKg = 1.0 - kKr - kKb;

// Full-range Y'CbCr with Cb and Cr centred on 0.5 (BT.709-6, item 3.3).
struct Yuv {
  double y, u, v;
};

Yuv ToYuv(const Colour& c) {
  const double y = kKr * c[0] + kKg * c[1] + kKb * c[2];
  return {y, (c[2] - y) / (2.0 * (1.0 - kKb)) + 0.5, (c[0] - y) / (2.0 * (1.0 - kKr)) + 0.5};
}

Yuv Clamped(const Yuv& p) {
  return {Clamp01(p.y), Clamp01(p.u), Clamp01(p.v)};
}

Colour FromYuv(const Yuv& p, double alpha) {
  const double r = p.y + 2.0 * (1.0 - kKr) * (p.v - 0.5);
  const double b = p.y + 2.0 * (1.0 - kKb) * (p.u - 0.5);
  return Clamped(Colour{r, (p.y - kKr * r - kKb * b) / kKg, b, alpha});
}

// Hexcone HSV, hue in turns.
std::array<double, 3> ToHsv(const Colour& c) {
  const double max = std::max({c[0], c[1], c[2]});
  const double delta = max - std::min({c[0], c[1], c[2]});
  double hue = 0.0;
  if (delta > 0.0) {
    if (max == c[0]) {
      hue = std::fmod((c[1] - c[2]) / delta + 6.0, 6.0);
    } else if (max == c[1]) {
      hue = (c[2] - c[0]) / delta + 2.0;
    } else {
      hue = (c[0] - c[1]) / delta + 4.0;
    }
  }
  return {hue / 6.0, max > 0.0 ? delta / max : 0.0, max};
}

Colour FromHsv(const std::array<double, 3>& hsv, double alpha) {
  const double sector = std::fmod(hsv[0] * 6.0, 6.0);
  const double f = sector - std::floor(sector);
  const double v = hsv[2];
  const double p = v * (1.0 - hsv[1]);
  const double q = v * (1.0 - hsv[1] * f);
  const double t = v * (1.0 - hsv[1] * (1.0 - f));
  const Colour bySector[6] = {{v, t, p, alpha}, {q, v, p, alpha}, {p, v, t, alpha},
                              {p, q, v, alpha}, {t, p, v, alpha}, {v, p, q, alpha}};
  return bySector[std::clamp(static_cast<int>(sector), 0, 5)];
}

struct BalanceValues {
  double contrast = 1, brightness = 0, saturation = 1, gamma = 1, gammaGreen = 1, gammaBlue = 1,
         gammaRed = 1, gammaWeight = 1;
  int hue = 0;
};

Formula ColorBalance(const BalanceValues& s) {
  return [s](const Colour& c) {
    Yuv p = Clamped(ToYuv(c));
    p = Clamped(Yuv{(p.y - 0.5) * s.contrast + 0.5 + s.brightness, (p.u - 0.5) * s.saturation + 0.5,
                    (p.v - 0.5) * s.saturation + 0.5});
    const Yuv powered{std::pow(p.y, 1.0 / (s.gamma * s.gammaGreen)),
                      std::pow(p.u, std::sqrt(s.gammaGreen / s.gammaBlue)),
                      std::pow(p.v, std::sqrt(s.gammaGreen / s.gammaRed))};
    const double w = s.gammaWeight;
    p = Clamped(Yuv{p.y * (1 - w) + powered.y * w, p.u * (1 - w) + powered.u * w,
                    p.v * (1 - w) + powered.v * w});
    const double theta = s.hue * M_PI / 180.0;
    const double u = p.u - 0.5;
    const double v = p.v - 0.5;
    p = Clamped(Yuv{p.y, u * std::cos(theta) - v * std::sin(theta) + 0.5,
                    u * std::sin(theta) + v * std::cos(theta) + 0.5});
    return std::vector{FromYuv(p, c[3])};
  };
}

struct CorrectionValues {
  double exposure = 0, brightness = 0, contrast = 0, hue = 0, saturation = 1;
};

Formula ColorCorrection(const CorrectionValues& s) {
  return [s](const Colour& c) {
    const double exposure = s.exposure / 2.0;
    const double slope = std::tan((s.contrast + 1.0) * M_PI / 4.0);
    Colour out = c;
    for (int i = 0; i < 3; ++i) {
      double v = exposure < 0 ? c[i] * (1.0 + exposure) : c[i] + (1.0 - c[i]) * exposure;
      out[i] = Clamp01((v + s.brightness - 0.5) * slope + 0.5);
    }
    if (s.hue != 0.0 || s.saturation != 1.0) {
      auto hsv = ToHsv(out);
      hsv[0] = std::fmod(hsv[0] + s.hue, 1.0);
      if (hsv[0] < 0.0) hsv[0] += 1.0;
      hsv[1] = Clamp01(hsv[1] * s.saturation);
      out = FromHsv(hsv, c[3]);
    }
    return std::vector{Clamped(out)};
  };
}

Formula Posterize(int levels, double intensity) {
  return [levels, intensity](const Colour& c) {
    const double luma = kKr * c[0] + kKg * c[1] + kKb * c[2];
    const double steps = luma * levels + 0.5;
    std::vector<double> candidates{std::floor(steps)};
    const double nearest = std::round(steps);
    if (std::fabs(steps - nearest) < 1e-4) candidates = {nearest - 1.0, nearest};
    std::vector<Colour> results;
    for (double step : candidates) {
      const double scale = (step / (levels * luma + 1e-6) - 1.0) * intensity + 1.0;
      results.push_back(Clamped({c[0] * scale, c[1] * scale, c[2] * scale, c[3]}));
    }
    return results;
  };
}

// Rows: output R, G, B; columns: weights of input R, G, B and an offset.
using Affine = std::array<std::array<double, 4>, 3>;
constexpr Affine kRetro{{{1.066, 0.083, -0.056, -0.026129412},
                         {-0.047, 0.943, -0.015, 0.084137254},
                         {-0.022, 0.034, 0.496, 0.23962745}}};
constexpr Affine kSeventies{{{0.785, 0.017, 0.011, 0.10094117},
                             {-0.007, 0.867, 0.008, 0.055247061},
                             {-0.005, -0.01, 0.854, 0.01842745}}};

// The channel mixer and the matrix looks of the retro colours.
Formula AffineMix(const Affine& m) {
  return [m](const Colour& c) {
    Colour out{0.0, 0.0, 0.0, c[3]};
    for (int j = 0; j < 3; ++j) out[j] = m[j][0] * c[0] + m[j][1] * c[1] + m[j][2] * c[2] + m[j][3];
    return std::vector{Clamped(out)};
  };
}

// BT.601 luma (ITU-R BT.601-7, item 2.5.1).
double Luma601(const Colour& c) {
  return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2];
}

// Each channel a power of the luma: grey with exponents of 1, sepia otherwise.
Formula LumaPowers(const std::array<double, 3>& e) {
  return [e](const Colour& c) {
    const double y = Luma601(c);
    return std::vector{Clamped({std::pow(y, e[0]), std::pow(y, e[1]), std::pow(y, e[2]), c[3]})};
  };
}
const Formula kGrayscale = LumaPowers({1.0, 1.0, 1.0});
const Formula kSepia = LumaPowers({1.0 - 90.0 / 255.0, 1.0 - 30.0 / 255.0, 1.0 + 150.0 / 255.0});

Formula ShiftLuma(float blackShift, float whiteShift) {
  // Shifts in whole levels (1.0 is 100), limited-range black 16 and white 235.
  const int a = static_cast<int>(blackShift * 100.0f);
  const int b = static_cast<int>(whiteShift * 100.0f);
  const int x0 = 16 + std::max(-a, 0);
  const int y0 = 16 + std::max(a, 0);
  const int x1 = 235 - std::max(b, 0);
  const int y1 = 235 + std::min(b, 0);
  const double k = (y1 - y0 - 1.0) / (x1 - x0 - 1.0);
  return [=](const Colour& c) {
    Yuv p = Clamped(ToYuv(c));
    p.y = Clamp01(k * (p.y - x0 / 255.0) + y0 / 255.0);
    return std::vector{FromYuv(p, c[3])};
  };
}

Formula ShiftUV(int u, int v) {
  return [u, v](const Colour& c) {
    Yuv p = ToYuv(c);
    return std::vector{FromYuv(Clamped(Yuv{p.y, p.u + u / 255.0, p.v + v / 255.0}), c[3])};
  };
}

Formula Opacity(double opacity) {
  return [opacity](const Colour& c) {
    return std::vector{Colour{c[0], c[1], c[2], c[3] * opacity}};
  };
}

constexpr int kWidth = 24;
constexpr int kHeight = 16;

// Black, white, the primaries and secondaries, greys next to the ends and
// the middle, then ordinary colours from a fixed pseudo-random sequence;
// alpha runs through 0 to 255. Opaque formats get alpha 255.
Ptr<Proc::DataVideoMemory> Picture(PixFmt format, const ColorSpace& colorSpace = {}) {
  static const std::vector<Pixel> kExtremes{
      {0, 0, 0, 255},       {255, 255, 255, 255}, {255, 0, 0, 255},   {0, 255, 0, 255},
      {0, 0, 255, 255},     {255, 255, 0, 0},     {0, 255, 255, 128}, {255, 0, 255, 1},
      {128, 128, 128, 254}, {1, 1, 1, 255},       {254, 254, 254, 7}, {127, 128, 129, 200},
      {16, 16, 16, 255},    {235, 235, 235, 255}, {250, 5, 128, 60},  {3, 120, 250, 255}};
  auto frame =
      MakeRef<Proc::DataVideoMemory>(colorSpace, format, Proc::FrameInfo{kWidth, kHeight, 1, 1});
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < kWidth * kHeight; ++i) {
    Pixel pixel = i < kExtremes.size() ? kExtremes[i] : Pixel{};
    for (auto& channel : pixel) {
      if (i >= kExtremes.size()) channel = (state = state * 1664525u + 1013904223u) >> 24;
    }
    if (format == PixFmt::RGBX) pixel[3] = 255;
    std::copy(pixel.begin(), pixel.end(), frame->Row(int(i / kWidth)) + i % kWidth * 4);
  }
  return frame;
}

// The four channels of a pixel, times `scale`, as text.
template <class Channels>
std::string Describe(const Channels& p, double scale = 1.0) {
  return ::testing::PrintToString(
      std::vector<double>{p[0] * scale, p[1] * scale, p[2] * scale, p[3] * scale});
}

// Every pixel of `output` is one of the formula's results for `input`.
void ExpectFormula(const Testing::Image& input, const Testing::Image& output,
                   const Formula& formula) {
  int failures = 0;
  for (std::size_t i = 0; i < input.texels.size() && failures < 5; ++i) {
    const auto& in = input.texels[i];
    const auto& out = output.texels[i];
    const auto expected = formula({in[0] / 255.0, in[1] / 255.0, in[2] / 255.0, in[3] / 255.0});
    const auto near = [&](const Colour& e) {
      for (int c = 0; c < 4; ++c) {
        if (std::fabs(out[c] - e[c] * 255.0) > 1.0) return false;
      }
      return true;
    };
    if (std::none_of(expected.begin(), expected.end(), near)) {
      ++failures;
      ADD_FAILURE() << "input " << Describe(in) << " gave " << Describe(out) << ", expected "
                    << Describe(expected.front(), 255.0);
    }
  }
}

Ptr<Proc::IData> Apply(Proc::IEffect& effect, const Ptr<Proc::IData>& input) {
  return effect.ProcessData({input});
}

// An output downloaded as a picture, to compare two roads to it.
Testing::Image Drawn(const Ptr<Proc::IData>& output) {
  return ToImage(*Testing::Download(output));
}

Ptr<Proc::IEffect> MakeEffect(const Proc::Settings& settings) {
  static const auto registry = Testing::MakeRegistry();
  Ptr<Proc::IEffect> effect = Testing::CreateEffect(*registry, settings.GetClassId());
  effect->SetSettingsObject(settings);
  return effect;
}

using MakeSettings = std::function<std::unique_ptr<Proc::Settings>()>;

struct FormulaCase {
  std::string name;
  MakeSettings settings;
  Formula formula;
  friend void PrintTo(const FormulaCase& c, std::ostream* os) { *os << c.name; }
};

// Settings of class S as `configure` leaves the defaults.
template <class S>
MakeSettings Make(std::function<void(S&)> configure = [](S&) {}) {
  return [configure] {
    auto settings = std::make_unique<S>();
    configure(*settings);
    return settings;
  };
}

std::vector<FormulaCase> FormulaCases() {
  using namespace Proc;
  std::vector<FormulaCase> cases;
  const auto mixer = [&](std::string name, const std::array<float, 9>& m) {
    cases.push_back(
        {std::move(name), Make<SettingsEffectChannelMixer>([m](auto& s) { s.SetMatrix(m); }),
         AffineMix({{{m[0], m[1], m[2], 0}, {m[3], m[4], m[5], 0}, {m[6], m[7], m[8], 0}}})});
  };
  mixer("MixerSwapsRedAndBlue", {0, 0, 1, 0, 1, 0, 1, 0, 0});
  mixer("MixerWithNegativeAndLargeWeights", {0.5f, 0.3f, 0.2f, -0.4f, 1.2f, 0.1f, 0, -1, 2});

  const auto balance = [&](std::string name, BalanceValues v) {
    cases.push_back({std::move(name), Make<SettingsEffectColorBalance>([v](auto& s) {
                       s.SetContrast(v.contrast);
                       s.SetBrightness(v.brightness);
                       s.SetSaturation(v.saturation);
                       s.SetGamma(v.gamma);
                       s.SetGammaGreen(v.gammaGreen);
                       s.SetGammaBlue(v.gammaBlue);
                       s.SetGammaRed(v.gammaRed);
                       s.SetGammaWeight(v.gammaWeight);
                       s.SetHue(v.hue);
                     }),
                     ColorBalance(v)});
  };
  balance("BalanceContrastBrightnessSaturation", {1.5, 0.1, 1.8});
  balance("BalanceNegativeContrast", {-1.0, 0.0, 0.5});
  balance("BalanceGammas", {1, 0, 1, 2.2, 1.3, 2.0, 0.5, 0.7});
  balance("BalanceHue", {1, 0, 1, 1, 1, 1, 1, 1, 200});
  balance("BalanceEverything", {0.8, -0.05, 2.5, 0.6, 0.9, 3.0, 0.2, 1.0, 45});

  const auto correction = [&](std::string name, CorrectionValues v) {
    cases.push_back({std::move(name), Make<SettingsEffectColorCorrection>([v](auto& s) {
                       s.SetExposure(static_cast<float>(v.exposure));
                       s.SetBrightness(static_cast<float>(v.brightness));
                       s.SetContrast(static_cast<float>(v.contrast));
                       s.SetHue(static_cast<float>(v.hue));
                       s.SetSaturation(static_cast<float>(v.saturation));
                     }),
                     ColorCorrection(v)});
  };
  correction("CorrectionDarkerExposure", {-0.6});
  correction("CorrectionBrighterExposure", {0.8, -0.1});
  correction("CorrectionContrast", {0.0, 0.05, 0.5});
  correction("CorrectionFlatContrast", {0.0, 0.0, -1.0});
  correction("CorrectionHueAndSaturation", {0.2, 0.0, -0.2, 0.25, 1.5});
  correction("CorrectionNegativeHueNoSaturation", {0.0, 0.0, 0.0, -0.3, 0.0});

  const auto posterize = [&](std::string name, int levels, float intensity) {
    cases.push_back({std::move(name), Make<SettingsEffectPosterize>([=](auto& s) {
                       s.SetLevels(levels);
                       s.SetIntensity(intensity);
                     }),
                     Posterize(levels, intensity)});
  };
  posterize("PosterizeFourLevels", 4, 1.0f);
  posterize("PosterizeTwoLevelsHalfway", 2, 0.5f);
  posterize("PosterizeOneLevel", 1, 1.0f);
  posterize("PosterizeManyLevels", 200, 1.0f);

  const auto retro = [&](std::string name, int mode, Formula formula) {
    cases.push_back({std::move(name),
                     Make<SettingsEffectRetroColors>([mode](auto& s) { s.SetMode(mode); }),
                     std::move(formula)});
  };
  retro("RetroMatrix", 0, AffineMix(kRetro));
  retro("RetroSeventies", 1, AffineMix(kSeventies));
  retro("RetroGrayscale", 2, kGrayscale);
  retro("RetroSepia", 3, kSepia);

  const auto luma = [&](std::string name, float black, float white) {
    cases.push_back({std::move(name), Make<SettingsEffectShiftLuma>([=](auto& s) {
                       s.SetBlackShift(black);
                       s.SetWhiteShift(white);
                     }),
                     ShiftLuma(black, white)});
  };
  luma("ShiftLumaLiftsBlack", 0.5f, 0.0f);
  luma("ShiftLumaCrushesAndClips", -0.5f, 0.3f);
  luma("ShiftLumaLowersWhite", 0.2f, -0.7f);
  luma("ShiftLumaFullInwards", -1.0f, 1.0f);
  luma("ShiftLumaFullOutwards", 1.0f, -1.0f);

  const auto chroma = [&](std::string name, int u, int v) {
    cases.push_back({std::move(name),
                     Make<SettingsEffectShiftUV>([=](auto& s) { s.SetShift(u, v); }),
                     ShiftUV(u, v)});
  };
  chroma("ShiftUVTint", 40, -25);
  chroma("ShiftUVExtremes", -255, 255);
  chroma("ShiftUVRedder", 0, 100);

  const auto opacity = [&](std::string name, double value) {
    cases.push_back({std::move(name),
                     Make<SettingsEffectOpacity>([value](auto& s) { s.SetOpacity(value); }),
                     Opacity(value)});
  };
  opacity("OpacityZero", 0.0);
  opacity("OpacityHalf", 0.5);
  opacity("OpacityFull", 1.0);
  return cases;
}

class ColourEffectFormula : public ::testing::TestWithParam<FormulaCase> {};

TEST_P(ColourEffectFormula, MatchesTheFormulaOnTheCpu) {
  const auto settings = GetParam().settings();
  for (PixFmt format : {PixFmt::RGBA, PixFmt::RGBX}) {
    SCOPED_TRACE(format == PixFmt::RGBA ? "RGBA input" : "RGBX input");
    const Testing::Image input = ToImage(*Picture(format));
    ExpectFormula(input, Testing::RunRegistered(*settings, input, format), GetParam().formula);
  }
}

INSTANTIATE_TEST_SUITE_P(Effects, ColourEffectFormula, ::testing::ValuesIn(FormulaCases()),
                         [](const auto& info) { return info.param.name; });

Ptr<Proc::IEffect> Converter(const ColorSpace& destination) {
  Proc::SettingsColorSpaceConverter settings;
  settings.SetDestinationColorSpace(destination);
  return MakeEffect(settings);
}

struct WorkingSpaceCase {
  std::string name;
  MakeSettings settings;
  ColorSpace space;
  friend void PrintTo(const WorkingSpaceCase& c, std::ostream* os) { *os << c.name; }
};

class WorkingColourSpace : public ::testing::TestWithParam<WorkingSpaceCase> {};

// Converting inside the effect (in its own pass for SDR spaces, through 16-bit
// float intermediates for HDR ones) and converting beforehand and afterwards
// (8-bit frames) differ by the two extra 8-bit
// roundings of the second road, half a level each, carried through the
// effect's and the conversion's slopes (below 1.5 each here): under 3 levels.
TEST_P(WorkingColourSpace, GivesThePictureOfAnInputConvertedBeforehand) {
  const ColorSpace working{1, 1, 1, 0};
  const ColorSpace space = GetParam().space;
  Ptr<Proc::IEffect> effect = MakeEffect(*GetParam().settings());
  const auto input = Picture(PixFmt::RGBA, space);

  Ptr<Proc::IData> direct = Apply(*effect, Testing::Upload(input));
  EXPECT_EQ(dynamic_cast<DataVideoOGL&>(*direct).GetColorSpace(), space);
  Ptr<Proc::IData> converted = Apply(*Converter(working), Testing::Upload(input));
  Ptr<Proc::IData> roundTrip = Apply(*Converter(space), Apply(*effect, converted));

  const auto worst = MaxDifference(Drawn(direct), Drawn(roundTrip));
  EXPECT_LE(worst.value, 3) << "pixel " << worst.x << "," << worst.y << " channel "
                            << worst.channel;
}

std::vector<WorkingSpaceCase> WorkingSpaceCases() {
  using namespace Proc;
  const auto balance = Make<SettingsEffectColorBalance>([](auto& s) {
    s.SetContrast(1.3);
    s.SetSaturation(1.4);
    s.SetGamma(1.5);
    s.SetHue(30);
  });
  const auto luma = Make<SettingsEffectShiftLuma>([](auto& s) {
    s.SetBlackShift(0.3f);
    s.SetWhiteShift(0.2f);
  });
  const auto chroma = Make<SettingsEffectShiftUV>([](auto& s) { s.SetShift(30, -20); });
  const auto temperature = Make<SettingsEffectGIMPColorTemperature>([](auto& s) {
    s.SetOriginalTemperature(4000.0f);
    s.SetIntendedTemperature(8000.0f);
    s.SetIntensity(0.8f);
  });
  const auto shadows = Make<SettingsEffectGIMPShadowsHightlights>([](auto& s) {
    s.SetShadows(40.0f);
    s.SetHighlights(-30.0f);
  });
  const auto select = Make<SettingsEffectColorSelect>();
  const auto key = Make<SettingsEffectChromakey>([](auto& s) { s.SetNoise(0.5); });
  // SDR spaces (the conversions fold into the effect's pass) and HDR ones
  // (converted in passes of their own).
  const ColorSpace srgb{1, 13, 1, 0};
  const ColorSpace linear{1, 8, 1, 0};
  const ColorSpace ntsc{6, 6, 6, 0};
  const ColorSpace displayP3{12, 13, 1, 0};
  const ColorSpace hlg{9, 18, 9, 0};
  return {{"ColorBalanceSrgb", balance, srgb},
          {"ColorBalanceLinear", balance, linear},
          {"ColorBalanceNtscPrimaries", balance, ntsc},
          {"ColorBalanceDisplayP3", balance, displayP3},
          {"ColorBalanceHlg", balance, hlg},
          {"ShiftLumaSrgb", luma, srgb},
          {"ShiftLumaLinear", luma, linear},
          {"ShiftUVSrgb", chroma, srgb},
          {"ShiftUVLinear", chroma, linear},
          {"ColorTemperatureSrgb", temperature, srgb},
          {"ShadowsHighlightsSrgb", shadows, srgb},
          {"ColorSelectSrgb", select, srgb},
          {"ChromakeyDisplayP3", key, displayP3}};
}

INSTANTIATE_TEST_SUITE_P(Effects, WorkingColourSpace, ::testing::ValuesIn(WorkingSpaceCases()),
                         [](const auto& info) { return info.param.name; });

// Primaries and transfer make the working colour space; a source that differs
// only in its matrix is drawn as it is (and the effect does not call itself
// without end).
TEST(WorkingColourSpaceMatrix, AnotherMatrixAloneNeedsNoConversion) {
  Proc::SettingsEffectShiftUV settings;
  settings.SetShift(50, 50);
  const auto working = Picture(PixFmt::RGBA, {1, 1, 1, 0});
  const auto otherMatrix = Picture(PixFmt::RGBA, {1, 1, 6, 0});
  EXPECT_EQ(MaxDifference(Drawn(Apply(*MakeEffect(settings), Testing::Upload(working))),
                          Drawn(Apply(*MakeEffect(settings), Testing::Upload(otherMatrix))))
                .value,
            0.0f);
  EXPECT_TRUE(InWorkingColorSpace({1, 1, 6, 0}));
  EXPECT_FALSE(InWorkingColorSpace({1, 13, 1, 0}));
  EXPECT_FALSE(InWorkingColorSpace({9, 1, 9, 0}));
}

struct RejectedCase {
  std::string name;
  MakeSettings settings;
  std::string json;
  bool outOfRange;  // std::out_of_range, else std::invalid_argument
  std::string message;
  friend void PrintTo(const RejectedCase& c, std::ostream* os) { *os << c.name; }
};

class ColourSettingsValidation : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(ColourSettingsValidation, RejectsWithTheMessageAndKeepsTheSettings) {
  const auto settings = GetParam().settings();
  const Property before = settings->Serialize();
  try {
    settings->Deserialize(Property::FromJson(GetParam().json));
    FAIL() << "accepted " << GetParam().json;
  } catch (const std::out_of_range& error) {
    EXPECT_TRUE(GetParam().outOfRange);
    EXPECT_EQ(error.what(), GetParam().message);
  } catch (const std::invalid_argument& error) {
    EXPECT_FALSE(GetParam().outOfRange);
    EXPECT_EQ(error.what(), GetParam().message);
  }
  EXPECT_EQ(settings->Serialize(), before);
}

std::vector<RejectedCase> RejectedCases() {
  using namespace Proc;
  return {
      {"MixerWeight", Make<SettingsEffectChannelMixer>(), R"({"gb": 2.5})", true,
       "parameter 'gb' of SettingsEffectChannelMixer is 2.5, outside its range -2 to 2"},
      {"BalanceGamma", Make<SettingsEffectColorBalance>(), R"({"contrast": 2, "gammaRed": 0.05})",
       true,
       "parameter 'gammaRed' of SettingsEffectColorBalance is 0.05, outside its range 0.1 to 10"},
      {"BalanceHueWhole", Make<SettingsEffectColorBalance>(), R"({"hue": 12.5})", false,
       "parameter 'hue' of SettingsEffectColorBalance takes a whole number"},
      {"CorrectionContrast", Make<SettingsEffectColorCorrection>(), R"({"contrast": 1.5})", true,
       "parameter 'contrast' of SettingsEffectColorCorrection is 1.5, outside its range -1 to 1"},
      {"PosterizeNoLevels", Make<SettingsEffectPosterize>(), R"({"levels": 0})", true,
       "parameter 'levels' of SettingsEffectPosterize is 0, outside its range 1 to 255"},
      {"RetroMode", Make<SettingsEffectRetroColors>(), R"({"mode": 4})", true,
       "parameter 'mode' of SettingsEffectRetroColors is 4, outside its range 0 to 3"},
      {"ShiftLumaBeyondHundredLevels", Make<SettingsEffectShiftLuma>(), R"({"whiteShift": -1.01})",
       true,
       "parameter 'whiteShift' of SettingsEffectShiftLuma is -1.01, outside its range -1 to 1"},
      {"ShiftUVUnknownName", Make<SettingsEffectShiftUV>(), R"({"u": 3})", false,
       "SettingsEffectShiftUV has no parameter 'u' (its parameters: uShift, vShift)"},
      {"OpacityText", Make<SettingsEffectOpacity>(), R"({"opacity": "half"})", false,
       "parameter 'opacity' of SettingsEffectOpacity takes a number"}};
}

INSTANTIATE_TEST_SUITE_P(Settings, ColourSettingsValidation, ::testing::ValuesIn(RejectedCases()),
                         [](const auto& info) { return info.param.name; });

TEST(ColourSettings, NeutralSettingsPassTheInputThrough) {
  for (const MakeSettings& make : std::vector<MakeSettings>{
           Make<Proc::SettingsEffectChannelMixer>(), Make<Proc::SettingsEffectColorBalance>(),
           Make<Proc::SettingsEffectColorCorrection>(), Make<Proc::SettingsEffectShiftLuma>(),
           Make<Proc::SettingsEffectShiftUV>(),
           Make<Proc::SettingsEffectPosterize>([](auto& s) { s.SetIntensity(0.0f); })}) {
    const auto settings = make();
    EXPECT_TRUE(settings->IsEmpty()) << settings->GetClassId();
    Ptr<Proc::IData> input = Testing::Upload(Picture(PixFmt::RGBA));
    EXPECT_EQ(Apply(*MakeEffect(*settings), input), input) << settings->GetClassId();
  }
  EXPECT_FALSE(Proc::SettingsEffectRetroColors().IsEmpty());
  EXPECT_FALSE(Proc::SettingsEffectOpacity().IsEmpty());
}

TEST(LumaLevelShift, MovesTheLimitedRangeEnds) {
  const std::tuple<float, float, std::array<int, 4>, double> cases[] = {
      {0.0f, 0.0f, {16, 16, 235, 235}, 1.0},
      {0.5f, -0.25f, {16, 66, 235, 210}, 143.0 / 218.0},
      {-1.0f, 1.0f, {116, 16, 135, 235}, 218.0 / 18.0}};
  for (const auto& [black, white, ends, slope] : cases) {
    const auto shift = Proc::LumaLevelShift(black, white);
    EXPECT_EQ((std::array{shift.inBlack, shift.outBlack, shift.inWhite, shift.outWhite}), ends);
    EXPECT_DOUBLE_EQ(shift.slope, slope) << black << " " << white;
  }
}

TEST(LumaLevelShift, HoldsShiftsBeyondAHundredLevelsAndIgnoresNaN) {
  const auto far = Proc::LumaLevelShift(-7.0f, 1e30f);
  EXPECT_EQ(std::tie(far.inBlack, far.inWhite), std::make_tuple(116, 135));
  EXPECT_GT(far.slope, 0.0);
  const auto none = Proc::LumaLevelShift(std::nanf(""), -std::nanf(""));
  EXPECT_EQ(none.slope, 1.0);
  EXPECT_EQ(none.inBlack, 16);
}

TEST(OpacityEffect, OutputCarriesAlphaForAnOpaqueInput) {
  Proc::SettingsEffectOpacity settings;
  settings.SetOpacity(0.25);
  Ptr<Proc::IEffect> effect = MakeEffect(settings);
  auto* video = dynamic_cast<Proc::IOneInputEffectVideo*>(effect.get());
  ASSERT_NE(video, nullptr);
  auto format = MakeRef<Proc::FormatCodecVideo>(PixFmt::RGBX, ColorSpace{}, Proc::FrameInfo{4, 4});
  video->UpdateFormatCodecVideo(format);
  EXPECT_EQ(format->GetPixelFormat(), Proc::kPixFmtAlpha);

  const auto input = Picture(PixFmt::RGBX);
  Ptr<Proc::IData> output = Apply(*effect, Testing::Upload(input));
  EXPECT_EQ(dynamic_cast<DataVideoOGL&>(*output).GetPixelFormat(), Proc::kPixFmtAlpha);
  const Testing::Image drawn = Drawn(output);
  Testing::Image expected = ToImage(*input);
  EXPECT_EQ(MaxDifference(drawn, expected, 3).value, 0.0f) << "colours kept";
  for (auto& texel : expected.texels) texel[3] = 255 * 0.25f;
  EXPECT_LE(MaxDifference(drawn, expected).value, 1.0f);
}

// A planar source is drawn in colour, not as its luma plane.
TEST(OpacityEffect, PlanarSourceKeepsItsColours) {
  const Proc::FrameInfo info{4, 2, 1, 1};
  const ColorSpace space{1, 1, 1, 0};
  const std::array<std::uint8_t, 3> code{120, 90, 200};  // Y', Cb, Cr
  EffectOpacity opacity;
  Proc::SettingsEffectOpacity settings;
  settings.SetOpacity(0.5);
  opacity.SetSettings(settings);
  std::vector<std::uint8_t> expected(4 * 2 * 4);
  std::vector<std::uint8_t> actual(expected.size());
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    Ptr<DataVideoOGL> source = DataVideoOGL::Create(space, PixFmt::YUV444P, info);
    source->FrameData()->Allocate(space, PixFmt::YUV444P, info);
    for (int p = 0; p < 3; ++p) {
      const std::vector<std::uint8_t> plane(8, code[static_cast<std::size_t>(p)]);
      source->FrameData()->Planes().Plane(p).Update(0, plane.data());
    }
    source->FrameData()->ConvertToRGBA(storage)->GetFirstTexture().Download(0, expected.data(),
                                                                            storage.FBO());
    Ptr<Frame> target = Frame::CreateIntermediate(space, PixFmt::RGBA, info);
    opacity.ProcessGpu(target, source, 0.0, 0.0, storage, nullptr);
    target->GetFirstTexture().Download(0, actual.data(), storage.FBO());
  });
  ASSERT_NE(expected[0], expected[2]) << "the colour is not a grey";
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_NEAR(actual[i], i % 4 == 3 ? 128 : expected[i], i % 4 == 3 ? 1 : 0) << i;
  }
}

}  // namespace
}  // namespace Obrisk::Ogl
