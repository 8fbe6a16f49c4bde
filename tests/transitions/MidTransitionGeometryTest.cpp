// Geometry half and a quarter of the way: each transition's picture at
// p = 0.25 and 0.5 against its formula evaluated on the CPU. The inputs at
// the ends are checked elsewhere; a formula wrong in between shows here.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <utility>

#include <gtest/gtest.h>

#include "obrisk/settings/TransitionMotionSettings.h"
#include "obrisk/settings/TransitionSettings.h"
#include "transitions/TransitionTestSupport.h"

namespace Obrisk::Testing {
namespace {

using Proc::DataVideoMemory;
using Colour = std::array<double, 4>;

constexpr int kWidth = kTransitionWidth;
constexpr int kHeight = kTransitionHeight;
constexpr double kPi = std::numbers::pi;
// The longer side is 1 (the transitions' size aspect).
constexpr double kAspectX = 1.0;
constexpr double kAspectY = static_cast<double>(kHeight) / kWidth;
constexpr double kDisplayAspect = static_cast<double>(kWidth) / kHeight;

struct Vec {
  double x;
  double y;
};

Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
Vec operator*(Vec a, double s) {
  return {a.x * s, a.y * s};
}
Vec Aspect(Vec a) {
  return {a.x * kAspectX, a.y * kAspectY};
}
double Length(Vec a) {
  return std::hypot(a.x, a.y);
}

// A picture sampled as the GPU does with linear filtering and clamped
// edges; v runs from the bottom row up.
class Sampler {
 public:
  explicit Sampler(Ptr<DataVideoMemory> picture) : picture_(std::move(picture)) {}

  Colour operator()(Vec c) const {
    const double tx = c.x * kWidth - 0.5;
    const double ty = (1.0 - c.y) * kHeight - 0.5;
    const int x0 = static_cast<int>(std::floor(tx));
    const int y0 = static_cast<int>(std::floor(ty));
    const double fx = tx - x0;
    const double fy = ty - y0;
    Colour out{};
    for (int c4 = 0; c4 < 4; ++c4) {
      const double top = Texel(x0, y0, c4) * (1 - fx) + Texel(x0 + 1, y0, c4) * fx;
      const double bottom = Texel(x0, y0 + 1, c4) * (1 - fx) + Texel(x0 + 1, y0 + 1, c4) * fx;
      out[c4] = top * (1 - fy) + bottom * fy;
    }
    return out;
  }

 private:
  double Texel(int x, int y, int channel) const {
    return PixelAt(*picture_, std::clamp(x, 0, kWidth - 1), std::clamp(y, 0, kHeight - 1))[channel];
  }
  Ptr<DataVideoMemory> picture_;
};

Colour Mix(const Colour& a, const Colour& b, double t) {
  Colour out{};
  for (int c = 0; c < 4; ++c) out[c] = a[c] + (b[c] - a[c]) * t;
  return out;
}

double Clamp01(double value) {
  return std::clamp(value, 0.0, 1.0);
}

// GLSL mod: the result has the sign of the divisor.
double Mod(double x, double y) {
  return x - y * std::floor(x / y);
}

using Reference = std::function<Colour(Vec uv, const Sampler& first, const Sampler& second)>;

// Pixels on a hard edge may fall either side of it on the GPU: a few may
// miss; a wrong formula misses many.
constexpr int kTolerance = 3;
constexpr double kMissingShare = 0.02;

void ExpectGeometry(const Proc::Settings& settings, double p, const Reference& reference) {
  SCOPED_TRACE(::testing::Message() << settings.GetClassId() << " at p = " << p);
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  const auto output = RunTransition(settings, first, second, p);
  const Sampler a(first);
  const Sampler b(second);
  int off = 0;
  std::string firstOff;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Vec uv{(x + 0.5) / kWidth, 1.0 - (y + 0.5) / kHeight};
      const Colour want = reference(uv, a, b);
      const Pixel got = PixelAt(*output, x, y);
      bool near = true;
      for (int c = 0; c < 4; ++c) near = near && std::abs(got[c] - want[c]) <= kTolerance + 0.5;
      if (!near && off++ == 0) {
        firstOff = ::testing::PrintToString(std::array<int, 2>{x, y}) + " got " +
                   ::testing::PrintToString(got) + " want " + ::testing::PrintToString(want);
      }
    }
  }
  EXPECT_LE(off, static_cast<int>(kMissingShare * kWidth * kHeight)) << "first: " << firstOff;
}

