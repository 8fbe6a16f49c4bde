// The overlay effects' pictures against the formulas computed here: the
// identity at intensity 0, the vignette's fall-off per shape and flag and
// its generated shader names, the light leaks of the unbounded types, the
// lens flares following their type, and the tracking marker in and out of
// its intervals.
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>

#include <gtest/gtest.h>

#include "effects/overlay/EffectAim.h"
#include "effects/overlay/EffectFlyingObjects.h"
#include "effects/overlay/EffectLensFlare.h"
#include "effects/overlay/EffectLightLeaks.h"
#include "effects/overlay/EffectVignetteFilter.h"
#include "effects/overlay/OverlayPasses.h"
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

// Rounding of 8-bit storage and single-precision arithmetic.
constexpr float kTolerance = 1.5f;

// ---- Intensity 0 -----------------------------------------------------------

class OverlayIdentityTest : public ::testing::TestWithParam<Testing::IdentityCase> {};

// The final draw of the source is opaque: the picture comes back exactly.
TEST_P(OverlayIdentityTest, IntensityZeroGivesBackTheSource) {
  const Image input = RetroPattern(23, 17);
  EXPECT_TRUE(Near(GetParam().run(input), input));
}

// An Effect configured by `configure`, at intensity 0.
template <class Effect, class Configure>
Testing::IdentityCase AtZero(std::string name, Configure configure) {
  return Identity<Effect>(
      std::move(name),
      [=](auto& s) {
        configure(s);
        s.SetIntensity(0.0f);
      },
      2.5, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Overlay, OverlayIdentityTest,
    ::testing::Values(AtZero<EffectLensFlare>("LensFlares", [](auto& s) { s.SetType(1); }),
                      AtZero<EffectLensFlare>("SunGlare", [](auto& s) { s.SetType(5); }),
                      AtZero<EffectLightLeaks>("LightLeaks", [](auto& s) { s.SetType(3); }),
                      AtZero<EffectFlyingObjects>("FlyingObjects",
                                                  [](auto& s) {
                                                    s.SetObjectCount(40);
                                                    s.SetSize(0.5);
                                                  }),
                      AtZero<EffectVignetteFilter>("Vignette",
                                                   [](auto& s) { s.SetRadii(0.0, 0.3); })),
    [](const auto& info) { return info.param.name; });

// ---- Vignette --------------------------------------------------------------

struct VignetteCase {
  std::int32_t shape;
  std::int32_t smooth;
  std::int32_t aspect;
};

// The vignette's distance of each shape from the axis distances x, y.
double VignetteDistance(std::int32_t shape, double x, double y) {
  switch (shape) {
    case 1:
      return std::max(x, y) + std::min(x, y) * std::max(x, y) * 0.05;
    case 2:
      return std::max(x, y) + std::max(0.0, 0.05 - (x - y) * (x - y));
    case 3:
      return std::max(x, y) + (std::min(x, y) - std::max(x, y)) * 0.1;
    case 4:
      return std::hypot(x, y);
    case 5:
      return x;
    default: {
      const double i = 2.0 * std::max(0.0, 0.05 - std::abs(x - y));
      return std::max(x, y) + i * i;
    }
  }
}

class VignetteFalloffTest : public ::testing::TestWithParam<VignetteCase> {};

TEST_P(VignetteFalloffTest, FollowsTheFormula) {
  const VignetteCase c = GetParam();
  constexpr int kWidth = 21;
  constexpr int kHeight = 11;
  const Texel colour{40.0f, 220.0f, 90.0f, 200.0f};
  Proc::SettingsEffectVignetteFilter settings;
  settings.SetShape(c.shape);
  settings.SetSmooth(c.smooth);
  settings.SetAspect(c.aspect);
  settings.SetColor({40, 220, 90, 200});
  settings.SetCentre(0.4, 0.55);
  settings.SetRadii(0.1, 0.45);
  const Image input = RetroPattern(kWidth, kHeight);
  const Image output = RunEffect<EffectVignetteFilter>(settings, input);
  const double aspect = static_cast<double>(kWidth) / kHeight;
  const Image expected = MakeImage(kWidth, kHeight, [&](int x, int y) {
    const double dx = std::abs(Centre(x, kWidth) - 0.4);
    double dy = std::abs(Centre(y, kHeight) - 0.55);
    if (c.aspect == 1) dy /= aspect;
    double r = std::clamp((VignetteDistance(c.shape, dx, dy) - 0.1) / (0.45 - 0.1), 0.0, 1.0);
    if (c.smooth == 1) r = 0.5 - 0.5 * std::cos(std::numbers::pi * r);
    const double opacity = colour[3] / 255.0 * r;
    Texel texel = input.At(x, y);
    for (int k = 0; k < 3; ++k) {
      texel[k] = static_cast<float>(texel[k] + (colour[k] - texel[k]) * opacity);
    }
    return texel;
  });
  EXPECT_TRUE(Near(output, expected, kTolerance));
}

INSTANTIATE_TEST_SUITE_P(Overlay, VignetteFalloffTest,
                         ::testing::Values(VignetteCase{0, 0, 0}, VignetteCase{1, 1, 0},
                                           VignetteCase{2, 0, 1}, VignetteCase{3, 1, 1},
                                           VignetteCase{4, 1, 1}, VignetteCase{4, 0, 0},
                                           VignetteCase{5, 0, 1}),
                         [](const auto& info) {
                           const VignetteCase c = info.param;
                           return "Shape" + std::to_string(c.shape) + "Smooth" +
                                  std::to_string(c.smooth) + "Aspect" + std::to_string(c.aspect);
                         });

// The cache assembles a shader once per code and names it by the code.
TEST(VignetteShaderTest, GeneratedOncePerCode) {
  GeneratedShader shader;
  int assembled = 0;
  auto assemble = [&](std::int32_t code) {
    ++assembled;
    return EffectVignetteFilter::FragmentText(code);
  };
  EXPECT_EQ(shader.For(411, "EffectVignetteFilter_", assemble).Name(), "EffectVignetteFilter_411");
  shader.For(411, "EffectVignetteFilter_", assemble);
  EXPECT_EQ(assembled, 1);
  for (std::int32_t code : {410, 401, 11}) {
    EXPECT_EQ(shader.For(code, "EffectVignetteFilter_", assemble).Name(),
              "EffectVignetteFilter_" + std::to_string(code));
  }
  EXPECT_EQ(assembled, 4);
  const std::string text = EffectVignetteFilter::FragmentText(411);
  EXPECT_NE(text.find("rAspect"), std::string::npos);
  EXPECT_NE(text.find("cos(3.14159265 * r)"), std::string::npos);
  EXPECT_EQ(EffectVignetteFilter::FragmentText(400).find("cos("), std::string::npos);
}

// Equal radii make a sharp edge: the colour outside, the picture inside.
TEST(VignetteShaderTest, EqualRadiiMakeASharpEdge) {
  Proc::SettingsEffectVignetteFilter settings;
  settings.SetShape(4);
  settings.SetSmooth(0);
  settings.SetAspect(0);
  settings.SetColor({255, 0, 0, 255});
  settings.SetRadii(0.3, 0.3);
  const Image input = RetroPattern(15, 15);
  const auto distance = [](int x, int y) {
    return std::hypot(Centre(x, 15) - 0.5, Centre(y, 15) - 0.5);
  };
  const Image expected = MakeImage(15, 15, [&](int x, int y) {
    return distance(x, y) < 0.3 ? input.At(x, y) : Texel{255, 0, 0, input.At(x, y)[3]};
  });
  EXPECT_TRUE(Near(RunEffect<EffectVignetteFilter>(settings, input), expected, kTolerance,
                   [&](int x, int y) { return std::abs(distance(x, y) - 0.3) < 0.01; }));
}

// ---- Light leaks -----------------------------------------------------------

struct LeakWaves {
  float a, b, c, p1, p2, p3, d, e, f;
  std::array<float, 3> phaseShift2;
};

// Types 6 and 8 are unbounded: the leak mixes in at 0.2 everywhere and
// only brightens.
Image ExpectedUnboundedLeak(const Image& input, const LeakWaves& w, double time) {
  const auto seconds = static_cast<float>(time);
  const float tau = std::cos(seconds / 2.0f) + seconds / 13.0f;
  const std::array<float, 3> shift1{w.a * std::cos(w.p1 + tau), w.b * std::cos(w.p2 + tau),
                                    w.c * std::cos(w.p3 + tau)};
  const std::array<float, 3> factor2{w.d * std::sin(tau), w.e * std::sin(tau), w.f * std::sin(tau)};
  const std::array<float, 3> mul1{1.0f / 232, 1.0f / 211, 1.0f / 311};
  const std::array<float, 3> mul2{1.0f / 212, 1.0f / 234, 1.0f / 321};
  return MakeImage(input.width, input.height, [&](int x, int y) {
    const float u = Centre(x, input.width);
    const float v = Centre(y, input.height);
    std::array<float, 3> rgb{};
    for (int k = 0; k < 3; ++k) {
      rgb[k] =
          0.5f + 0.5f * (std::cos(u * shift1[k] * std::cos(v * tau * mul1[k]) + w.phaseShift2[k]) +
                         std::sin(v * factor2[k] * std::cos(u * tau * mul2[k])));
    }
    const float high = std::max({rgb[0], rgb[1], rgb[2]});
    const float low = std::min({rgb[0], rgb[1], rgb[2]});
    const std::array<float, 3> leaks{high, low, rgb[2]};
    Texel texel = input.At(x, y);
    for (int k = 0; k < 3; ++k) {
      const float colour = texel[k] / 255.0f;
      texel[k] =
          255.0f * std::clamp(std::max(colour + (leaks[k] - colour) * 0.2f, colour), 0.0f, 1.0f);
    }
    return texel;
  });
}

struct LeakCase {
  std::int32_t type;
  LeakWaves waves;
};

class LightLeaksUnboundedTest : public ::testing::TestWithParam<LeakCase> {};

TEST_P(LightLeaksUnboundedTest, MixesEverywhereAtOneFifth) {
  constexpr double kTime = 3.7;
  Proc::SettingsEffectLightLeaks settings;
  settings.SetType(GetParam().type);
  const Image input = RetroPattern(19, 13);
  const Image output = RunEffect<EffectLightLeaks>(settings, input, kTime);
  EXPECT_TRUE(Near(output, ExpectedUnboundedLeak(input, GetParam().waves, kTime), kTolerance));
}

constexpr float kQ = 1.58f;
INSTANTIATE_TEST_SUITE_P(Overlay, LightLeaksUnboundedTest,
                         ::testing::Values(LeakCase{6, {5, 3, 4, 0, kQ, kQ, 7, 3, 5, {0, kQ, 0}}},
                                           LeakCase{8, {6, 3, 4, kQ, 0, 0, 5, 3, 6, {kQ, 0, 0}}}),
                         [](const auto& info) { return "Type" + std::to_string(info.param.type); });

// Type 7 lights only the left half: the right half is the picture.
TEST(LightLeaksShapeTest, LeakStaysOnItsSide) {
  Proc::SettingsEffectLightLeaks settings;
  settings.SetType(7);
  const Image input = RetroPattern(20, 10);
  const Image output = RunEffect<EffectLightLeaks>(settings, input, 1.25);
  EXPECT_TRUE(Near(output, input, 0.0f, [](int x, int) { return x < 10; }));
  EXPECT_GT(MaxDifference(output, input).value, 10.0f);
}

TEST(LightLeaksShapeTest, ShaderNamedByType) {
  GeneratedShader shader;
  const auto& sources = shader.For(13, "EffectLightLeaks_", [](std::int32_t type) {
    return EffectLightLeaks::FragmentText(type);
  });
  EXPECT_EQ(sources.Name(), "EffectLightLeaks_13");
  // Type 13: the green palette, bounded by the rising diagonal.
  const std::string text = EffectLightLeaks::FragmentText(13);
  EXPECT_NE(text.find("rgb.g, min("), std::string::npos);
  EXPECT_NE(text.find("float curve = u;"), std::string::npos);
  EXPECT_EQ(EffectLightLeaks::FragmentText(6).find("curve"), std::string::npos);
}

// ---- Lens flare --------------------------------------------------------------

// Flares only add light, and alpha stays.
TEST(LensFlareTest, FlaresOnlyBrighten) {
  const Image input = RetroPattern(64, 36);
  for (std::int32_t type : {0, 3, 4, 5}) {
    Proc::SettingsEffectLensFlare settings;
    settings.SetType(type);
    const Image output = RunEffect<EffectLensFlare>(settings, input, 1.0);
    float added = 0.0f;
    for (std::size_t i = 0; i < input.texels.size(); ++i) {
      EXPECT_EQ(output.texels[i][3], input.texels[i][3]) << "type " << type;
      if (type < 4) {
        for (int c = 0; c < 3; ++c) ASSERT_GE(output.texels[i][c] + 0.5f, input.texels[i][c]);
      }
      added = std::max(added, output.texels[i][0] - input.texels[i][0]);
    }
    EXPECT_GT(added, 2.0f) << "type " << type;
  }
}

// A cache that drew one type's flares draws another's when the type changes.
TEST(LensFlareTest, TypeChangeRendersNewFlares) {
  const Image input = Testing::Flat(64, 36, {10, 10, 10, 255});
  EffectLensFlare effect;
  Proc::SettingsEffectLensFlare settings;
  settings.SetType(0);
  effect.SetSettings(settings);
  const Ptr<OglCache> cache = effect.CreateCache();
  const Image first = Testing::RunDirect(effect, input, cache, Proc::PixFmt::RGBA, 0.0);
  settings.SetType(2);
  effect.SetSettings(settings);
  const Image changed = Testing::RunDirect(effect, input, cache, Proc::PixFmt::RGBA, 0.0);
  const Image fresh = RunEffect<EffectLensFlare>(settings, input, 0.0);
  EXPECT_EQ(MaxDifference(changed, fresh).value, 0.0f);
  EXPECT_GT(MaxDifference(changed, first).value, 2.0f);
}

// ---- Tracking marker ---------------------------------------------------------

Proc::SettingsEffectAim AimAt(std::int32_t type, const Proc::AimBox& box) {
  Proc::SettingsEffectAim settings;
  settings.SetType(type);
  settings.SetThickness(0.05f);
  settings.SetCrossLen(0.2f);
  settings.SetRadius(0.3f);
  settings.SetBoxes({box});
  return settings;
}

constexpr Proc::AimBox kBox{1.0, 0.5, 0.25, 0.25, 0.5, 0.5};

// The box type: green on the band between the box grown and shrunk by the
// thickness, the picture elsewhere.
TEST(AimTest, BoxFramesTheObjectInItsInterval) {
  constexpr int kSide = 40;
  const Image input = RetroPattern(kSide, kSide);
  const Image expected = MakeImage(kSide, kSide, [&](int x, int y) {
    const float u = Centre(x, kSide);
    const float v = Centre(y, kSide);
    const bool outer = u >= 0.2f && u <= 0.8f && v >= 0.2f && v <= 0.8f;
    const bool inner = u > 0.3f && u < 0.7f && v > 0.3f && v < 0.7f;
    return outer && !inner ? Texel{0, 255, 0, 255} : input.At(x, y);
  });
  EXPECT_TRUE(Near(RunEffect<EffectAim>(AimAt(0, kBox), input, 1.25), expected));
}

TEST(AimTest, CrossAndRingAroundTheCentre) {
  constexpr int kSide = 40;
  const Image input = RetroPattern(kSide, kSide);
  const auto offset = [](int i) { return std::abs(Centre(i, kSide) - 0.5f); };
  const auto ring = [&](int x, int y) { return std::abs(std::hypot(offset(x), offset(y)) - 0.3f); };
  const Image expected = MakeImage(kSide, kSide, [&](int x, int y) {
    const float dx = offset(x);
    const float dy = offset(y);
    const bool marked =
        (dx < 0.05f && dy < 0.2f) || (dx < 0.2f && dy < 0.05f) || ring(x, y) < 0.05f;
    return marked ? Texel{255, 128, 0, 255} : input.At(x, y);
  });
  // Texel centres too near the ring's edge for single precision to settle are left out.
  EXPECT_TRUE(Near(RunEffect<EffectAim>(AimAt(1, kBox), input, 1.0), expected, 1.0f,
                   [&](int x, int y) { return std::abs(ring(x, y) - 0.05f) < 1e-3f; }));
}

// Outside [start, start + duration) the picture passes through: before the
// start and exactly at the end.
TEST(AimTest, PassesThroughOutsideItsInterval) {
  const Image input = RetroPattern(24, 16);
  for (double time : {0.999, 1.5, 7.0}) {
    const Image output = RunEffect<EffectAim>(AimAt(0, kBox), input, time);
    EXPECT_EQ(MaxDifference(output, input).value, 0.0f) << "at " << time << " s";
  }
  EXPECT_GT(MaxDifference(RunEffect<EffectAim>(AimAt(0, kBox), input, 1.499999), input).value,
            0.0f);
}

// The first box whose interval holds the time is drawn.
TEST(AimTest, FirstMatchingBoxWins) {
  Proc::SettingsEffectAim settings = AimAt(0, kBox);
  settings.SetBoxes({{0.0, 1.0, 0.0, 0.0, 0.2, 0.2}, {0.5, 1.0, 0.6, 0.6, 0.3, 0.3}});
  const Image input = Testing::Flat(20, 20, {0, 0, 0, 255});
  const Image early = RunEffect<EffectAim>(settings, input, 0.75);
  EXPECT_EQ(early.At(0, 0)[1], 255.0f);
  EXPECT_EQ(early.At(19, 19)[1], 0.0f);
  const Image late = RunEffect<EffectAim>(settings, input, 1.0);
  EXPECT_EQ(late.At(0, 0)[1], 0.0f);
  EXPECT_EQ(late.At(12, 12)[1], 255.0f);
}

}  // namespace
}  // namespace Obrisk::Ogl
