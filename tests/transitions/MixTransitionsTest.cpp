// The transitions that mix, wipe or open a hole between their inputs: the
// family's shared properties for each member and direction, their ends on
// frames of odd size, and member geometry against the formulas computed on
// the CPU.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/settings/BlurSettings.h"
#include "obrisk/settings/TransitionSettings.h"
#include "transitions/TransitionTestSupport.h"

namespace Obrisk::Testing {
namespace {

using namespace Proc;

// 8-bit targets and float arithmetic: one level of rounding either way.
constexpr int kTolerance = 1;

// Every member with each of its directions or types. Where a direction plays
// another backwards, the pair is one case. Every member starts on its first
// input and ends on its second: no case is an exception.
std::vector<TransitionCase> Cases() {
  using S = SettingsTransitionWipe;
  using W = TransitionWipeDirection;
  auto wipe = [](W direction, std::int32_t softness) {
    return Make<S>([=](S& settings) {
      settings.SetDirection(direction);
      settings.SetBorderSoftness(softness);
    });
  };
  return {
      {"Crossfade", Make<SettingsTransitionCrossfade>()},
      {"FadeInFadeOut", Make<SettingsTransitionFadeInFadeOut>()},
      {"ThroughColor", Make<SettingsTransitionThroughColor>()},
      {"Flash", Make<SettingsTransitionFlash>()},
      // Blurring in is blurring out backwards.
      {"BlurOut", MakeWith(&SettingsTransitionBlur::SetDirection, TransitionBlurDirection::BlurOut),
       MakeWith(&SettingsTransitionBlur::SetDirection, TransitionBlurDirection::BlurIn)},
      {"BlurOutAndIn",
       MakeWith(&SettingsTransitionBlur::SetDirection, TransitionBlurDirection::BlurOutAndIn)},
      // Zooming the second input down is zooming the first one up backwards.
      {"ZoomFirst", MakeWith(&SettingsTransitionZoom::SetType, TransitionZoomType::ZoomFirst),
       MakeWith(&SettingsTransitionZoom::SetType, TransitionZoomType::ZoomSecond)},
      {"ZoomBoth", MakeWith(&SettingsTransitionZoom::SetType, TransitionZoomType::ZoomBoth)},
      {"Circle", MakeWith(&SettingsTransitionCircle::SetDirection, TransitionCircleDirection::Grow),
       MakeWith(&SettingsTransitionCircle::SetDirection, TransitionCircleDirection::Shrink)},
      {"Radial",
       MakeWith(&SettingsTransitionRadial::SetDirection, TransitionRadialDirection::Uncover),
       MakeWith(&SettingsTransitionRadial::SetDirection, TransitionRadialDirection::Cover)},
      {"Pinwheel", Make<SettingsTransitionPinwheel>()},
      {"PinwheelHardEdge", MakeWith(&SettingsTransitionPinwheel::SetSmoothness, std::int32_t{0})},
      // Opposite straight wipes are each other backwards.
      {"WipeFromBottom", wipe(W::FromBottom, 0), wipe(W::FromTop, 0)},
      {"WipeFromLeft", wipe(W::FromLeft, 3), wipe(W::FromRight, 3)},
      {"WipeFromBottomLeft", wipe(W::FromBottomLeft, 1), wipe(W::FromTopRight, 1)},
      {"WipeFromTopLeft", wipe(W::FromTopLeft, 0), wipe(W::FromBottomRight, 0)},
      {"WipeWedgeFromLeft", wipe(W::WedgeFromLeft, 0)},
      {"WipeWedgeFromRight", wipe(W::WedgeFromRight, 2)},
      {"SlidingDoorSideways", MakeWith(&SettingsTransitionSlidingDoor::SetDirection,
                                       TransitionSlidingDoorDirection::Sideways)},
      {"SlidingDoorUpAndDown", MakeWith(&SettingsTransitionSlidingDoor::SetDirection,
                                        TransitionSlidingDoorDirection::UpAndDown)},
      {"Snake", Make<SettingsTransitionSnake>()},
      {"SnakeHardHead", MakeWith(&SettingsTransitionSnake::SetSmoothness, std::int32_t{0})},
      {"LensBottomLeft",
       MakeWith(&SettingsTransitionLens::SetType, TransitionLensType::BottomLeft)},
      {"LensTopLeft", MakeWith(&SettingsTransitionLens::SetType, TransitionLensType::TopLeft)},
      {"LensCentre", MakeWith(&SettingsTransitionLens::SetType, TransitionLensType::Centre)},
      {"SpiralBottomLeft",
       MakeWith(&SettingsTransitionSpiral::SetType, TransitionSpiralType::BottomLeft)},
      {"SpiralTopRight",
       MakeWith(&SettingsTransitionSpiral::SetType, TransitionSpiralType::TopRight)},
      {"SpiralCentre", MakeWith(&SettingsTransitionSpiral::SetType, TransitionSpiralType::Centre)},
  };
}

INSTANTIATE_TEST_SUITE_P(MixTransitions, TransitionProperties, ::testing::ValuesIn(Cases()),
                         TransitionCaseName);

std::uint8_t Scaled(int value, int extent) {
  return static_cast<std::uint8_t>(value * 255 / std::max(extent, 1));
}

// Two pictures of any size, different in every channel and across the frame.
Ptr<DataVideoMemory> FirstOfSize(int width, int height) {
  return MakeFrame(width, height, PixFmt::RGBA, [=](int x, int y) {
    return Pixel{Scaled(x, width - 1), 40, Scaled(y, height - 1), 255};
  });
}

Ptr<DataVideoMemory> SecondOfSize(int width, int height, std::uint8_t alpha = 255) {
  return MakeFrame(width, height, PixFmt::RGBA, [=](int x, int y) {
    return Pixel{220, Scaled(height - 1 - y, height - 1),
                 static_cast<std::uint8_t>((x * 7 + y * 3) % 256), alpha};
  });
}

// A frame of odd width and height has pixels on its centre lines and at its
// very centre, where directions and distances vanish.
class MixTransitionOddFrames : public ::testing::TestWithParam<TransitionCase> {};

TEST_P(MixTransitionOddFrames, StartOnTheFirstInputAndEndOnTheSecond) {
  const auto first = FirstOfSize(63, 47);
  const auto second = SecondOfSize(63, 47);
  const auto settings = GetParam().plain();
  EXPECT_LE(MaxChannelDifference(*RunTransition(*settings, first, second, 0.0), *first),
            kTolerance);
  EXPECT_LE(MaxChannelDifference(*RunTransition(*settings, first, second, 1.0), *second),
            kTolerance);
}

INSTANTIATE_TEST_SUITE_P(MixTransitions, MixTransitionOddFrames, ::testing::ValuesIn(Cases()),
                         TransitionCaseName);

// Texture coordinates of a pixel's centre: u from the left, v from the bottom
// (the frames' rows run from the top).
double U(int x, int width) {
  return (x + 0.5) / width;
}
double V(int y, int height) {
  return 1.0 - (y + 0.5) / height;
}

std::uint8_t Level(double value) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
}

Pixel Mix(const Pixel& a, const Pixel& b, double weight) {
  Pixel mixed;
  for (int c = 0; c < 4; ++c) mixed[c] = Level(a[c] + (b[c] - a[c]) * weight);
  return mixed;
}

using Expectation = std::function<Pixel(int x, int y)>;

// Every pixel of `output` within the tolerance of `expected`; reports the
// first that is not and how many are not.
void ExpectPixels(const DataVideoMemory& output, const Expectation& expected,
                  int tolerance = kTolerance) {
  const auto& info = output.GetFrameInfo();
  int wrong = 0;
  for (int y = 0; y < info.height; ++y) {
    for (int x = 0; x < info.width; ++x) {
      const Pixel got = PixelAt(output, x, y);
      const Pixel want = expected(x, y);
      bool near = true;
      for (int c = 0; c < 4; ++c) near = near && std::abs(got[c] - want[c]) <= tolerance;
      if (!near && wrong++ == 0) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << "): got " << int{got[0]} << " "
                      << int{got[1]} << " " << int{got[2]} << " " << int{got[3]} << ", want "
                      << int{want[0]} << " " << int{want[1]} << " " << int{want[2]} << " "
                      << int{want[3]};
      }
    }
  }
  EXPECT_EQ(wrong, 0) << "pixels off";
}