void ExpectAtQuarterAndHalf(const Proc::Settings& settings,
                            const std::function<Reference(double p)>& reference) {
  for (double p : {0.25, 0.5}) ExpectGeometry(settings, p, reference(p));
}

TEST(MidTransitionGeometry, SlidingDoorOpensFromTheCentre) {
  Proc::SettingsTransitionSlidingDoor settings;
  settings.SetDirection(Proc::TransitionSlidingDoorDirection::Sideways);
  ExpectAtQuarterAndHalf(settings, [](double p) -> Reference {
    return [p](Vec uv, const Sampler& first, const Sampler& second) {
      const double i = std::abs(uv.x - 0.5);
      if (i < p && p < 1.0 - i) return Mix(second(uv), first(uv), 1.0 - 2.0 * i);
      return p < i ? first(uv) : second(uv);
    };
  });
}

TEST(MidTransitionGeometry, RadialHandSweepsTheAngle) {
  Proc::SettingsTransitionRadial settings;
  settings.SetDirection(Proc::TransitionRadialDirection::Uncover);
  constexpr double kHardEdge = 0.0031830988618379067;  // 1 / (100 pi)
  ExpectAtQuarterAndHalf(settings, [=](double p) -> Reference {
    return [=](Vec uv, const Sampler& first, const Sampler& second) {
      const Vec n = uv - Vec{0.5, 0.5};
      const double angle =
          std::atan(n.y / kDisplayAspect / n.x) + kPi * (std::floor(2.0 * (1.0 - uv.x)) + 0.5);
      const double s = (angle - 2.0 * kPi * p) * Length(n);
      if (s >= kHardEdge) return first(uv);
      if (s < 0.0) return second(uv);
      return Mix(second(uv), first(uv), s * 100.0 * kPi);
    };
  });
}

TEST(MidTransitionGeometry, ZoomScalesBothPicturesWhileMixing) {
  Proc::SettingsTransitionZoom settings;
  settings.SetType(Proc::TransitionZoomType::ZoomBoth);
  ExpectAtQuarterAndHalf(settings, [](double p) -> Reference {
    return [p](Vec uv, const Sampler& first, const Sampler& second) {
      const Vec centred = uv - Vec{0.5, 0.5};
      const Colour c0 = first(centred * (1.0 / (1.0 + 2.0 * p)) + Vec{0.5, 0.5});
      const Colour c1 = second(centred * (1.0 / (3.0 - 2.0 * p)) + Vec{0.5, 0.5});
      return Mix(c0, c1, p);
    };
  });
}

TEST(MidTransitionGeometry, SnakeRunsAlongAlternatingBands) {
  Proc::SettingsTransitionSnake settings;
  settings.SetBandExponent(2);
  settings.SetSmoothness(14);
  ExpectAtQuarterAndHalf(settings, [](double p) -> Reference {
    return [p](Vec uv, const Sampler& first, const Sampler& second) {
      constexpr double kEpsilon = 0.0001;
      const double thickness = std::pow(2.0, 2 + 1);
      const double smoothness = 14.0 / 7.0;
      const Vec c{uv.x, std::floor(uv.y * kHeight) / kHeight};
      const double band = std::floor(c.y * thickness);
      const bool odd = Mod(band, 2.0) == 1.0;
      const double dist = band + (odd ? 1.0 - c.x : c.x) + smoothness;
      const double z = Clamp01((dist - (thickness + smoothness) * p) / smoothness);
      if (kEpsilon < z && z < 1.0 - kEpsilon) return Mix(second(c), first(c), z);
      return z + kEpsilon > 1.0 ? first(c) : second(c);
    };
  });
}

