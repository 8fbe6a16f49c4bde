// The retro effects' fixed geometry against the formulas computed here: the
// VHS roll and wrap and its border bands, the stripe count limit, the
// chromatic aberration offset on the effect's own clock, the MPEG glitch's
// forced corruption, the film vignette and the 1970s television at time 0;
// and each effect's identity setting.
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>

#include <gtest/gtest.h>

#include "effects/retro/EffectAddNoize.h"
#include "effects/retro/EffectChromaticAberration.h"
#include "effects/retro/EffectGlitchMpeg.h"
#include "effects/retro/EffectGlitchSecurityCam.h"
#include "effects/retro/EffectRetroArtefacts.h"
#include "effects/retro/EffectStripes.h"
#include "effects/retro/EffectTelevision70s.h"
#include "effects/retro/EffectVHS.h"
#include "support/ImageTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Testing::Centre;
using Testing::Identity;
using Testing::Image;
using Testing::MakeImage;
using Testing::MaxDifference;
using Testing::Near;
using Testing::RetroPattern;
using Testing::RunEffect;
using Testing::Texel;

// Rounding of 8-bit storage and single-precision lookups.
constexpr float kTolerance = 1.0f;

float Fract(float v) {
  return v - std::floor(v);
}

Texel Scaled(Texel t, float factor) {
  for (int c = 0; c < 3; ++c) t[c] = std::clamp(t[c] * factor, 0.0f, 255.0f);
  return t;
}

// ---- Identities ----------------------------------------------------------

class RetroIdentityTest : public ::testing::TestWithParam<Testing::IdentityCase> {};

TEST_P(RetroIdentityTest, LeavesThePictureUnchanged) {
  const Image input = RetroPattern(23, 17);
  EXPECT_TRUE(Near(GetParam().run(input), input, kTolerance));
}

// Two frames of 40 ms at 1.5 s.
template <class Effect, class Configure>
Testing::IdentityCase Still(std::string name, Configure configure) {
  return Identity<Effect>(std::move(name), configure, 1.5, 2, 40000);
}

INSTANTIATE_TEST_SUITE_P(
    Retro, RetroIdentityTest,
    ::testing::Values(
        Still<EffectAddNoize>("AddNoizeAmount0", [](auto& s) { s.SetAmount(0.0); }),
        Still<EffectVHS>("VHSIntensity0",
                         [](auto& s) {
                           s.SetIntensity(0.0f);
                           s.SetDrawBorder(false);
                         }),
        Still<EffectVHS>("VHSRelief0Still",
                         [](auto& s) {
                           s.SetRelief(0.0);
                           s.SetSpeed(0.0);
                           s.SetDrawBorder(false);
                         }),
        Still<EffectGlitchMpeg>("GlitchMpegIntensity0", [](auto& s) { s.SetIntensity(0.0f); }),
        Still<EffectGlitchSecurityCam>("SecurityCamIntensity0",
                                       [](auto& s) { s.SetIntensity(0.0f); }),
        Still<EffectRetroArtefacts>("RetroArtefactsIntensity0",
                                    [](auto& s) {
                                      s.SetIntensity(0.0f);
                                      s.SetShake(false);
                                      s.SetVignetting(false);
                                    }),
        Still<EffectTelevision70s>("Television70sIntensity0",
                                   [](auto& s) { s.SetIntensity(0.0f); }),
        Still<EffectStripes>("StripesIntensity0", [](auto& s) { s.SetIntensity(0.0f); }),
        Still<EffectChromaticAberration>("ChromaticAberrationIntensity0",
                                         [](auto& s) { s.SetIntensity(0.0f); })),
    [](const auto& info) { return info.param.name; });

// ---- VHS -----------------------------------------------------------------

struct RollCase {
  double horizontalShift;
  double speed;
  double time;
};

class VhsRollTest : public ::testing::TestWithParam<RollCase> {};

// Without relief the picture only moves by (shift, fract(speed x time)) and
// wraps round at the edges.
TEST_P(VhsRollTest, ShiftsAndWraps) {
  const RollCase roll = GetParam();
  Proc::SettingsEffectVHS settings;
  settings.SetRelief(0.0);
  settings.SetDrawBorder(false);
  settings.SetHorizontalShift(roll.horizontalShift);
  settings.SetSpeed(roll.speed);
  const Image input = RetroPattern(20, 12);
  const Image output = RunEffect<EffectVHS>(settings, input, roll.time);
  const float rolled = Fract(static_cast<float>(roll.speed * roll.time));
  const Image expected = MakeImage(20, 12, [&](int x, int y) {
    return input.Sample(Fract(Centre(x, 20) + static_cast<float>(roll.horizontalShift)),
                        Fract(Centre(y, 12) + rolled));
  });
  EXPECT_TRUE(Near(output, expected, kTolerance));
}

