// The transitions that move, warp or smear their pictures: the family's
// shared properties for each member and setting, and the geometry of the
// members where it is easy to state.
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/settings/TransitionMotionSettings.h"
#include "transitions/TransitionTestSupport.h"

namespace Obrisk::Testing {
namespace {

using namespace Proc;

constexpr int kW = kTransitionWidth;
constexpr int kH = kTransitionHeight;
constexpr int kTolerance = 1;

// A setting and the one that plays it backwards.
template <class S, class Value>
TransitionCase Pair(std::string name, void (S::*setter)(Value), Value plain, Value reversed) {
  return {std::move(name), MakeWith(setter, plain), MakeWith(setter, reversed)};
}

// Every member's ends are its inputs: the cross softens its cut edges only
// once the pieces part, and the spin softens the edges of its turning
// picture over half a destination pixel, so that both hold at any size.
// Push left and right (up and down) play each other backwards too, as their
// pictures take the same places at p and 1 - p with the inputs exchanged.
std::vector<TransitionCase> Cases() {
  using Ripple = SettingsTransitionRipple;
  using Twist = SettingsTransitionTwist;
  using Whoosh = SettingsTransitionWhoosh;
  using Smear = SettingsTransitionSmear;
  using BarnDoor = SettingsTransitionBarnDoor;
  using Push = SettingsTransitionPush;
  std::vector<TransitionCase> cases{
      {"Ripple", Make<Ripple>()},
      {"Ripple_WarpOffCentre", Make<Ripple>([](Ripple& s) {
         s.SetMode(RippleMode::Warp);
         s.SetPoint({0.2, 0.7});
       })},
      {"RippleSmooth", Make<SettingsTransitionRippleSmooth>()},
      Pair("Twist_Vertical", &Twist::SetType, TwistType::Vertical, TwistType::VerticalReversed),
      Pair("Twist_Horizontal", &Twist::SetType, TwistType::Horizontal,
           TwistType::HorizontalReversed),
      Pair("Twist_Diagonal1", &Twist::SetType, TwistType::Diagonal1, TwistType::Diagonal1Reversed),
      Pair("Twist_Diagonal2", &Twist::SetType, TwistType::Diagonal2, TwistType::Diagonal2Reversed),
      {"Whoosh_Right", MakeWith(&Whoosh::SetDirection, WhooshDirection::Right)},
      {"Whoosh_Left", MakeWith(&Whoosh::SetDirection, WhooshDirection::Left)},
      {"Whoosh_Up", MakeWith(&Whoosh::SetDirection, WhooshDirection::Up)},
      {"Whoosh_Down", MakeWith(&Whoosh::SetDirection, WhooshDirection::Down)},
      {"Smear_Directional", Make<Smear>([](Smear& s) { s.SetAngle(30.0); })},
      {"Smear_Radial", MakeWith(&Smear::SetType, SmearType::Radial)},
      Pair("BarnDoor_Horizontal", &BarnDoor::SetDirection, BarnDoorDirection::HorizontalOpen,
           BarnDoorDirection::HorizontalClose),
      Pair("BarnDoor_Vertical", &BarnDoor::SetDirection, BarnDoorDirection::VerticalOpen,
           BarnDoorDirection::VerticalClose),
      Pair("BarnDoor_Corners", &BarnDoor::SetDirection, BarnDoorDirection::CornersOpen,
           BarnDoorDirection::CornersClose),
      {"Blinds", Make<SettingsTransitionBlinds>()},
      Pair("Push_Horizontal", &Push::SetDir, PushDirection::Left, PushDirection::Right),
      Pair("Push_Vertical", &Push::SetDir, PushDirection::Up, PushDirection::Down),
      Pair("Scale", &SettingsTransitionScale::SetType, ScaleType::Grow, ScaleType::Shrink),
      Pair("Spin", &SettingsTransitionSpin::SetType, SpinType::SpinIn, SpinType::SpinOut),
      {"Cross", MakeWith(&SettingsTransitionCross::SetCross2, false)},
      {"Cross_Scrolling", MakeWith(&SettingsTransitionCross::SetCross2, true)},
  };
  for (int direction = 0; direction <= 7; ++direction) {
    cases.push_back(
        {"Slide_" + std::to_string(direction),
         MakeWith(&SettingsTransitionSlide::SetDirection, static_cast<SlideDirection>(direction))});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(MotionTransitions, TransitionProperties, ::testing::ValuesIn(Cases()),
                         TransitionCaseName);

const DataVideoMemory& First() {
  static const auto picture = FirstPicture();
  return *picture;
}
const DataVideoMemory& Second() {
  static const auto picture = SecondPicture();
  return *picture;
}

bool Inside(int x, int y) {
  return x >= 0 && x < kW && y >= 0 && y < kH;
}

// The pixel the output should have at (x, y), rows from the top.
using Expectation = std::function<Pixel(int x, int y)>;

struct HalfWayCase {
  std::string name;
  SettingsMaker settings;
  Expectation expected;
};

// The second picture has come in by half a frame along each axis it slides
// on: (dx, dy) is where it stands, in pixels (rows from the top).
HalfWayCase Slide(std::string name, SlideDirection direction, int dx, int dy) {
  return {
      name, MakeWith(&SettingsTransitionSlide::SetDirection, direction), [dx, dy](int x, int y) {
        return Inside(x - dx, y - dy) ? PixelAt(Second(), x - dx, y - dy) : PixelAt(First(), x, y);
      }};
}

// The first picture has moved out by (dx, dy), half a frame, and the second
// stands half a frame behind it.
HalfWayCase Push(std::string name, PushDirection direction, int dx, int dy) {
  return {name, MakeWith(&SettingsTransitionPush::SetDir, direction), [dx, dy](int x, int y) {
            return Inside(x - dx, y - dy) ? PixelAt(First(), x - dx, y - dy)
                                          : PixelAt(Second(), x + dx, y + dy);
          }};
}

// Along one axis of extent n, half way open: the outer quarters are the
// doors, each slid outwards by a quarter; the middle half shows behind.
std::optional<int> DoorSource(int v, int n) {
  if (v < n / 4) return v + n / 4;
  if (v >= 3 * n / 4) return v - n / 4;
  return std::nullopt;
}

HalfWayCase BarnDoor(std::string name, BarnDoorDirection direction, bool alongX, bool alongY) {
  return {name, MakeWith(&SettingsTransitionBarnDoor::SetDirection, direction),
          [alongX, alongY](int x, int y) {
            const std::optional<int> sx = alongX ? DoorSource(x, kW) : std::optional<int>(x);
            const std::optional<int> sy = alongY ? DoorSource(y, kH) : std::optional<int>(y);
            return sx && sy ? PixelAt(First(), *sx, *sy) : PixelAt(Second(), x, y);
          }};
}

// The second picture fills the middle at half size, halved by linear
// filtering: the rounded mean of a 2 x 2 block.
Pixel ScaleHalfWay(int x, int y) {
  if (x < kW / 4 || x >= 3 * kW / 4 || y < kH / 4 || y >= 3 * kH / 4) return PixelAt(First(), x, y);
  const int sx = 2 * (x - kW / 4);
  const int sy = 2 * (y - kH / 4);
  Pixel mean;
  for (int c = 0; c < 4; ++c) {
    mean[c] = static_cast<std::uint8_t>(
        (PixelAt(Second(), sx, sy)[c] + PixelAt(Second(), sx + 1, sy)[c] +
         PixelAt(Second(), sx, sy + 1)[c] + PixelAt(Second(), sx + 1, sy + 1)[c] + 2) /
        4);
  }
  return mean;
}

std::vector<HalfWayCase> HalfWayCases() {
  return {Slide("Slide_FromLeft", SlideDirection::FromLeft, -kW / 2, 0),
          Slide("Slide_FromRight", SlideDirection::FromRight, kW / 2, 0),
          Slide("Slide_FromTop", SlideDirection::FromTop, 0, -kH / 2),
          Slide("Slide_FromBottom", SlideDirection::FromBottom, 0, kH / 2),
          Slide("Slide_FromBottomLeft", SlideDirection::FromBottomLeft, -kW / 2, kH / 2),
          Slide("Slide_FromBottomRight", SlideDirection::FromBottomRight, kW / 2, kH / 2),
          Slide("Slide_FromTopLeft", SlideDirection::FromTopLeft, -kW / 2, -kH / 2),
          Slide("Slide_FromTopRight", SlideDirection::FromTopRight, kW / 2, -kH / 2),
          Push("Push_Left", PushDirection::Left, -kW / 2, 0),
          Push("Push_Right", PushDirection::Right, kW / 2, 0),
          Push("Push_Up", PushDirection::Up, 0, -kH / 2),
          Push("Push_Down", PushDirection::Down, 0, kH / 2),
          BarnDoor("BarnDoor_HorizontalOpen", BarnDoorDirection::HorizontalOpen, false, true),
          BarnDoor("BarnDoor_VerticalOpen", BarnDoorDirection::VerticalOpen, true, false),
          BarnDoor("BarnDoor_CornersOpen", BarnDoorDirection::CornersOpen, true, true),
          {"Scale", Make<SettingsTransitionScale>(), ScaleHalfWay}};
}

Ptr<DataVideoMemory> RunHalfWay(const Settings& settings) {
  return RunTransition(settings, FirstPicture(), SecondPicture(), 0.5);
}

class HalfWay : public ::testing::TestWithParam<HalfWayCase> {};

TEST_P(HalfWay, ShowsEachPixelWhereTheGeometryPutsIt) {
  const auto output = RunHalfWay(*GetParam().settings());
  int wrong = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const Pixel want = GetParam().expected(x, y);
      const Pixel got = PixelAt(*output, x, y);
      for (int c = 0; c < 4; ++c) {
        if (std::abs(want[c] - got[c]) > kTolerance && ++wrong <= 5) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << c << ": " << int(got[c])
                        << ", expected " << int(want[c]);
        }
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(MotionTransitions, HalfWay, ::testing::ValuesIn(HalfWayCases()),
                         [](const auto& info) { return info.param.name; });

// Pixels whose centre lies within `radius` pixels of the frame's centre.
bool Near(int x, int y, double radius) {
  return std::hypot(x + 0.5 - kW / 2.0, y + 0.5 - kH / 2.0) < radius;
}

// Half way the spinning picture is a 32 x 24 rectangle turned about the
// centre: everything within 11 pixels of the centre lies inside it, nothing
// beyond its half diagonal of 20 pixels (21 with its soft edge).
constexpr double kInsideSpin = 11.0;
constexpr double kOutsideSpin = 21.0;

Ptr<DataVideoMemory> EmptyTransparent() {
  return MakeFrame(kW, kH, PixFmt::RGBA, [](int, int) { return Pixel{0, 0, 0, 0}; });
}

// Runs a spin, half way, with inputs whose empty transparent flags are set.
Ptr<DataVideoMemory> SpinHalfWay(const Ptr<DataVideoMemory>& first, bool firstEmpty,
                                 const Ptr<DataVideoMemory>& second, bool secondEmpty) {
  static const Ptr<EffectRegistry> registry = MakeRegistry();
  Ptr<IEffect> effect = CreateEffect(*registry, SettingsTransitionSpin::CLASS_ID);
  effect->SetProgress(TimeToProgress([](std::int64_t) { return 0.5; }));
  Ptr<Ogl::DataVideoOGL> a = Upload(first);
  Ptr<Ogl::DataVideoOGL> b = Upload(second);
  a->SetEmptyTransparentFrameFlag(firstEmpty);
  b->SetEmptyTransparentFrameFlag(secondEmpty);
  return Download(effect->ProcessData({a, b}));
}

TEST(TransitionSpin, AnEmptyTransparentPictureSpinningInCutsOnlyAlphaWithinItsShape) {
  const auto output = SpinHalfWay(FirstPicture(), false, EmptyTransparent(), true);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const Pixel got = PixelAt(*output, x, y);
      for (int c = 0; c < 3; ++c) {
        ASSERT_LE(std::abs(got[c] - PixelAt(First(), x, y)[c]), kTolerance)
            << "colour at (" << x << ", " << y << ")";
      }
      // Transparent near the centre, opaque beyond the turned picture.
      EXPECT_LE(got[3], Near(x, y, kInsideSpin) ? kTolerance : 255) << "(" << x << ", " << y << ")";
      EXPECT_GE(got[3], Near(x, y, kOutsideSpin) ? 0 : 255) << "(" << x << ", " << y << ")";
    }
  }
}

TEST(TransitionSpin, OverAnEmptyTransparentPictureTheSpinningPictureKeepsItsOwnColours) {
  const auto output = SpinHalfWay(EmptyTransparent(), true, SecondPicture(), false);
  // Inside, the middle of the second picture at half size.
  const Pixel centre = PixelAt(*output, kW / 2, kH / 2);
  EXPECT_EQ(centre[3], 255);
  EXPECT_LE(std::abs(centre[0] - PixelAt(Second(), kW / 2, kH / 2)[0]), kTolerance);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      if (!Near(x, y, kOutsideSpin)) {
        EXPECT_EQ(PixelAt(*output, x, y), (Pixel{0, 0, 0, 0})) << "(" << x << ", " << y << ")";
      }
    }
  }
}

TEST(TransitionSpin, AWideFrameEndsWithTheWholeSecondInput) {
  // Edge softening measured in texture units would leave the border columns
  // of a frame this wide part way transparent at the end.
  constexpr int kWide = 1600;
  constexpr int kLow = 8;
  const auto colour = [](std::uint8_t r) {
    return MakeFrame(kWide, kLow, PixFmt::RGBA, [r](int x, int y) {
      return Pixel{r, static_cast<std::uint8_t>(x % 256), static_cast<std::uint8_t>(y * 30), 255};
    });
  };
  const auto first = colour(10);
  const auto second = colour(240);
  SettingsTransitionSpin settings;
  EXPECT_LE(MaxChannelDifference(*RunTransition(settings, first, second, 1.0), *second),
            kTolerance);
}

// Vertical stripes, 16 pixels black and 16 white.
Ptr<DataVideoMemory> Stripes() {
  return MakeFrame(kW, kH, PixFmt::RGBA, [](int x, int) {
    const std::uint8_t v = (x / 16) % 2 == 0 ? 0 : 255;
    return Pixel{v, v, v, 255};
  });
}

// Pixels that are neither black nor white: the blur's doing.
int BlurredPixels(const DataVideoMemory& frame) {
  int count = 0;
  for (int i = 0; i < kW * kH; ++i) {
    const int v = PixelAt(frame, i % kW, i / kW)[0];
    count += v > 8 && v < 247 ? 1 : 0;
  }
  return count;
}

TEST(TransitionWhoosh, BlursMostHalfWayAndNotAtAllAtTheEnds) {
  SettingsTransitionWhoosh settings;
  settings.SetMaxMotionBlurScale(0.5);
  const auto stripes = Stripes();
  // At these progress values the strip has moved by whole pixels (3p x 64),
  // so that only the blur makes grey.
  const auto blurred = [&](double p) {
    return BlurredPixels(*RunTransition(settings, stripes, stripes, p));
  };
  const int half = blurred(0.5);
  EXPECT_EQ(blurred(0.0), 0);
  EXPECT_EQ(blurred(1.0), 0);
  EXPECT_GT(blurred(0.25), 0);
  EXPECT_GT(half, blurred(0.25));
  EXPECT_GT(half, blurred(0.75));
}

// The ring is centred a quarter in from the top-left: its inner edge has
// passed that point, its outer edge has not reached the far corner.
TEST(TransitionRipple, HalfWayTheCentreShowsTheSecondInputAndTheCornersTheFirst) {
  SettingsTransitionRipple settings;
  settings.SetPoint({0.25, 0.25});
  const auto output = RunHalfWay(settings);
  EXPECT_EQ(PixelAt(*output, kW / 4, kH / 4), PixelAt(Second(), kW / 4, kH / 4));
  EXPECT_EQ(PixelAt(*output, kW - 1, kH - 1), PixelAt(First(), kW - 1, kH - 1));
}

TEST(RelativePoint, CentreIsInTextureCoordinatesKeptInsideThePicture) {
  EXPECT_EQ((RelativePoint{0.25, 0.1}.GetCenter()), glm::dvec2(0.25, 0.9));
  EXPECT_EQ((RelativePoint{-1.0, 2.0}.GetCenter()), glm::dvec2(0.0, 0.0));
}

TEST(TransitionSmear, StepMatricesVanishAtEachClipsOwnEnd) {
  for (SmearType type : {SmearType::Directional, SmearType::Radial}) {
    SettingsTransitionSmear settings;
    settings.SetType(type);
    glm::mat3 first(1.0f);
    glm::mat3 second(1.0f);
    settings.GetMatrices(first, second, 0.0);
    EXPECT_EQ(first, glm::mat3(0.0f));
    EXPECT_NE(second, glm::mat3(0.0f));
    settings.GetMatrices(first, second, 1.0);
    EXPECT_NE(first, glm::mat3(0.0f));
    EXPECT_EQ(second, glm::mat3(0.0f));
  }
}

TEST(TransitionSmear, KeepsTheColoursOfTranslucentInputs) {
  // The smear sums colours premultiplied by alpha; the output is straight
  // again, so a translucent input comes out unchanged at its end.
  const auto translucent = MakeFrame(kW, kH, PixFmt::RGBA, [](int x, int y) {
    return Pixel{200, static_cast<std::uint8_t>(x * 3), static_cast<std::uint8_t>(y * 5),
                 static_cast<std::uint8_t>(20 + x)};
  });
  SettingsTransitionSmear settings;
  EXPECT_LE(MaxChannelDifference(*RunTransition(settings, translucent, SecondPicture(), 0.0),
                                 *translucent),
            kTolerance);
  EXPECT_LE(MaxChannelDifference(*RunTransition(settings, FirstPicture(), translucent, 1.0),
                                 *translucent),
            kTolerance);
}

TEST(TransitionCross, HalfWayThePiecesHaveMovedOutByAQuarterFrame) {
  const auto output = RunHalfWay(SettingsTransitionCross());
  const int row = kH / 2;
  EXPECT_EQ(PixelAt(*output, 4, row), PixelAt(First(), 4 + kW / 4, row));
  EXPECT_EQ(PixelAt(*output, kW - 5, row), PixelAt(First(), kW - 5 - kW / 4, row));
  EXPECT_EQ(PixelAt(*output, kW / 2, row), PixelAt(Second(), kW / 2, row));
}

TEST(TransitionCross, ScrollingTheSecondInputHasMovedUpByHalfAFrameHalfWay) {
  SettingsTransitionCross settings;
  settings.SetCross2(true);
  const auto output = RunHalfWay(settings);
  // Between the pieces: above the middle the second picture's lower half,
  // below it its upper half.
  EXPECT_EQ(PixelAt(*output, kW / 2, 14), PixelAt(Second(), kW / 2, 14 + kH / 2));
  EXPECT_EQ(PixelAt(*output, kW / 2, 30), PixelAt(Second(), kW / 2, 30 - kH / 2));
}

}  // namespace
}  // namespace Obrisk::Testing