TEST(MidTransitionGeometry, PinwheelSectorsTurnWithSwayingEdges) {
  Proc::SettingsTransitionPinwheel settings;
  settings.SetNum(5);
  settings.SetFreq(20);
  settings.SetAmpl(30);
  settings.SetSmoothness(20);
  ExpectAtQuarterAndHalf(settings, [](double p) -> Reference {
    return [p](Vec uv, const Sampler& first, const Sampler& second) {
      const double angle = 2.0 * kPi / 5.0;
      const double freq = 20.0 * kPi / 25.0;
      const double amplitude = 30.0 / 400.0;
      const double smooth = 20.0 * angle / 100.0;
      const double t = (smooth / angle + 1.0) * p;
      const Vec r{(uv.x - 0.5) * 4.0 * kAspectX, (uv.y - 0.5) * 4.0 * kAspectY};
      const double length = Length(r);
      const double a =
          Mod(std::atan2(r.y, r.x) + amplitude * std::sin(freq * length) / length, angle);
      return Mix(first(uv), second(uv), Clamp01((angle * t - a) / smooth));
    };
  });
}

TEST(MidTransitionGeometry, SmoothRippleWavesBothPicturesWhileMixing) {
  Proc::SettingsTransitionRippleSmooth settings;
  settings.SetFreq(30);
  settings.SetAmpl(40);
  ExpectAtQuarterAndHalf(settings, [](double p) -> Reference {
    return [p](Vec uv, const Sampler& first, const Sampler& second) {
      const double amplitude = (1.0 - std::abs(1.0 - 2.0 * p)) * 40.0 / 200.0;
      const double freq = 30.0 * 0.4 * kPi;
      const Vec centred = uv - Vec{0.5, 0.5};
      const double a =
          1.0 - amplitude * (1.0 + std::sin(Length(Aspect(centred)) * freq - 6.0 * kPi * p));
      const Vec c = centred * a + Vec{0.5, 0.5};
      return Mix(first(c), second(c), p);
    };
  });
}

// The hole transitions: the distance outside the hole's edge, measured in the
// size aspect from the point where the hole opens. The edge starts `reach`
// short of the point, so that at p = 0 nothing of the hole shows, and
// reaches the farthest corner at p = 1.
double OutsideHoleEdge(Vec uv, Vec point, double p, double reach) {
  const double farthest =
      std::hypot(std::max(point.x, 1.0 - point.x), std::max(point.y, 1.0 - point.y));
  return Length(Aspect(uv - point)) - (p * (farthest + reach) - reach);
}

Reference LensReference(Vec point, double p) {
  constexpr double kPullReach = 0.1;
  constexpr double kFadeReach = 0.05;
  return [=](Vec uv, const Sampler& first, const Sampler& second) {
    const double l = OutsideHoleEdge(uv, point, p, kPullReach);
    const Vec pulled = (uv - point) * ((1.0 - p) * Clamp01(l / kPullReach)) + point;
    return Mix(second(uv), first(pulled), Clamp01(l / kFadeReach * (1.0 - p)));
  };
}

TEST(MidTransitionGeometry, LensPullsTheFirstPictureIntoTheHole) {
  Proc::SettingsTransitionLens settings;
  for (const auto& [type, point] : {std::pair{Proc::TransitionLensType::Centre, Vec{0.5, 0.5}},
                                    std::pair{Proc::TransitionLensType::TopLeft, Vec{0.0, 1.0}}}) {
    settings.SetType(type);
    ExpectAtQuarterAndHalf(settings, [at = point](double p) { return LensReference(at, p); });
  }
}

Reference SpiralReference(Vec point, double p) {
  constexpr double kSwirlReach = 0.05;
  constexpr double kFadeReach = 1.0 / 300.0;
  return [=](Vec uv, const Sampler& first, const Sampler& second) {
    const double l = std::max(OutsideHoleEdge(uv, point, p, kSwirlReach), 0.0);
    const double g = std::pow(std::max(0.2 * p - (l - kSwirlReach) * (1.0 - p), 0.0) * 20.0, 2);
    const Vec d = Aspect(uv - point);
    const Vec turned{d.x * std::cos(g) - d.y * std::sin(g), d.x * std::sin(g) + d.y * std::cos(g)};
    const Vec c{turned.x / kAspectX + point.x, turned.y / kAspectY + point.y};
    return Mix(second(uv), first(c), std::min(l / kFadeReach, 1.0));
  };
}

