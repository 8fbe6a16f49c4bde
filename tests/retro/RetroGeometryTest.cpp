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
#include "retro/RetroTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Testing::Centre;
using Testing::Image;
using Testing::MakeImage;
using Testing::MaxDifference;
using Testing::RetroPattern;
using Testing::RunEffect;
using Texel = std::array<float, 4>;

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

struct IdentityCase {
  std::string name;
  std::function<Image(const Image&)> run;
};

class RetroIdentityTest : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(RetroIdentityTest, LeavesThePictureUnchanged) {
  const Image input = RetroPattern(23, 17);
  const auto difference = MaxDifference(GetParam().run(input), input);
  EXPECT_LE(difference.value, kTolerance)
      << "at " << difference.x << "," << difference.y << " channel " << difference.channel;
}

template <class Effect, class Configure>
IdentityCase Identity(std::string name, Configure configure) {
  return {std::move(name), [configure](const Image& input) {
            typename Effect::SettingsType settings;
            configure(settings);
            return RunEffect<Effect>(settings, input, 1.5, 2, 40000);
          }};
}

INSTANTIATE_TEST_SUITE_P(
    Retro, RetroIdentityTest,
    ::testing::Values(
        Identity<EffectAddNoize>("AddNoizeAmount0", [](auto& s) { s.SetAmount(0.0); }),
        Identity<EffectVHS>("VHSIntensity0",
                            [](auto& s) {
                              s.SetIntensity(0.0f);
                              s.SetDrawBorder(false);
                            }),
        Identity<EffectVHS>("VHSRelief0Still",
                            [](auto& s) {
                              s.SetRelief(0.0);
                              s.SetSpeed(0.0);
                              s.SetDrawBorder(false);
                            }),
        Identity<EffectGlitchMpeg>("GlitchMpegIntensity0", [](auto& s) { s.SetIntensity(0.0f); }),
        Identity<EffectGlitchSecurityCam>("SecurityCamIntensity0",
                                          [](auto& s) { s.SetIntensity(0.0f); }),
        Identity<EffectRetroArtefacts>("RetroArtefactsIntensity0",
                                       [](auto& s) {
                                         s.SetIntensity(0.0f);
                                         s.SetShake(false);
                                         s.SetVignetting(false);
                                       }),
        Identity<EffectTelevision70s>("Television70sIntensity0",
                                      [](auto& s) { s.SetIntensity(0.0f); }),
        Identity<EffectStripes>("StripesIntensity0", [](auto& s) { s.SetIntensity(0.0f); }),
        Identity<EffectChromaticAberration>("ChromaticAberrationIntensity0",
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
  const auto difference = MaxDifference(output, expected);
  EXPECT_LE(difference.value, kTolerance) << "at " << difference.x << "," << difference.y;
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
  const Image banded = RunEffect<EffectVHS>(settings, input);
  for (int y = 0; y < kHeight; ++y) {
    const bool band = y < kBandRows || y >= kHeight - kBandRows;
    for (int x = 0; x < 9; ++x) {
      const Texel expected = band ? Texel{0, 0, 0, 255} : input.At(x, y);
      for (int c = 0; c < 4; ++c) {
        ASSERT_NEAR(banded.At(x, y)[c], expected[c], kTolerance) << x << "," << y << " " << c;
      }
    }
  }

  settings.SetDrawBorder(false);
  EXPECT_LE(MaxDifference(RunEffect<EffectVHS>(settings, input), input).value, kTolerance);
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
  for (int count : {100, 5}) {
    settings.SetCount(count);
    const auto difference = MaxDifference(RunEffect<EffectStripes>(settings, input),
                                          StripesReference(input, 5, 0.8, 0.75));
    EXPECT_LE(difference.value, kTolerance)
        << "count " << count << " at " << difference.x << "," << difference.y;
  }
  settings.SetCount(4);
  const auto difference = MaxDifference(RunEffect<EffectStripes>(settings, input),
                                        StripesReference(input, 4, 0.8, 0.75));
  EXPECT_LE(difference.value, kTolerance);
}

TEST(StripesTest, PicturesShorterThanSixRowsGetNoStripes) {
  const Image input = RetroPattern(7, 5);
  Proc::SettingsEffectStripes settings;
  settings.SetDepth(0.5);
  settings.SetIntensity(1.0f);
  // No stripes: the factor is cos 0 + 2 x 0.5 - 1 = 1.
  EXPECT_LE(MaxDifference(RunEffect<EffectStripes>(settings, input), input).value, kTolerance);
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
  const auto difference = MaxDifference(RunEffect<EffectChromaticAberration>(settings, input, 7.0),
                                        AberrationReference(input, 0.005));
  EXPECT_LE(difference.value, kTolerance) << "at " << difference.x << "," << difference.y;
}

TEST(ChromaticAberrationTest, ClockAdvancesByEachFrameDuration) {
  const Image input = RetroPattern(200, 5);
  Proc::SettingsEffectChromaticAberration settings;
  // Three frames of 40 ms: the third draws at 0.08 s.
  const Image third = RunEffect<EffectChromaticAberration>(settings, input, 0.0, 3, 40000);
  const auto difference = MaxDifference(third, AberrationReference(input, FlickerShift(0.08, 1.0)));
  EXPECT_LE(difference.value, kTolerance) << "at " << difference.x << "," << difference.y;
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
  for (int y = 0; y < 13; ++y) {
    for (int x = 0; x < 21; ++x) {
      for (int c = 0; c < 3; ++c) {
        const float expected = c == y % 3 ? 180.0f : 0.0f;
        ASSERT_NEAR(output.At(x, y)[c], expected, kTolerance) << x << "," << y << " " << c;
      }
    }
  }
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
  const auto difference = MaxDifference(output, expected);
  EXPECT_LE(difference.value, kTolerance) << "at " << difference.x << "," << difference.y;
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
  const auto difference =
      MaxDifference(RunEffect<EffectTelevision70s>(settings, input, 3.0), expected);
  EXPECT_LE(difference.value, kTolerance)
      << "at " << difference.x << "," << difference.y << " " << difference.channel;
}

}  // namespace
}  // namespace Obrisk::Ogl
