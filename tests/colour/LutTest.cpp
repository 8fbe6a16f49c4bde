// 3-D lookup tables and tone curves rendered on the GPU, against lookups
// computed here on the CPU.
#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "colour/ColourToolReference.h"
#include "effects/colour/EffectColorCurves.h"
#include "effects/colour/EffectLUT.h"
#include "obrisk/host/Exception.h"
#include "obrisk/settings/ColorToolSettings.h"

namespace Obrisk::Testing {
namespace {

using Proc::SettingsEffectColorCurves;
using Proc::SettingsEffectLUT;
using Proc::LUT::LUTTable;

LUTTable RandomTable(int edge, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  LUTTable table;
  table.size = edge;
  table.values.resize(table.Entries() * 3);
  for (float& v : table.values) v = value(random);
  return table;
}

// 16 x 9 random colours with the extremes first.
Image RandomColours(unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> level(0, 255);
  int i = 0;
  return MakeImage(16, 9, [&](int, int) {
    static const std::array<std::array<float, 4>, 4> kEnds{
        {{0, 0, 0, 255}, {255, 255, 255, 255}, {255, 0, 128, 255}, {1, 254, 0, 255}}};
    if (i < 4) return kEnds[i++];
    return std::array<float, 4>{float(level(random)), float(level(random)), float(level(random)),
                                255};
  });
}

using Vec3 = std::array<double, 3>;

Vec3 Entry(const LUTTable& t, int r, int g, int b) {
  const auto v = t.At(r, g, b);
  return {v[0], v[1], v[2]};
}

// The lower lattice corner and the fractions beyond it for a colour.
void Cell(const LUTTable& t, const Rgba& c, std::array<int, 3>& lower, Vec3& d) {
  const double step = 1.0 / (t.size - 1);
  for (int i = 0; i < 3; ++i) {
    const double at = std::clamp(c[i], 0.0, 1.0) / step;
    lower[i] = std::min(static_cast<int>(at), t.size - 2);
    d[i] = at - lower[i];
  }
}

ColourFormula Tetrahedral(const LUTTable& t) {
  return [&t](const Rgba& c) {
    std::array<int, 3> v;
    Vec3 d;
    Cell(t, c, v, d);
    // Axis orders in the order they are tested: 0 red, 1 green, 2 blue.
    static constexpr std::array<std::array<int, 3>, 6> kOrders{
        {{2, 0, 1}, {2, 1, 0}, {1, 2, 0}, {0, 2, 1}, {0, 1, 2}, {1, 0, 2}}};
    std::array<int, 3> order = kOrders[5];
    for (const auto& o : kOrders) {
      if (d[o[0]] >= d[o[1]] && d[o[1]] >= d[o[2]]) {
        order = o;
        break;
      }
    }
    std::array<int, 3> p = v;
    Vec3 result = Entry(t, p[0], p[1], p[2]);
    for (int step = 0; step < 3; ++step) {
      const Vec3 before = Entry(t, p[0], p[1], p[2]);
      ++p[order[step]];
      const Vec3 after = Entry(t, p[0], p[1], p[2]);
      for (int i = 0; i < 3; ++i) result[i] += d[order[step]] * (after[i] - before[i]);
    }
    return Rgba{result[0], result[1], result[2], c[3]};
  };
}

ColourFormula Trilinear(const LUTTable& t) {
  return [&t](const Rgba& c) {
    std::array<int, 3> v;
    Vec3 d;
    Cell(t, c, v, d);
    Rgba out{0, 0, 0, c[3]};
    for (int corner = 0; corner < 8; ++corner) {
      const int dr = corner & 1, dg = (corner >> 1) & 1, db = (corner >> 2) & 1;
      const double w = (dr ? d[0] : 1 - d[0]) * (dg ? d[1] : 1 - d[1]) * (db ? d[2] : 1 - d[2]);
      const Vec3 e = Entry(t, v[0] + dr, v[1] + dg, v[2] + db);
      for (int i = 0; i < 3; ++i) out[i] += w * e[i];
    }
    return out;
  };
}

ColourFormula Nearest(const LUTTable& t) {
  return [&t](const Rgba& c) {
    std::array<int, 3> p;
    for (int i = 0; i < 3; ++i) p[i] = static_cast<int>(std::floor(c[i] * (t.size - 1) + 0.5));
    const Vec3 e = Entry(t, p[0], p[1], p[2]);
    return Rgba{e[0], e[1], e[2], c[3]};
  };
}

SettingsEffectLUT LutSettings(const LUTTable& table, int interpolation) {
  SettingsEffectLUT settings;
  settings.SetTable(std::make_shared<const LUTTable>(table));
  settings.SetInterpolationType(interpolation);
  return settings;
}

class TetrahedralLutTest : public ::testing::TestWithParam<int> {};

TEST_P(TetrahedralLutTest, MatchesTheCpuInterpolation) {
  const LUTTable table = RandomTable(GetParam(), 7u + GetParam());
  const Image input = RandomColours(11u + GetParam());
  ExpectColours(input, RunRegistered(LutSettings(table, SettingsEffectLUT::kTetrahedral), input),
                Tetrahedral(table));
}

INSTANTIATE_TEST_SUITE_P(Edges, TetrahedralLutTest, ::testing::Values(2, 17, 33, 65));

TEST(LutTest, TrilinearAndNearestMatchTheCpuLookups) {
  const LUTTable table = RandomTable(17, 3u);
  const Image input = RandomColours(5u);
  ExpectColours(input, RunRegistered(LutSettings(table, SettingsEffectLUT::kTrilinear), input),
                Trilinear(table));
  ExpectColours(input, RunRegistered(LutSettings(table, SettingsEffectLUT::kNearest), input),
                Nearest(table));
}

TEST(LutTest, IdentityTableIsTheIdentity) {
  const Image input = ColourPicture();
  // Nearest moves colours onto the lattice; the interpolations are exact on linear tables.
  for (int interpolation : {SettingsEffectLUT::kTrilinear, SettingsEffectLUT::kTetrahedral}) {
    ExpectColours(
        input, RunRegistered(LutSettings(Proc::LUT::Identity(33), interpolation), input),
        [](const Rgba& c) { return c; }, 0.5);
  }
}

TEST(LutTest, ChannelSwapTableSwapsChannels) {
  LUTTable swap = Proc::LUT::Identity(17);
  for (std::size_t i = 0; i < swap.values.size(); i += 3) {
    std::rotate(swap.values.begin() + i, swap.values.begin() + i + 2, swap.values.begin() + i + 3);
  }
  const Image input = ColourPicture();
  ExpectColours(
      input, RunRegistered(LutSettings(swap, SettingsEffectLUT::kTetrahedral), input),
      [](const Rgba& c) {
        return Rgba{c[2], c[0], c[1], c[3]};
      },
      0.5);
}

TEST(LutTest, HalfIntensityMixesWithTheSource) {
  const LUTTable table = RandomTable(9, 21u);
  SettingsEffectLUT settings = LutSettings(table, SettingsEffectLUT::kTetrahedral);
  settings.SetIntensity(0.5f);
  const Image input = ColourPicture();
  const auto lookup = Tetrahedral(table);
  ExpectColours(input, RunRegistered(settings, input),
                [&](const Rgba& c) { return Mix(c, lookup(c), 0.5); });
}

TEST(LutTest, TextureLayout) {
  EXPECT_EQ(Ogl::LutTextureSizeFor(33).width, 256);
  EXPECT_EQ(Ogl::LutTextureSizeFor(33).height, 256);
  EXPECT_EQ(Ogl::LutTextureSizeFor(65).width, 1024);
  EXPECT_EQ(Ogl::LutTextureSizeFor(65).height, 512);
  EXPECT_EQ(Ogl::LutTextureSizeFor(2).width, 4);
  EXPECT_EQ(Ogl::LutTextureSizeFor(2).height, 2);
}

TEST(LutTest, UnknownInterpolationTypeIsAnError) {
  SettingsEffectLUT settings = LutSettings(Proc::LUT::Identity(2), 3);
  Ogl::EffectLUT effect;
  effect.SetSettings(settings);
  try {
    RunDirect(effect, ColourPicture(), effect.CreateCache());
    FAIL() << "no exception";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Description(), "Unknow interpolation type");
  }
}

// ---- Curves ----------------------------------------------------------------

double CurveLookup(const Proc::Curve::CurvePoints& curve, double c) {
  const auto& s = curve.samples;
  const int w = static_cast<int>(s.size());
  const double step = (curve.maxDomain - curve.minDomain) / (w - 1);
  const double at =
      (std::clamp(c, double(curve.minDomain), double(curve.maxDomain)) - curve.minDomain) / step;
  const int i = static_cast<int>(at);
  if (i >= w - 1) return s.back();
  return s[i] + (s[i + 1] - s[i]) * (at - i);
}

ColourFormula Curves(const SettingsEffectColorCurves& settings) {
  return [curves = settings.GetCurves()](const Rgba& c) {
    Rgba out = c;
    for (const auto& [type, curve] : curves) {
      for (int i = 0; i < 3; ++i) {
        if (type == SettingsEffectColorCurves::kRgb || type == i + 1) {
          out[i] = CurveLookup(*curve, out[i]);
        }
      }
    }
    return out;
  };
}

struct CurvesCase {
  std::string name;
  std::array<const char*, 4> texts;
};

class ColorCurvesTest : public ::testing::TestWithParam<CurvesCase> {};

TEST_P(ColorCurvesTest, MatchesTheCpuLookup) {
  SettingsEffectColorCurves settings;
  for (int type = 0; type < 4; ++type) {
    settings.SetCurve(static_cast<SettingsEffectColorCurves::CurveType>(type),
                      GetParam().texts[type]);
  }
  const Image input = ColourPicture();
  ExpectColours(input, RunRegistered(settings, input), Curves(settings));
}

INSTANTIATE_TEST_SUITE_P(
    Sets, ColorCurvesTest,
    ::testing::Values(CurvesCase{"DefaultSCurve", {"0,0 0.25,0.16 0.75,0.86 1,1", "", "", ""}},
                      CurvesCase{"RedSamplesOnly", {"", "0 0.8 0.9 1", "", ""}},
                      CurvesCase{"RgbThenBlue", {"0,0.1 1,0.9", "", "", "0,1 0.5,0.2 1,0"}},
                      CurvesCase{"NarrowDomains", {"", "0.2,0 0.8,1", "0.1,0.3 0.4,0.9", ""}},
                      CurvesCase{"AllFour", {"0 1", "1 0", "0 0.5 1", "0,0 0.5,0.8 1,1"}}),
    [](const auto& info) { return info.param.name; });

TEST(ColorCurvesTest, NoCurvesHaveNoProgram) {
  SettingsEffectColorCurves settings;
  settings.SetCurve(SettingsEffectColorCurves::kRgb, "");
  EXPECT_TRUE(settings.IsEmpty());
  Ogl::EffectColorCurves effect;
  effect.SetSettings(settings);
  try {
    RunDirect(effect, ColourPicture(), effect.CreateCache());
    FAIL() << "no exception";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "Color curves shader not found");
  }
}

}  // namespace
}  // namespace Obrisk::Testing