TEST(MidTransitionGeometry, SpiralSwirlsTheFirstPictureRoundTheHole) {
  Proc::SettingsTransitionSpiral settings;
  for (const auto& [type, point] :
       {std::pair{Proc::TransitionSpiralType::Centre, Vec{0.5, 0.5}},
        std::pair{Proc::TransitionSpiralType::TopRight, Vec{1.0, 1.0}}}) {
    settings.SetType(type);
    ExpectAtQuarterAndHalf(settings, [at = point](double p) { return SpiralReference(at, p); });
  }
}

// The twist's card: a line sweeps across the picture (X is a pixel's place
// relative to it, from -1 to 1) and squeezes the card towards its middle by
// |sin(pi/2 X)|; the card shows its front until the line has passed, then
// its back, and is transparent off the card. Its edges darken within 1/800
// (straight sweeps) or 1/500 (diagonal ones) where it is squeezed.
constexpr double kTwistPi = 3.1416;  // as the shaders write it
constexpr double kStraightChamfer = 800.0;
constexpr double kDiagonalChamfer = 500.0;
constexpr double kReverseAspect = 1.0 / kDisplayAspect;

double Squeeze(double X) {
  constexpr double kEdgeOn = 1.0e-6;
  return std::max(std::abs(std::sin(kTwistPi / 2.0 * X)), kEdgeOn);
}

struct CardSides {
  const Sampler& front;
  const Sampler& back;
};

Colour Card(const CardSides& card, double X, Vec c, bool onCard, double indent) {
  if (!onCard) return Colour{};
  Colour colour = X < 0.0 ? card.back(c) : card.front(c);
  for (int channel = 0; channel < 3; ++channel) colour[channel] *= indent;
  return colour;
}

// The vertical twist: a horizontal line sweeps up, squeezing the card sideways.
Colour VerticalTwist(const CardSides& card, Vec uv, double transition) {
  const double X = std::clamp(uv.y + transition, -1.0, 1.0);
  const double k = (uv.x - 0.5) / Squeeze(X);
  const Vec c{k + 0.5, uv.y};
  const Vec moved = uv - c;
  const double deform =
      std::min(1.0, Length(Vec{moved.x * kReverseAspect, moved.y}) * kStraightChamfer);
  const double indent = 1.0 - (1.0 - std::min(1.0, std::min(c.x, 1.0 - c.x) * kReverseAspect *
                                                       kStraightChamfer * std::abs(X))) *
                                  deform;
  return Card(card, X, c, std::abs(k) <= 0.5, indent);
}

// The first diagonal twist: a line sweeps from the bottom-left corner,
// squeezing the card across the other diagonal.
Colour DiagonalTwist(const CardSides& card, Vec uv, double transition) {
  const double X = std::clamp(uv.x + uv.y + transition, -1.0, 1.0);
  const double k = 0.5 / Squeeze(X);
  const Vec centred = uv - Vec{0.5, 0.5};
  const Vec st{(0.5 + k) * centred.x + (0.5 - k) * centred.y,
               (0.5 - k) * centred.x + (0.5 + k) * centred.y};
  const Vec c = st + Vec{0.5, 0.5};
  const double deform = std::min(1.0, kDiagonalChamfer * Length(uv - c));
  const double edge = std::min(std::min(c.x, 1.0 - c.x) * kReverseAspect, std::min(c.y, 1.0 - c.y));
  const double indent =
      1.0 - (1.0 - std::min(1.0, edge * kDiagonalChamfer * std::abs(X) * (1.0 + deform))) * deform;
  return Card(card, X, c, std::max(std::abs(st.x), std::abs(st.y)) <= 0.5, indent);
}