TEST(MixTransitionGeometry, CrossfadeIsTheMixOfTheInputsByTheProgress) {
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  for (double p : {0.3, 0.75}) {
    SCOPED_TRACE(p);
    const auto output = RunTransition(SettingsTransitionCrossfade(), first, second, p);
    ExpectPixels(*output, [&](int x, int y) {
      return Mix(PixelAt(*first, x, y), PixelAt(*second, x, y), p);
    });
  }
}

TEST(MixTransitionGeometry, ThroughColorShowsTheKeyColourEverywhereAtTheMidpoint) {
  SettingsTransitionThroughColor settings;
  settings.SetKeyColor(0.2f, 0.6f, 0.8f, 0.4f);
  const Pixel key{Level(0.2 * 255), Level(0.6 * 255), Level(0.8 * 255), Level(0.4 * 255)};
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  ExpectPixels(*RunTransition(settings, first, second, 0.5), [&](int, int) { return key; });
  // A quarter of the way the first input is half way to the colour.
  ExpectPixels(*RunTransition(settings, first, second, 0.25),
               [&](int x, int y) { return Mix(PixelAt(*first, x, y), key, 0.5); });
}

// The second input, half transparent, over-exposed by four times the
// headroom above its brightest channel; its alpha is not exposed.
TEST(MixTransitionGeometry, FlashAddsFourTimesTheHeadroomAtTheMidpoint) {
  const auto first = FirstPicture();
  const auto second = SecondOfSize(kTransitionWidth, kTransitionHeight, 128);
  const double weight = std::pow(0.5, 0.25);
  const auto output = RunTransition(SettingsTransitionFlash(), first, second, 0.5);
  ExpectPixels(*output, [&](int x, int y) {
    const Pixel a = PixelAt(*first, x, y);
    const Pixel b = PixelAt(*second, x, y);
    const double brightest = std::max({b[0], b[1], b[2]}) / 255.0;
    Pixel mixed;
    for (int c = 0; c < 4; ++c) {
      const double exposed = c < 3 ? b[c] * (1.0 + 4.0 * (1.0 - brightest)) : b[c];
      mixed[c] = Level(a[c] + (exposed - a[c]) * weight);
    }
    return mixed;
  });
}

