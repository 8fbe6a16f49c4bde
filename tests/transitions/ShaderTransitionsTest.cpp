// The spins, the swish and the slices: the family's shared properties for
// each member and setting, and their pictures half way against the
// formulas evaluated on the CPU.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/host/Effect.h"
#include "obrisk/settings/TransitionShaderSettings.h"
#include "transitions/TransitionTestSupport.h"

namespace Obrisk::Testing {
namespace {

using namespace Proc;
using Colour = std::array<double, 4>;

constexpr int kW = kTransitionWidth;
constexpr int kH = kTransitionHeight;
constexpr double kPi = std::numbers::pi;
constexpr double kDisplayAspect = static_cast<double>(kW) / kH;

SettingsMaker Slices(SliceBase base, std::int32_t rule, SlicesType type,
                     std::function<void(SettingsTransitionSlice&)> more = {}) {
  return Make<SettingsTransitionSlice>([=](SettingsTransitionSlice& s) {
    s.SetBaseTransitionType(base);
    s.SetSlicesDirectionRule(rule);
    s.SetSlicesType(type);
    if (more) more(s);
  });
}

// Every member starts on the first input and ends on the second, the slices
// in every cut and with the time shift at its largest (the rings past the
// slice count and the last slice of a reversed numbering included).
std::vector<TransitionCase> Cases() {
  using Spin = SettingsTransitionModifiedMotionSpin;
  using Swish = SettingsTransitionWhipe;
  std::vector<TransitionCase> cases{
      {"ModifiedMotionSpin", Make<Spin>()},
      {"ModifiedMotionSpin_ClockwiseFurther", Make<Spin>([](Spin& s) {
         s.SetDirection(1);
         s.SetAdditionalSourceFrameRotateAngle(90.0);
       })},
      {"Whipe_Left", Make<Swish>()},
      {"Whipe_DownRight", Make<Swish>([](Swish& s) {
         s.SetHDirection(-1);
         s.SetVDirection(1);
       })},
      {"Whipe_Still", Make<Swish>([](Swish& s) { s.SetHDirection(0); })},
      {"MotionSpin", Make<SettingsTransitionMotionSpin>()},
      {"MotionSpin_Clockwise", Make<SettingsTransitionMotionSpin>(
                                   [](SettingsTransitionMotionSpin& s) { s.SetDirection(1); })},
  };
  for (int type = 0; type <= 10; ++type) {
    for (SliceBase base : {SliceBase::Swish, SliceBase::Spin}) {
      const std::string name = std::string(base == SliceBase::Spin ? "SliceSpin_" : "SliceSwish_") +
                               std::to_string(type);
      cases.push_back(
          {name, Slices(base, 3, static_cast<SlicesType>(type), [](SettingsTransitionSlice& s) {
             s.SetPercentOfSlicesTimeShift(1.0);
             s.SetSlicesNumberingRule(1);
           })});
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(ShaderTransitions, TransitionProperties, ::testing::ValuesIn(Cases()),
                         TransitionCaseName);

struct Vec {
  double x;
  double y;
};

// A picture sampled as the GPU does with linear filtering; v runs from the
// bottom row up. Mirrored repeat outside [0, 1] unless `clampToEdge`.
class Sampler {
 public:
  Sampler(Ptr<DataVideoMemory> picture, bool clampToEdge)
      : picture_(std::move(picture)), clamp_(clampToEdge) {}

  Colour operator()(Vec c) const {
    const double tx = c.x * kW - 0.5;
    const double ty = (1.0 - c.y) * kH - 0.5;
    const int x0 = static_cast<int>(std::floor(tx));
    const int y0 = static_cast<int>(std::floor(ty));
    const double fx = tx - x0;
    const double fy = ty - y0;
    Colour out{};
    for (int ch = 0; ch < 4; ++ch) {
      const double top = Texel(x0, y0, ch) * (1 - fx) + Texel(x0 + 1, y0, ch) * fx;
      const double bottom = Texel(x0, y0 + 1, ch) * (1 - fx) + Texel(x0 + 1, y0 + 1, ch) * fx;
      out[ch] = top * (1 - fy) + bottom * fy;
    }
    return out;
  }

 private:
  // Texel index i of an extent of n after the wrap.
  int Wrap(int i, int n) const {
    if (clamp_) return std::clamp(i, 0, n - 1);
    const int period = 2 * n;
    const int m = ((i % period) + period) % period;
    return m < n ? m : period - 1 - m;
  }
  double Texel(int x, int y, int channel) const {
    return PixelAt(*picture_, Wrap(x, kW), Wrap(y, kH))[channel];
  }
  Ptr<DataVideoMemory> picture_;
  bool clamp_;
};

// The expected colour at uv, or none where the pixel is not checked.
using Reference = std::function<std::optional<Colour>(Vec uv)>;

// Pixels beside a hard edge may fall either side of it on the GPU: a few
// may miss; a wrong formula misses many.
constexpr int kTolerance = 3;
constexpr double kMissingShare = 0.03;

void ExpectPicture(const DataVideoMemory& output, const Reference& reference) {
  int off = 0;
  int checked = 0;
  std::string firstOff;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const std::optional<Colour> want = reference({(x + 0.5) / kW, 1.0 - (y + 0.5) / kH});
      if (!want) continue;
      ++checked;
      const Pixel got = PixelAt(output, x, y);
      bool near = true;
      for (int c = 0; c < 4; ++c) near = near && std::abs(got[c] - (*want)[c]) <= kTolerance + 0.5;
      if (!near && off++ == 0) {
        firstOff = ::testing::PrintToString(std::array<int, 2>{x, y}) + " got " +
                   ::testing::PrintToString(got) + " want " + ::testing::PrintToString(*want);
      }
    }
  }
  EXPECT_GT(checked, kW * kH / 4);
  EXPECT_LE(off, static_cast<int>(kMissingShare * checked)) << "first: " << firstOff;
}

bool InsideFrame(Vec c) {
  return c.x >= 0.0 && c.x <= 1.0 && c.y >= 0.0 && c.y <= 1.0;
}

// uv turned by `degrees` about the centre in proportions of the screen, as
// the spin's library turns its sample point.
Vec SpinTurned(Vec uv, double degrees) {
  const double a = degrees * kPi / 180.0;
  const double px = (uv.x - 0.5) * kDisplayAspect;
  const double py = uv.y - 0.5;
  return {(std::cos(a) * px + std::sin(a) * py) / kDisplayAspect + 0.5,
          -std::sin(a) * px + std::cos(a) * py + 0.5};
}

TEST(ShaderTransitionGeometry, SpinShowsTheSecondPictureAQuarterTurnOnHalfWay) {
  const Sampler second(SecondPicture(), false);
  for (std::int32_t direction : {0, 1}) {
    SCOPED_TRACE(direction);
    SettingsTransitionModifiedMotionSpin settings;
    settings.SetDirection(direction);
    settings.SetMaxBlurScale(0.0);
    const auto output = RunTransition(settings, FirstPicture(), SecondPicture(), 0.5);
    // Half way the turn has made half of its half turn; the second picture
    // is drawn unflipped (the flip starts past the midpoint).
    const double angle = direction == 0 ? 90.0 : -90.0;
    ExpectPicture(*output, [&](Vec uv) -> std::optional<Colour> {
      const Vec c = SpinTurned(uv, angle);
      if (!InsideFrame(c)) return std::nullopt;
      return second(c);
    });
  }
}

// Half way the swish has moved the strip by one frame: the mirror image of
// the first picture, then the mirrored second picture from the middle on.
TEST(ShaderTransitionGeometry, SwishShowsTheStripOneFrameOnHalfWay) {
  const Sampler first(FirstPicture(), false);
  const Sampler second(SecondPicture(), false);
  SettingsTransitionWhipe settings;
  settings.SetMaxBlurScale(0.0);
  const auto output = RunTransition(settings, FirstPicture(), SecondPicture(), 0.5);
  ExpectPicture(*output, [&](Vec uv) -> std::optional<Colour> {
    const Vec c{uv.x + 1.0, uv.y};
    return std::abs(c.x - 0.5) < 1.0 ? first(c) : second(c);
  });
}

// Half way the blur scale is 1: n = maxPixels + 1 samples, sample i
// weighted n - i, the sum divided by n (n + 1) / 2.
Colour FadingTrail(int n, const std::function<Colour(int i)>& sample) {
  Colour sum{};
  for (int i = 0; i < n; ++i) {
    const Colour colour = sample(i);
    for (int c = 0; c < 4; ++c) sum[c] += (n - i) * colour[c];
  }
  for (double& channel : sum) channel /= n * (n + 1) / 2.0;
  return sum;
}

// The spin's trail: samples one pixel of the inscribed circle apart, turned
// further back against the turn, fading linearly (every pixel, the mirror
// images included).
TEST(ShaderTransitionGeometry, SpinTrailFadesLinearlyBehindTheTurn) {
  const Sampler second(SecondPicture(), false);
  constexpr double kBlurScale = 0.25;
  const int n = static_cast<int>(kBlurScale * (kW / 2)) + 1;
  const double pixelDegrees = std::atan(1.0 / (kW * 0.5)) * 180.0 / kPi;
  for (std::int32_t direction : {0, 1}) {
    SCOPED_TRACE(direction);
    SettingsTransitionModifiedMotionSpin settings;
    settings.SetDirection(direction);
    settings.SetMaxBlurScale(kBlurScale);
    const auto output = RunTransition(settings, FirstPicture(), SecondPicture(), 0.5);
    const double way = direction == 0 ? 1.0 : -1.0;
    ExpectPicture(*output, [&](Vec uv) -> std::optional<Colour> {
      return FadingTrail(
          n, [&](int i) { return second(SpinTurned(uv, way * (90.0 - (i + 1) * pixelDegrees))); });
    });
  }
}

// The swish's trail: samples one pixel apart behind the motion, fading
// linearly, across the seam from the first picture's mirror image to the
// second picture, straight and diagonal.
TEST(ShaderTransitionGeometry, SwishTrailFadesLinearlyAcrossTheSeam) {
  const Sampler first(FirstPicture(), false);
  const Sampler second(SecondPicture(), false);
  constexpr double kBlurScale = 0.25;
  const int n = static_cast<int>(kBlurScale * std::min(kW, kH)) + 1;
  for (const Vec way : {Vec{1.0, 0.0}, Vec{-1.0, 1.0}}) {
    SCOPED_TRACE(::testing::PrintToString(std::array<double, 2>{way.x, way.y}));
    SettingsTransitionWhipe settings;
    settings.SetHDirection(static_cast<std::int32_t>(way.x));
    settings.SetVDirection(static_cast<std::int32_t>(way.y));
    settings.SetMaxBlurScale(kBlurScale);
    const bool straight = way.x == 0.0 || way.y == 0.0;
    const auto strip = [&](Vec c) {
      const double dx = std::abs(c.x - 0.5);
      const double dy = std::abs(c.y - 0.5);
      const bool onFirst = straight ? std::max(dx, dy) < 1.0 : dx - (1.5 - dy) < 1.0;
      return onFirst ? first(c) : second(c);
    };
    const auto output = RunTransition(settings, FirstPicture(), SecondPicture(), 0.5);
    ExpectPicture(*output, [&](Vec uv) -> std::optional<Colour> {
      // Half way the strip has moved one frame along the direction.
      const Vec c{uv.x + way.x, uv.y + way.y};
      return FadingTrail(n, [&](int i) {
        return strip({c.x - i * way.x / kW, c.y - i * way.y / kH});
      });
    });
  }
}

// Four horizontal bands of the swish with the whole transition shifted
// across them and alternate ways: band k reaches the midpoint at k / 4
// (the first band just after the start), and moves left when odd, right
// when even.
TEST(ShaderTransitionGeometry, SlicesRunTheSwishWithATimeShiftPerSlice) {
  const Sampler first(FirstPicture(), false);
  const Sampler second(SecondPicture(), false);
  constexpr int kSlices = 4;
  constexpr double kEarliestMidpoint = 0.001;
  SettingsTransitionSlice settings;
  settings.SetBaseTransitionType(SliceBase::Swish);
  settings.SetSlicesType(SlicesType::Horizontal);
  settings.SetSlicesDirectionRule(2);
  settings.SetSlicesCount(kSlices);
  settings.SetPercentOfSlicesTimeShift(1.0);
  settings.SetMaxBlurScale(0.0);
  settings.SetMotionBoostPower(1.0);
  for (double p : {0.3, 0.5}) {
    SCOPED_TRACE(p);
    const auto output = RunTransition(settings, FirstPicture(), SecondPicture(), p);
    ExpectPicture(*output, [&](Vec uv) -> std::optional<Colour> {
      const int k = static_cast<int>(uv.y * kSlices);
      const double c = std::max(static_cast<double>(k) / kSlices, kEarliestMidpoint);
      const double q = p < c ? p * 0.5 / c : 0.5 + (p - c) * 0.5 / (1.0 - c);
      // With motion boost 1 the travel is q frames twice over.
      const double way = k % 2 == 0 ? -1.0 : 1.0;
      const Vec at{uv.x + 2.0 * q * way, uv.y};
      return std::abs(at.x - 0.5) < 1.0 ? first(at) : second(at);
    });
  }
}

TEST(ShaderTransitionGeometry, SquareSlicesRefuseMoreThan255BySide) {
  SettingsTransitionSlice settings;
  settings.SetSlicesType(SlicesType::Squares);
  settings.SetSlicesCount(256 * 256);
  try {
    RunTransition(settings, FirstPicture(), SecondPicture(), 0.5);
    FAIL() << "no error";
  } catch (const std::exception& error) {
    EXPECT_NE(std::string(error.what())
                  .find("Slices count in square modes must be not greater than 65025"),
              std::string::npos)
        << error.what();
  }
}

// The motion spin measures its step from its first two frames: the first
// stands still, the second (p = 0.5, no trail) is the second picture upside
// down and a quarter turn on.
// The second picture upside down, turned by TurnAt(q) half turns, at uv.
Vec MotionSpinTurned(Vec uv, double q) {
  const double turn = q < 0.5 ? 8.0 * std::pow(q, 4.0) : 1.0 - 8.0 * std::pow(1.0 - q, 4.0);
  const double a = turn * kPi;
  const double px = (0.5 - uv.x) * kDisplayAspect;
  const double py = 0.5 - uv.y;
  return {(std::cos(a) * px - std::sin(a) * py) / kDisplayAspect + 0.5,
          std::sin(a) * px + std::cos(a) * py + 0.5};
}

TEST(ShaderTransitionGeometry, MotionSpinTurnsTheSecondPictureFromUpsideDown) {
  SettingsTransitionMotionSpin settings;
  settings.SetMaxMotionBlurScale(0.0);
  const Ptr<EffectRegistry> registry = MakeRegistry();
  Ptr<IEffect> effect = CreateEffect(*registry, settings.GetClassId());
  effect->SetSettingsObject(settings);
  const auto run = [&](double p) {
    effect->SetProgress(TimeToProgress([p](std::int64_t) { return p; }));
    return Download(effect->ProcessData({Upload(FirstPicture()), Upload(SecondPicture())}));
  };
  EXPECT_LE(MaxChannelDifference(*run(0.4), *FirstPicture()), 1);
  const auto output = run(0.5);
  const Sampler second(SecondPicture(), true);
  ExpectPicture(*output, [&](Vec uv) -> std::optional<Colour> {
    // The last sub-frame is at q = 0.5: a quarter turn, 1 - 8 (1 - q)^4 half turns.
    const Vec c = MotionSpinTurned(uv, 0.5);
    if (!InsideFrame(c)) return std::nullopt;
    return second(c);
  });
}

// With a trail, each of the five sub-frames is mixed over the ones before:
// trail = sub-frame (1 - M) + trail M half way, the trail starting as the
// first sub-frame (q = 0.42, 0.44, ... 0.5 after a first frame at 0.4).
TEST(ShaderTransitionGeometry, MotionSpinMixesItsSubFramesIntoATrail) {
  constexpr double kTrail = 0.5;
  SettingsTransitionMotionSpin settings;
  settings.SetMaxMotionBlurScale(kTrail);
  const Ptr<EffectRegistry> registry = MakeRegistry();
  Ptr<IEffect> effect = CreateEffect(*registry, settings.GetClassId());
  effect->SetSettingsObject(settings);
  const auto run = [&](double p) {
    effect->SetProgress(TimeToProgress([p](std::int64_t) { return p; }));
    return Download(effect->ProcessData({Upload(FirstPicture()), Upload(SecondPicture())}));
  };
  run(0.4);
  const auto output = run(0.5);
  const Sampler second(SecondPicture(), true);
  ExpectPicture(*output, [&](Vec uv) -> std::optional<Colour> {
    Colour trail{};
    for (int i = 0; i < 5; ++i) {
      const Vec c = MotionSpinTurned(uv, 0.4 + (i + 1) * 0.02);
      if (!InsideFrame(c)) return std::nullopt;
      const Colour sub = second(c);
      for (int ch = 0; ch < 4; ++ch)
        trail[ch] = i == 0 ? sub[ch] : sub[ch] * (1.0 - kTrail) + trail[ch] * kTrail;
    }
    return trail;
  });
}

}  // namespace
}  // namespace Obrisk::Testing