TEST(MidTransitionGeometry, TwistTurnsThePictureLikeACard) {
  using Proc::TwistType;
  constexpr double kStraightTravel = 3.0;
  constexpr double kDiagonalTravel = 4.0;
  Proc::SettingsTransitionTwist settings;
  settings.SetType(TwistType::Vertical);
  ExpectAtQuarterAndHalf(settings, [](double p) -> Reference {
    return [p](Vec uv, const Sampler& first, const Sampler& second) {
      return VerticalTwist({first, second}, uv, 1.0 - kStraightTravel * p);
    };
  });
  // Backwards the second picture is the card's front and turns back.
  settings.SetType(TwistType::VerticalReversed);
  ExpectAtQuarterAndHalf(settings, [](double p) -> Reference {
    return [p](Vec uv, const Sampler& first, const Sampler& second) {
      return VerticalTwist({second, first}, uv, 1.0 - kStraightTravel * (1.0 - p));
    };
  });
  settings.SetType(TwistType::Diagonal1);
  ExpectAtQuarterAndHalf(settings, [](double p) -> Reference {
    return [p](Vec uv, const Sampler& first, const Sampler& second) {
      return DiagonalTwist({first, second}, uv, 1.0 - kDiagonalTravel * p);
    };
  });
}

// The smear: each picture is averaged over 20 points on a line behind each
// pixel, the last `reach` away; the first picture's smear grows to the
// longest as it leaves, the second's shrinks from it as it arrives, and the
// two are added with weights 1 - p and p (colours premultiplied by alpha).
constexpr int kSmearSamples = 20;

Colour SmearedAlong(const Sampler& picture, Vec uv, Vec reach) {
  Colour sum{};
  for (int i = 0; i < kSmearSamples; ++i) {
    const Colour colour = picture(uv - reach * (static_cast<double>(i) / (kSmearSamples - 1)));
    for (int c = 0; c < 3; ++c) sum[c] += colour[c] * colour[3] / 255.0;
    sum[3] += colour[3];
  }
  for (double& channel : sum) channel /= kSmearSamples;
  return sum;
}

// `reach(uv, amount)` is the smear of a picture smeared by `amount` (0 none,
// 1 the longest).
Reference SmearReference(double p, const std::function<Vec(Vec uv, double amount)>& reach) {
  return [=](Vec uv, const Sampler& first, const Sampler& second) {
    const Colour away = SmearedAlong(first, uv, reach(uv, p));
    const Colour in = SmearedAlong(second, uv, reach(uv, 1.0 - p));
    Colour out{};
    for (int c = 0; c < 4; ++c) out[c] = away[c] * (1.0 - p) + in[c] * p;
    if (out[3] <= 0.0) return Colour{};
    for (int c = 0; c < 3; ++c) out[c] *= 255.0 / out[3];
    return out;
  };
}

TEST(MidTransitionGeometry, SmearDrawsBothPicturesOutAlongTheirSmears) {
  constexpr double kLength = 0.3;
  Proc::SettingsTransitionSmear settings;
  settings.SetLength(kLength);
  settings.SetType(Proc::SmearType::Directional);
  settings.SetAngle(30.0);
  const Vec along{std::cos(kPi / 6.0), std::sin(kPi / 6.0)};
  ExpectAtQuarterAndHalf(settings, [&](double p) {
    return SmearReference(p, [&](Vec, double amount) { return along * (amount * kLength); });
  });
  // Away from the centre, the longest at the corners and growing with the
  // cube of the distance.
  settings.SetType(Proc::SmearType::Radial);
  ExpectAtQuarterAndHalf(settings, [&](double p) {
    return SmearReference(p, [](Vec uv, double amount) {
      const Vec fromCentre = uv - Vec{0.5, 0.5};
      const double toCorner = Length(fromCentre) / (std::numbers::sqrt2 / 2.0);
      return fromCentre * (amount * kLength * toCorner * toCorner / (std::numbers::sqrt2 / 2.0));
    });
  });
}

}  // namespace
}  // namespace Obrisk::Testing