TEST(MixTransitionGeometry, FadeInFadeOutFadesTheAlphaOfOneInputAtATime) {
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  const SettingsTransitionFadeInFadeOut settings;
  auto withAlpha = [](Pixel pixel, double alpha) {
    pixel[3] = Level(pixel[3] * alpha);
    return pixel;
  };
  ExpectPixels(*RunTransition(settings, first, second, 0.25),
               [&](int x, int y) { return withAlpha(PixelAt(*first, x, y), 0.5); });
  ExpectPixels(*RunTransition(settings, first, second, 0.9),
               [&](int x, int y) { return withAlpha(PixelAt(*second, x, y), 0.8); });
}

Ptr<DataVideoMemory> GaussianBlurred(const Ptr<DataVideoMemory>& picture, double amount) {
  static const Ptr<EffectRegistry> registry = MakeRegistry();
  const SettingsEffectBlurGaussian settings(amount);
  Ptr<IEffect> blur = CreateEffect(*registry, settings.GetClassId());
  blur->SetSettingsObject(settings);
  return Download(blur->ProcessData({Upload(picture)}));
}

// Half way, the first input is blurred by a radius of 1.5 + 5 * 0.5 pixels
// and mixed half and half with the sharp second input.
TEST(MixTransitionGeometry, BlurOutMixesTheBlurredFirstInputIntoTheSecond) {
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  const auto blurred = GaussianBlurred(first, (1.5 + 5.0 * 0.5) / kTransitionWidth);
  SettingsTransitionBlur settings;
  settings.SetDirection(TransitionBlurDirection::BlurOut);
  ExpectPixels(*RunTransition(settings, first, second, 0.5), [&](int x, int y) {
    return Mix(PixelAt(*blurred, x, y), PixelAt(*second, x, y), 0.5);
  });
}

// The circle's radius in frame heights: the half diagonal at the end, a
// little more, and at least the soft edge (0.005) more.
double CircleRadius(double aspect, double p) {
  const double halfDiagonal = std::sqrt(aspect * aspect + 1.0) / 2.0;
  return p * std::max(halfDiagonal * 1.005, halfDiagonal + 0.005);
}

TEST(MixTransitionGeometry, CircleOpensToItsRadiusWithASoftInnerEdge) {
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  const double aspect = static_cast<double>(kTransitionWidth) / kTransitionHeight;
  const double radius = CircleRadius(aspect, 0.5);
  SettingsTransitionCircle settings;
  settings.SetDirection(TransitionCircleDirection::Grow);
  ExpectPixels(*RunTransition(settings, first, second, 0.5), [&](int x, int y) {
    const double dx = (U(x, kTransitionWidth) - 0.5) * aspect;
    const double dy = V(y, kTransitionHeight) - 0.5;
    const double d = std::hypot(dx, dy) - radius;
    const double weightOfFirst = std::clamp(d / 0.005 + 1.0, 0.0, 1.0);
    return Mix(PixelAt(*second, x, y), PixelAt(*first, x, y), weightOfFirst);
  });
}