// Shifts of whole texels (the sample falls on texel centres) and wraps both ways.
INSTANTIATE_TEST_SUITE_P(Retro, VhsRollTest,
                         ::testing::Values(RollCase{0.25, 0.25, 1.0}, RollCase{-0.4, 1.75, 1.0},
                                           RollCase{0.0, 0.5, 4.5}, RollCase{0.95, -0.25, 1.0}));

TEST(VhsBorderTest, BandsOnlyWithTheirFlag) {
  constexpr int kHeight = 80;
  // 2.5 % of 80 rows: two rows at the bottom and two at the top.
  constexpr int kBandRows = 2;
  Proc::SettingsEffectVHS settings;
  settings.SetRelief(0.0);
  settings.SetSpeed(0.0);
  const Image input = RetroPattern(9, kHeight);

  settings.SetDrawBorder(true);
  const Image banded = MakeImage(9, kHeight, [&](int x, int y) {
    return y < kBandRows || y >= kHeight - kBandRows ? Texel{0, 0, 0, 255} : input.At(x, y);
  });
  EXPECT_TRUE(Near(RunEffect<EffectVHS>(settings, input), banded, kTolerance));
  settings.SetDrawBorder(false);
  EXPECT_TRUE(Near(RunEffect<EffectVHS>(settings, input), input, kTolerance));
}

// ---- Stripes -------------------------------------------------------------

// The picture times cos(2 pi n v) + 2 depth - 1, stored in 8 bits, then the
// picture laid over it at 1 - intensity.
Image StripesReference(const Image& input, int stripes, double depth, double intensity) {
  return MakeImage(input.width, input.height, [&](int x, int y) {
    const double v = Centre(y, input.height);
    const double factor = std::cos(v * 2.0 * stripes * std::numbers::pi) + 2.0 * depth - 1.0;
    Texel out = input.At(x, y);
    for (int c = 0; c < 3; ++c) {
      const double striped = std::round(std::clamp(input.At(x, y)[c] * factor, 0.0, 255.0));
      out[c] = static_cast<float>(input.At(x, y)[c] * (1.0 - intensity) + striped * intensity);
    }
    return out;
  });
}

TEST(StripesTest, CountIsLimitedToOnePerSixRows) {
  constexpr int kHeight = 31;  // at most 5 stripes
  const Image input = RetroPattern(11, kHeight);
  Proc::SettingsEffectStripes settings;
  settings.SetDepth(0.8);
  settings.SetIntensity(0.75f);
  for (const auto& [count, drawn] : {std::pair{100, 5}, std::pair{5, 5}, std::pair{4, 4}}) {
    settings.SetCount(count);
    EXPECT_TRUE(Near(RunEffect<EffectStripes>(settings, input),
                     StripesReference(input, drawn, 0.8, 0.75), kTolerance))
        << "count " << count;
  }
}

TEST(StripesTest, PicturesShorterThanSixRowsGetNoStripes) {
  const Image input = RetroPattern(7, 5);
  Proc::SettingsEffectStripes settings;
  settings.SetDepth(0.5);
  settings.SetIntensity(1.0f);
  // No stripes: the factor is cos 0 + 2 x 0.5 - 1 = 1.
  EXPECT_TRUE(Near(RunEffect<EffectStripes>(settings, input), input, kTolerance));
}

// ---- Chromatic aberration ------------------------------------------------

double FlickerShift(double t, double intensity) {
  const double beat = (0.5 * std::sin(27.0 * t) + 1.0) * (0.5 * std::sin(6.0 * t) + 0.5) *
                      (0.5 * std::sin(16.0 * t) + 1.0) * (0.5 * std::sin(19.0 * t) + 1.0);
  return beat * beat * beat * 0.05 * intensity;
}

Image AberrationReference(const Image& input, double shift) {
  const float s = static_cast<float>(shift);
  return MakeImage(input.width, input.height, [&](int x, int y) {
    const float u = Centre(x, input.width);
    const float v = Centre(y, input.height);
    Texel out = input.At(x, y);
    out[0] = input.Sample(u + s, v)[0];
    out[2] = input.Sample(u - s, v)[2];
    return Scaled(out, 1.0f - 0.5f * s);
  });
}

