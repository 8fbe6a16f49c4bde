// Fish-eye, twirl and vertigo against their mappings computed on the CPU.
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "effects/distort/EffectFishEye.h"
#include "effects/distort/EffectTwirl.h"
#include "effects/distort/EffectVertigo.h"
#include "support/ImageTestSupport.h"

namespace Obrisk::Testing {
namespace {

constexpr int kWidth = 33;
constexpr int kHeight = 19;
constexpr double kPi = std::numbers::pi;

// A radial warp about the centre: distance r reads distance radius(r).
template <class Radius>
Mapping Radial(Radius radius) {
  return [=](Point p) {
    const double dx = p[0] - 0.5;
    const double dy = p[1] - 0.5;
    const double r = std::hypot(dx, dy);
    if (r == 0.0) return p;
    const double scale = radius(r) / r;
    return Point{0.5 + dx * scale, 0.5 + dy * scale};
  };
}

TEST(EffectFishEyeTest, StrengthOrIntensityZeroCopiesExactly) {
  const Image input = Numbered(kWidth, kHeight);
  for (const auto& settings :
       {Proc::SettingsEffectFishEye(0.0, 1.0f), Proc::SettingsEffectFishEye(0.4, 0.0f)}) {
    EXPECT_EQ(RunAt<Ogl::EffectFishEye>(settings, input).texels, input.texels);
  }
}

TEST(EffectFishEyeTest, FrontLensFollowsTheTangentAndKeepsTheCorners) {
  const Image input = Smooth(kWidth, kHeight);
  const double s = 0.3;
  const double power = s * kPi * std::sqrt(2.0);
  const double mnozh = std::sqrt(0.5) / std::tan(power * std::sqrt(0.5));
  const Mapping front = Radial([=](double r) { return std::tan(r * power) * mnozh; });
  EXPECT_NEAR(front({0.0, 0.0})[0], 0.0, 1e-12);
  ExpectWarp(RunAt<Ogl::EffectFishEye>(Proc::SettingsEffectFishEye(0.3, 1.0f), input), input,
             front);
}

TEST(EffectFishEyeTest, BackLensFollowsTheArcTangentAndKeepsTheEdgeMidpoints) {
  const Image input = Smooth(kWidth, kHeight);
  const double s = -0.7 * 0.5;
  const double power = s * kPi * std::sqrt(2.0);
  const double mnozh = 0.5 / std::atan(power * -0.5 * 10.0);
  const Mapping back = Radial([=](double r) { return std::atan(r * -power * 10.0) * mnozh; });
  EXPECT_NEAR(back({0.5, 1.0})[1], 1.0, 1e-12);
  ExpectWarp(RunAt<Ogl::EffectFishEye>(Proc::SettingsEffectFishEye(-0.7, 0.5f), input), input,
             back);
}

// The twirl's two angles at time t, as the effect computes them.
struct TwirlAngles {
  double rotate, twirl;
};

TwirlAngles AnglesAt(const Proc::SettingsEffectTwirl& s, double t) {
  const double i = s.GetIntensity();
  const double rotate = (std::fabs(std::cos(i * s.GetRotationSpeed() * kPi * t)) - 1.0) * 2 * kPi +
                        i * s.GetRotation() * 2 * kPi;
  const double phase = std::fmod(i * s.GetTwirlSpeed() * 4 * t + 3 + i * s.GetTwirlPhase(), 4.0);
  return {rotate, (std::fabs(phase - 2.0) - 1.0) * 8 * kPi};
}

Mapping TwirlMapping(TwirlAngles angles, double aspect) {
  return [=](Point p) {
    const double cx = p[0] - 0.5;
    const double cy = p[1] - 0.5;
    const double a = std::hypot(cx, cy / aspect) * angles.twirl + angles.rotate;
    const double u = 0.5 + cx * std::cos(a) - cy * std::sin(a) / aspect;
    const double v = 0.5 + cx * std::sin(a) * aspect + cy * std::cos(a);
    return Point{u - std::floor(u), v - std::floor(v)};
  };
}

Proc::SettingsEffectTwirl Twirl(double rotation, double rotationSpeed, double phase,
                                double twirlSpeed) {
  Proc::SettingsEffectTwirl settings;
  settings.SetRotation(rotation);
  settings.SetRotationSpeed(rotationSpeed);
  settings.SetTwirlPhase(phase);
  settings.SetTwirlSpeed(twirlSpeed);
  return settings;
}

TEST(EffectTwirlTest, NoRotationAndNoPhaseAtTimeZeroCopiesExactly) {
  const Image input = Numbered(kWidth, kHeight);
  EXPECT_EQ(RunAt<Ogl::EffectTwirl>(Twirl(0.0, 2.0, 0.0, 3.0), input).texels, input.texels);
}

TEST(EffectTwirlTest, TwistsAndTurnsInDisplayProportions) {
  const Image input = Smooth(kWidth, kHeight);
  for (const double t : {0.0, 0.35}) {
    const Proc::SettingsEffectTwirl settings = Twirl(0.02, 0.1, 0.03, 0.02);
    ExpectWarp(RunAt<Ogl::EffectTwirl>(settings, input, t), input,
               TwirlMapping(AnglesAt(settings, t), double(kWidth) / kHeight));
  }
}

// The vertigo's average of echoes, computed on the CPU for one pixel.
Texel VertigoAt(const Image& input, const Proc::SettingsEffectVertigo& s, double t, Point p) {
  const double x = s.GetIntensity() * s.GetSpeed() * 10.0 * t;
  const double phase = (x - std::floor(x)) * kPi;
  const double a = 2.0 * s.GetIntensity() * s.GetAmplitude();
  const double angle = std::sin(2.0 * phase) * a / 6.0;
  const double scale = a / 12.0;
  const double fast = 5.0 * x - std::floor(5.0 * x);
  const auto echo = [&](double step) {
    const double cx = (p[0] - 0.5) * (1.0 - scale * step);
    const double cy = (p[1] - 0.5) * (1.0 - scale * step);
    return input.Sample(float(std::cos(angle) * cx - std::sin(angle) * cy + 0.5),
                        float(std::sin(angle) * cx + std::cos(angle) * cy + 0.5));
  };
  Texel sum{};
  for (int i = 1; i <= 6; ++i) {
    const Texel e = echo(i + fast);
    for (int c = 0; c < 4; ++c) sum[c] += e[c];
  }
  const Texel last = echo(7.0 + fast);
  const Texel first = echo(1.0);
  const Texel source = input.Sample(float(p[0]), float(p[1]));
  Texel out{};
  for (int c = 0; c < 4; ++c) {
    const double average = (sum[c] + last[c] + (first[c] - last[c]) * fast) / 7.0;
    out[c] = float(source[c] + (average - source[c]) * 0.7);
  }
  return out;
}

TEST(EffectVertigoTest, BlendsTheTurnedEchoesOverThePicture) {
  const Image input = Smooth(kWidth, kHeight);
  Proc::SettingsEffectVertigo settings;
  settings.SetAmplitude(0.6);
  settings.SetSpeed(0.3);
  for (const double t : {0.0, 0.13, 0.9}) {
    const Image output = RunAt<Ogl::EffectVertigo>(settings, input, t);
    for (const auto& [x, y] : ChosenPixels(kWidth, kHeight)) {
      const Texel expected =
          VertigoAt(input, settings, t, {(x + 0.5) / kWidth, (y + 0.5) / kHeight});
      for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(output.At(x, y)[c], expected[c], 2.0f) << x << "," << y << " t " << t;
      }
    }
  }
}

}  // namespace
}  // namespace Obrisk::Testing