// In a tall frame 0.5 % of the half diagonal is narrower than the soft edge:
// the full circle still has to leave the corners to the second input.
TEST(MixTransitionGeometry, CircleEndsOnTheSecondInputInTallFrames) {
  const auto first = FirstOfSize(270, 480);
  const auto second = SecondOfSize(270, 480);
  SettingsTransitionCircle settings;
  settings.SetDirection(TransitionCircleDirection::Grow);
  EXPECT_LE(MaxChannelDifference(*RunTransition(settings, first, second, 1.0), *second),
            kTolerance);
}

// At the start the hand's soft edge must not show the second input beside
// the downward ray, however narrow the pixels.
TEST(MixTransitionGeometry, RadialStartsOnTheFirstInputInWideFrames) {
  const auto first = FirstOfSize(640, 360);
  const auto second = SecondOfSize(640, 360);
  EXPECT_LE(
      MaxChannelDifference(*RunTransition(SettingsTransitionRadial(), first, second, 0.0), *first),
      kTolerance);
}

// A wipe's edge: the projection of a pixel onto the direction's axis (0 to 1
// over the frame) and where the edge ends; the second input shows by
// clamp((progress - projection) / width).
struct WipeCase {
  std::string name;
  TransitionWipeDirection direction;
  std::int32_t softness;
  std::function<double(double u, double v, double aspect)> projection;
  std::function<double(double aspect)> reach;  // the edge's travel besides its width
};

std::ostream& operator<<(std::ostream& out, const WipeCase& c) {
  return out << c.name;
}

class WipeEdge : public ::testing::TestWithParam<WipeCase> {};

TEST_P(WipeEdge, MixesOverTheEdgeWidth) {
  const WipeCase& c = GetParam();
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  const double aspect = static_cast<double>(kTransitionWidth) / kTransitionHeight;
  const double width = (c.softness + 1) / 5.0;
  SettingsTransitionWipe settings;
  settings.SetDirection(c.direction);
  settings.SetBorderSoftness(c.softness);
  for (double p : {0.3, 0.5}) {
    SCOPED_TRACE(p);
    const double progress = (c.reach(aspect) + width) * p;
    ExpectPixels(*RunTransition(settings, first, second, p), [&](int x, int y) {
      const double s =
          (progress - c.projection(U(x, kTransitionWidth), V(y, kTransitionHeight), aspect)) /
          width;
      return Mix(PixelAt(*first, x, y), PixelAt(*second, x, y), std::clamp(s, 0.0, 1.0));
    });
  }
}

double Straight(double) {
  return 1.0;
}

// The wedge from the middle of the left side: the distance from the side
// across, and from the middle line along, bent straight at the far side.
double WedgeFromLeft(double u, double v, double aspect) {
  const double across = std::abs(v - 0.5);
  const double bent = across + (0.5 - across) * u;
  return (aspect * u + bent) / (aspect + 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    MixTransitions, WipeEdge,
    ::testing::Values(
        // Softness 0 gives an edge 0.2 wide.
        WipeCase{"FromLeftSoftness0", TransitionWipeDirection::FromLeft, 0,
                 [](double u, double, double) { return u; }, Straight},
        WipeCase{"FromTopSoftness2", TransitionWipeDirection::FromTop, 2,
                 [](double, double v, double) { return 1.0 - v; }, Straight},
        WipeCase{"FromBottomLeft", TransitionWipeDirection::FromBottomLeft, 0,
                 [](double u, double v, double a) { return (a * u + v) / (a + 1.0); }, Straight},
        WipeCase{"WedgeFromLeft", TransitionWipeDirection::WedgeFromLeft, 0, WedgeFromLeft,
                 [](double a) { return (a + 0.5) / (a + 1.0); }},
        WipeCase{"WedgeFromRight", TransitionWipeDirection::WedgeFromRight, 1,
                 [](double u, double v, double a) { return WedgeFromLeft(1.0 - u, v, a); },
                 [](double a) { return (a + 0.5) / (a + 1.0); }}),
    [](const ::testing::TestParamInfo<WipeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace Obrisk::Testing