TEST(ChromaticAberrationTest, ShiftAtClockZeroIsAnEighthOfAPercentPerIntensity) {
  // 0.00625 x 0.8 of 200 texels: one texel.
  EXPECT_NEAR(FlickerShift(0.0, 0.8), 0.00625 * 0.8, 1e-15);
  const Image input = RetroPattern(200, 5);
  Proc::SettingsEffectChromaticAberration settings;
  settings.SetIntensity(0.8f);
  // The frame time does not move the effect's own clock.
  EXPECT_TRUE(Near(RunEffect<EffectChromaticAberration>(settings, input, 7.0),
                   AberrationReference(input, 0.005), kTolerance));
}

TEST(ChromaticAberrationTest, ClockAdvancesByEachFrameDuration) {
  const Image input = RetroPattern(200, 5);
  Proc::SettingsEffectChromaticAberration settings;
  // Three frames of 40 ms: the third draws at 0.08 s.
  const Image third = RunEffect<EffectChromaticAberration>(settings, input, 0.0, 3, 40000);
  EXPECT_TRUE(Near(third, AberrationReference(input, FlickerShift(0.08, 1.0)), kTolerance));
  EXPECT_GT(MaxDifference(third, AberrationReference(input, FlickerShift(0.0, 1.0))).value,
            kTolerance);
}

// ---- MPEG glitch ---------------------------------------------------------

// With every private flag set, even at intensity 0 every block turns grey
// and every row shows one channel, tripled: red, green, blue from the bottom.
TEST(GlitchMpegTest, PrivateFlagsCorruptEveryBlockAndLine) {
  const Image input = Testing::Flat(21, 13, {40, 60, 200, 255});
  Proc::SettingsEffectGlitchMpeg settings;
  settings.SetIntensity(0.0f);
  settings.SetPrivateParameters(true, true, true);
  const Image output = RunEffect<EffectGlitchMpeg>(settings, input, 0.3);
  const Image expected = MakeImage(21, 13, [&](int x, int y) {
    Texel row{0, 0, 0, output.At(x, y)[3]};
    row[static_cast<std::size_t>(y % 3)] = 180.0f;
    return row;
  });
  EXPECT_TRUE(Near(output, expected, kTolerance));
}

// ---- Film artefacts ------------------------------------------------------

TEST(RetroArtefactsTest, VignetteDarkensTowardsTheCorners) {
  const Image input = RetroPattern(24, 16);
  Proc::SettingsEffectRetroArtefacts settings;
  settings.SetIntensity(0.0f);
  settings.SetShake(false);
  const Image output = RunEffect<EffectRetroArtefacts>(settings, input);
  const Image expected = MakeImage(24, 16, [&](int x, int y) {
    const float r = std::hypot(Centre(x, 24) - 0.5f, Centre(y, 16) - 0.5f);
    const float t = std::clamp((r - 0.4f) / (0.75f - 0.4f), 0.0f, 1.0f);
    return Scaled(input.At(x, y), 1.0f - t * t * (3.0f - 2.0f * t));
  });
  EXPECT_TRUE(Near(output, expected, kTolerance));
}

// ---- 1970s television ----------------------------------------------------

// At clock 0 the fringes are still and the flicker is at its darkest.
TEST(Television70sTest, MatchesItsFormulaAtClockZero) {
  const Image input = RetroPattern(19, 14);
  Proc::SettingsEffectTelevision70s settings;
  settings.SetIntensity(0.7f);
  settings.SetStripesWidth(0.4f);
  const double i = 0.7;
  const double thickness = 1.5 * 0.4 - 0.5;
  const Image expected = MakeImage(19, 14, [&](int x, int y) {
    const double u = Centre(x, 19);
    const double v = Centre(y, 14);
    const double s = Fract(static_cast<float>(100.0 * v));
    const double edge = std::clamp((1.0 - thickness - std::fabs(s - 0.5) + 0.5), 0.0, 1.0);
    const double value = edge * edge * (3.0 - 2.0 * edge);
    const double common = (0.9 + 0.1 * (value * i + 1.0 - i)) * (0.95 + 0.05 * (1.0 - i)) *
                          std::pow(16.0 * u * (1.0 - u) * v * (1.0 - v), 0.55 * i);
    Texel out = input.At(x, y);
    for (int c = 0; c < 3; ++c) {
      const double colour = input.At(x, y)[c] / 255.0;
      const double contrast =
          std::clamp(0.6 * i * colour * colour + (1.0 - 0.5 * i) * colour, 0.0, 1.0);
      const double cast = 1.0 + (c == 1 ? 0.05 : -0.05) * i;
      out[c] = static_cast<float>(std::clamp(contrast * cast * common, 0.0, 1.0) * 255.0);
    }
    return out;
  });
  EXPECT_TRUE(Near(RunEffect<EffectTelevision70s>(settings, input, 3.0), expected, kTolerance));
}

}  // namespace
}  // namespace Obrisk::Ogl
