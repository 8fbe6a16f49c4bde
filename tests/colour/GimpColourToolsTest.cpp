// The colour tools after the GIMP image editor's colour operations, each
// against its formulas computed here on the CPU.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "colour/ColourToolReference.h"
#include "obrisk/settings/ColorToolSettings.h"

namespace Obrisk::Testing {
namespace {

using namespace Proc;

double Clamp01(double v) {
  return std::clamp(v, 0.0, 1.0);
}

// ---- Balance chroma --------------------------------------------------------

ColourFormula BalanceChroma(const SettingsEffectGIMPBalanceChroma& s) {
  return [s](const Rgba& c) {
    constexpr double a = 0.25, b = 0.333, scale = 0.7;
    const double l = ToHsl(c)[2];
    const double ws = Clamp01((l - b) / -a + 0.5) * scale;
    const double wm = Clamp01((l - b) / a + 0.5) * Clamp01((l + b - 1) / -a + 0.5) * scale;
    const double wh = Clamp01((l + b - 1) / a + 0.5) * scale;
    Rgba out = c;
    for (int i = 0; i < 3; ++i) {
      out[i] = c[i] + s.GetShadows()[i] / 100.0 * ws;
      out[i] += s.GetMidtones()[i] / 100.0 * wm;
      out[i] = Clamp01(out[i] + s.GetHighlights()[i] / 100.0 * wh);
    }
    if (!s.IsPreserveLuminosity()) return out;
    Hsl hsl = ToHsl(out);
    hsl[2] = l;
    return FromHsl(hsl, c[3]);
  };
}

// ---- Colour temperature ----------------------------------------------------

std::array<double, 3> TemperatureRgb(double kelvin) {
  static constexpr double kFit[3][12] = {
      {0.693899214, 2771.93872, 20999316, -4.88894362e9, -11899786, -47418.4258, 1, 3543.43945,
       -561593.562, 273694656, 162958144, 439750.719},
      {0.95417428, 2204.10425, -3014233.25, -3511.19873, -5.70309687, 0.618109286, 1, 1372.86096,
       1309918.5, -2175.74048, -2.38924551, 0.810790122},
      {-7.11516242e10, 3.37281849e16, -7.93961832e19, 2.96991161e22, -9.75203969e22, -2.92501073e20,
       1, 1.38886669e16, 2.38997654e19, 1.45836068e23, 1.97660173e22, 2.93950695e18}};
  const double t = std::clamp(kelvin, 1000.0, 12000.0);
  std::array<double, 3> rgb{};
  for (int k = 0; k < 3; ++k) {
    const double* c = kFit[k];
    double num = 0, den = 0;
    for (int p = 0; p < 6; ++p) {
      num += c[p] * std::pow(t, 5 - p);
      den += c[6 + p] * std::pow(t, 5 - p);
    }
    rgb[k] = num / den;
  }
  return rgb;
}

ColourFormula Temperature(double original, double intended, double intensity) {
  const auto from = TemperatureRgb(original);
  const auto to = TemperatureRgb(intended);
  return [=](const Rgba& c) {
    Rgba out = c;
    for (int i = 0; i < 3; ++i) out[i] = c[i] * from[i] / to[i];
    return Mix(c, out, intensity);
  };
}

// ---- Colorize --------------------------------------------------------------

ColourFormula Colorize(Hsl hsl, double intensity) {
  return [=](const Rgba& c) {
    double lum = 0.22248840 * c[0] + 0.71690369 * c[1] + 0.06060791 * c[2];
    if (hsl[2] > 0) lum = lum * (1 - hsl[2]) + hsl[2];
    if (hsl[2] < 0) lum = lum * (hsl[2] + 1);
    return Mix(c, FromHsl({hsl[0], hsl[1], lum}, c[3]), intensity);
  };
}

// ---- Hue-saturation --------------------------------------------------------

struct HueSatValues {
  std::array<double, 7> hue{}, saturation{}, lightness{};
  double overlap = 0;
  double intensity = 1;
};

ColourFormula HueSaturation(const HueSatValues& v) {
  return [v](const Rgba& c) {
    const Hsl hsl = ToHsl(c);
    const double overlap = v.overlap / 100.0 * 0.5;
    const double h6 = hsl[0] * 6.0;
    int primary = 0;
    while (primary < 6 && h6 >= primary + 0.5 + overlap) ++primary;
    int secondary = -1;
    double w2 = 0.0;
    if (overlap > 0 && h6 > primary + 0.5 - overlap) {
      w2 = (h6 - primary - 0.5 + overlap) / (2 * overlap);
      secondary = primary + 1 >= 6 ? 0 : primary + 1;
    }
    if (primary >= 6) {
      primary = 0;
      secondary = -1;
      w2 = 0;
    }
    ++primary;
    const double w1 = 1 - w2;
    const auto hue = [&](int r) { return v.hue[r] / 180.0; };
    const auto sat = [&](int r) {
      return Clamp01(hsl[1] * (v.saturation[0] / 100 + v.saturation[r] / 100 + 1));
    };
    const auto light = [&](int r) {
      const double m = (v.lightness[0] / 100 + v.lightness[r] / 100) / 2;
      return m < 0 ? hsl[2] * (m + 1) : hsl[2] + m * (1 - hsl[2]);
    };
    double shift = hue(primary), s = sat(primary), l = light(primary);
    if (secondary >= 0) {
      ++secondary;
      shift = hue(primary) * w1 + hue(secondary) * w2;
      s = s * w1 + sat(secondary) * w2;
      l = l * w1 + light(secondary) * w2;
    }
    double h = hsl[0] + (hue(0) + shift) / 2;
    if (h < 0) h += 1;
    if (h > 1) h -= 1;
    return Mix(c, FromHsl({h, s, l}, c[3]), v.intensity);
  };
}

// ---- Shadows-highlights ----------------------------------------------------

constexpr double kEpsilon = 0.008856;
constexpr double kKappa = 903.296326;

double LabF(double t) {
  return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16) / 116;
}
double LabFInverse(double f) {
  return f * f * f > kEpsilon ? f * f * f : (116 * f - 16) / kKappa;
}
double Sign(double v) {
  return v > 0 ? 1.0 : v < 0 ? -1.0 : 0.0;
}
double SafeReciprocal(double v) {
  return Sign(v) / std::max(std::fabs(v), 0.01);
}

struct Tone {
  double amount, sign, xform, chromaShadow;
};

void Adjust(std::array<double, 3>& t, double m, const Tone& tone) {
  for (double budget = tone.amount * tone.amount; budget > 0; budget -= 1) {
    const double l = t[0];
    const double lb = (m - 0.5) * tone.sign * Sign(1 - l) + 0.5;
    const double op = std::min(budget, 1.0) * tone.xform;
    const double overlay = l > 0.5 ? 1 - (1 - 2 * (l - 0.5)) * (1 - lb) : 2 * l * lb;
    t[0] = l * (1 - op) + overlay * op;
    const double chroma = t[0] * SafeReciprocal(l) * tone.chromaShadow +
                          (1 - t[0]) * SafeReciprocal(1 - l) * (1 - tone.chromaShadow);
    for (int i : {1, 2}) t[i] = t[i] * (1 - op) + t[i] * chroma * op;
  }
}

ColourFormula ShadowsHighlights(const SettingsEffectGIMPShadowsHightlights& s) {
  const double shadows = 2 * s.GetShadows() / 100.0;
  const double shadowsSign = std::copysign(1.0, shadows);
  const double highlights = 2 * s.GetHighlights() / 100.0;
  const double highlightsSign = std::copysign(1.0, -highlights);
  const double scc = (s.GetShadowsColorCorrect() / 100.0 - 0.5) * shadowsSign + 0.5;
  const double hcc = (s.GetHighlightsColorCorrect() / 100.0 - 0.5) * highlightsSign + 0.5;
  const double whitepoint = 1 - s.GetWhitepoint() / 100.0;
  const double compress = std::min(s.GetCompress() / 100.0, 0.99);
  const double intensity = s.GetIntensity();
  return [=](const Rgba& c) {
    const double x = 0.452223 * c[0] + 0.399415 * c[1] + 0.148362 * c[2];
    const double y = 0.222488 * c[0] + 0.716904 * c[1] + 0.060608 * c[2];
    const double z = 0.016870 * c[0] + 0.117663 * c[1] + 0.865468 * c[2];
    const double L = 116 * LabF(y) - 16;
    std::array<double, 3> t{L / 100, 500 * (LabF(x) - LabF(y)) / 128,
                            200 * (LabF(y) - LabF(z)) / 128};
    double m = (100 - L) / 100;
    if (t[0] > 0) t[0] /= whitepoint;
    if (m > 0) m /= whitepoint;
    if (m < 1 - compress) {
      Adjust(t, m, {highlights, highlightsSign, std::min(1 - m / (1 - compress), 1.0), 1 - hcc});
    }
    if (m > compress) {
      Adjust(t, m,
             {shadows, shadowsSign, std::min(m / (1 - compress) - compress / (1 - compress), 1.0),
              scc});
    }
    const double l2 = 100 * t[0];
    const double fy = (l2 + 16) / 116;
    const double fx = fy + 128 * t[1] / 500;
    const double fz = fy - 128 * t[2] / 200;
    const double Y = l2 > kKappa * kEpsilon ? fy * fy * fy : l2 / kKappa;
    const double X = LabFInverse(fx);
    const double Z = LabFInverse(fz);
    const Rgba out{3.022078 * X - 1.617277 * Y - 0.404801 * Z,
                   -0.943756 * X + 1.916160 * Y + 0.027595 * Z,
                   0.069400 * X - 0.228983 * Y + 1.159583 * Z, c[3]};
    return Mix(c, out, intensity);
  };
}

// ---- Cases -----------------------------------------------------------------

struct ToolCase {
  std::string name;
  std::function<std::unique_ptr<Settings>()> settings;
  ColourFormula formula;
  friend void PrintTo(const ToolCase& c, std::ostream* os) { *os << c.name; }
};

template <class S>
ToolCase Case(std::string name, S settings, ColourFormula formula) {
  return {std::move(name), [settings] { return std::make_unique<S>(settings); },
          std::move(formula)};
}

SettingsEffectGIMPBalanceChroma Balance(std::array<int, 3> s, std::array<int, 3> m,
                                        std::array<int, 3> h, bool preserve) {
  SettingsEffectGIMPBalanceChroma settings;
  settings.SetShadows(s);
  settings.SetMidtones(m);
  settings.SetHighlights(h);
  settings.SetPreserveLuminosity(preserve);
  return settings;
}

SettingsEffectGIMPColorTemperature TemperatureSettings(float from, float to, float intensity) {
  SettingsEffectGIMPColorTemperature s;
  s.SetOriginalTemperature(from);
  s.SetIntendedTemperature(to);
  s.SetIntensity(intensity);
  return s;
}

SettingsEffectGIMPColorize ColorizeSettings(Hsl hsl, float intensity) {
  SettingsEffectGIMPColorize s;
  s.SetHsl(float(hsl[0]), float(hsl[1]), float(hsl[2]));
  s.SetIntensity(intensity);
  return s;
}

SettingsEffectGIMPColorize ColorizeFromRgb(float r, float g, float b, Hsl own) {
  SettingsEffectGIMPColorize s = ColorizeSettings(own, 1.0f);
  s.SetRgb(r, g, b);
  return s;
}

SettingsEffectGIMPHueSaturation HueSatSettings(const HueSatValues& v) {
  SettingsEffectGIMPHueSaturation s;
  for (int r = 0; r < 7; ++r) {
    s.SetRange(r, float(v.hue[r]), float(v.saturation[r]), float(v.lightness[r]));
  }
  s.SetOverlap(float(v.overlap));
  s.SetIntensity(float(v.intensity));
  return s;
}

SettingsEffectGIMPShadowsHightlights ShadowsSettings(float shadows, float highlights,
                                                     float whitepoint, float compress, float scc,
                                                     float hcc, float intensity) {
  SettingsEffectGIMPShadowsHightlights s;
  s.SetShadows(shadows);
  s.SetHighlights(highlights);
  s.SetWhitepoint(whitepoint);
  s.SetCompress(compress);
  s.SetShadowsColorCorrect(scc);
  s.SetHighlightsColorCorrect(hcc);
  s.SetIntensity(intensity);
  return s;
}

std::vector<ToolCase> ToolCases() {
  std::vector<ToolCase> cases;
  const auto balance = [&](std::string name, SettingsEffectGIMPBalanceChroma s) {
    cases.push_back(Case(std::move(name), s, BalanceChroma(s)));
  };
  balance("BalanceDefault", SettingsEffectGIMPBalanceChroma());
  balance("BalanceEveryBand", Balance({-50, 20, 80}, {30, -100, 10}, {100, 60, -40}, false));
  balance("BalancePreservingLuminosity",
          Balance({-50, 20, 80}, {30, -100, 10}, {100, 60, -40}, true));

  const auto temperature = [&](std::string name, float from, float to, float intensity) {
    cases.push_back(Case(std::move(name), TemperatureSettings(from, to, intensity),
                         Temperature(from, to, intensity)));
  };
  temperature("TemperatureWarmer", 6500, 4000, 1.0f);
  temperature("TemperatureCoolerHalfway", 5000, 10000, 0.5f);
  temperature("TemperatureBeyondTheFitClamps", 500, 20000, 1.0f);

  const auto colorize = [&](std::string name, SettingsEffectGIMPColorize s, Hsl hsl) {
    cases.push_back(Case(std::move(name), s, Colorize(hsl, s.GetIntensity())));
  };
  colorize("ColorizeSepia", ColorizeSettings({0.08, 0.5, 0.0}, 1.0f), {0.08, 0.5, 0.0});
  colorize("ColorizeLighter", ColorizeSettings({0.6, 0.8, 0.4}, 0.7f), {0.6, 0.8, 0.4});
  colorize("ColorizeDarker", ColorizeSettings({0.3, 1.0, -0.6}, 1.0f), {0.3, 1.0, -0.6});
  // From a colour: (0.2, 0.6, 0.4) has hue 5/12, saturation 0.5, lightness 0.4.
  colorize("ColorizeFromColour", ColorizeFromRgb(0.2f, 0.6f, 0.4f, {0.9, 0.1, 0.5}),
           {5.0 / 12.0, 0.5, -0.2});
  // A grey keeps the setting's hue and has no saturation; white keeps the saturation too.
  colorize("ColorizeFromGreyKeepsHue", ColorizeFromRgb(0.5f, 0.5f, 0.5f, {0.7, 0.9, 0.5}),
           {0.7, 0.0, 0.0});
  colorize("ColorizeFromWhiteKeepsSaturation", ColorizeFromRgb(1, 1, 1, {0.7, 0.9, 0.5}),
           {0.7, 0.9, 1.0});

  const auto hueSat = [&](std::string name, HueSatValues v) {
    cases.push_back(Case(std::move(name), HueSatSettings(v), HueSaturation(v)));
  };
  HueSatValues master;
  master.hue[0] = 60;
  master.saturation[0] = -40;
  master.lightness[0] = 20;
  hueSat("HueSaturationMaster", master);
  HueSatValues sectors;
  sectors.hue = {0, 30, -60, 90, -120, 150, -180};
  sectors.saturation = {10, 50, -50, 100, -100, 20, 0};
  sectors.lightness = {0, -50, 50, 20, -20, 100, -100};
  hueSat("HueSaturationSectorsWithoutOverlap", sectors);
  sectors.overlap = 60;
  sectors.intensity = 0.8;
  hueSat("HueSaturationSectorsOverlapping", sectors);

  const auto shadows = [&](std::string name, SettingsEffectGIMPShadowsHightlights s) {
    cases.push_back(Case(std::move(name), s, ShadowsHighlights(s)));
  };
  shadows("ShadowsHighlightsDefault", SettingsEffectGIMPShadowsHightlights());
  shadows("ShadowsHighlightsStrong", ShadowsSettings(100, -100, 5, 10, 30, 80, 1));
  shadows("ShadowsHighlightsReversed", ShadowsSettings(-70, 60, -8, 0, 100, 0, 0.6f));
  return cases;
}

class GimpColourToolTest : public ::testing::TestWithParam<ToolCase> {};

TEST_P(GimpColourToolTest, MatchesTheFormula) {
  const Image input = ColourPicture();
  ASSERT_GE(input.texels.size(), 35u);
  const auto settings = GetParam().settings();
  ExpectColours(input, RunRegistered(*settings, input), GetParam().formula);
}

INSTANTIATE_TEST_SUITE_P(Formulas, GimpColourToolTest, ::testing::ValuesIn(ToolCases()),
                         [](const auto& info) { return info.param.name; });

TEST(GimpColourToolSettingsTest, EqualTemperaturesLeaveThePictureAlone) {
  const Image input = ColourPicture();
  SettingsEffectGIMPColorTemperature s = TemperatureSettings(5000, 5000, 1.0f);
  EXPECT_TRUE(s.IsEmpty());
  s.SetIntensity(0.999f);  // still runs: coefficients of 1
  ExpectColours(
      input, RunRegistered(s, input), [](const Rgba& c) { return c; }, 0.5);
}

TEST(GimpColourToolSettingsTest, NamesAreCamelCaseAndRangesHold) {
  SettingsEffectGIMPHueSaturation hueSat;
  EXPECT_THROW(hueSat.Deserialize(Property::FromJson(R"({"blueHue": 181})")), std::out_of_range);
  EXPECT_THROW(hueSat.GetHue(7), std::out_of_range);
  hueSat.Deserialize(Property::FromJson(R"({"magentaLightness": -30, "overlap": 20})"));
  EXPECT_FLOAT_EQ(hueSat.GetLightness(SettingsEffectGIMPHueSaturation::kMagenta), -30.0f);
  SettingsEffectGIMPShadowsHightlights shadows;
  shadows.Deserialize(Property::FromJson(R"({"shadowsColorCorrect": 20})"));
  EXPECT_FLOAT_EQ(shadows.GetShadowsColorCorrect(), 20.0f);
  SettingsEffectGIMPBalanceChroma balance;
  balance.Deserialize(Property::FromJson(R"({"midtonesGreen": -7, "preserveLuminosity": false})"));
  EXPECT_EQ(balance.GetMidtones()[1], -7);
  EXPECT_FALSE(balance.IsPreserveLuminosity());
}

}  // namespace
}  // namespace Obrisk::Testing
