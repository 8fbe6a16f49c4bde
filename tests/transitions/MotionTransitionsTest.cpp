// The transitions that move, warp or smear their pictures: the family's
// shared properties for each member and setting, and the geometry of the
// members where it is easy to state.
#include <cmath>
#include <functional>
#include <optional>
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

// Settings of class S, set up by `set`.
template <class S>
SettingsMaker Make(std::function<void(S&)> set = {}) {
  return [set] {
    auto settings = std::make_unique<S>();
    if (set) set(*settings);
    return std::unique_ptr<Settings>(std::move(settings));
  };
}

template <class S, class Value>
SettingsMaker MakeWith(void (S::*setter)(Value), Value value) {
  return Make<S>([setter, value](S& settings) { (settings.*setter)(value); });
}

// Every member's ends are its inputs, so no case is excused from that test.
// Two members hold their edge softening back to make it so: the cross
// softens its cut edges only once the pieces part (at p = 0 the first input
// is whole), and the spin softens the edges of its turning picture over half
// a destination pixel (at p = 1 its border pixels are whole at any size).
// The reversed cases pair each
// direction or type with the one that plays it backwards; push left and
// right (up and down) are such a pair too, as their pictures take the same
// places at p and 1 - p with the inputs exchanged.
std::vector<TransitionCase> Cases() {
  using Ripple = SettingsTransitionRipple;
  using Twist = SettingsTransitionTwist;
  using Whoosh = SettingsTransitionWhoosh;
  using Smear = SettingsTransitionSmear;
  using BarnDoor = SettingsTransitionBarnDoor;
  using Slide = SettingsTransitionSlide;
  using Push = SettingsTransitionPush;
  std::vector<TransitionCase> cases{
      {"Ripple", Make<Ripple>()},
      {"Ripple_WarpOffCentre", Make<Ripple>([](Ripple& s) {
         s.SetMode(RippleMode::Warp);
         s.SetPoint({0.2, 0.7});
       })},
      {"RippleSmooth", Make<SettingsTransitionRippleSmooth>()},
      {"Twist_Vertical", MakeWith(&Twist::SetType, TwistType::Vertical),
       MakeWith(&Twist::SetType, TwistType::VerticalReversed)},
      {"Twist_Horizontal", MakeWith(&Twist::SetType, TwistType::Horizontal),
       MakeWith(&Twist::SetType, TwistType::HorizontalReversed)},
      {"Twist_Diagonal1", MakeWith(&Twist::SetType, TwistType::Diagonal1),
       MakeWith(&Twist::SetType, TwistType::Diagonal1Reversed)},
      {"Twist_Diagonal2", MakeWith(&Twist::SetType, TwistType::Diagonal2),
       MakeWith(&Twist::SetType, TwistType::Diagonal2Reversed)},
      {"Whoosh_Right", MakeWith(&Whoosh::SetDirection, WhooshDirection::Right)},
      {"Whoosh_Left", MakeWith(&Whoosh::SetDirection, WhooshDirection::Left)},
      {"Whoosh_Up", MakeWith(&Whoosh::SetDirection, WhooshDirection::Up)},
      {"Whoosh_Down", MakeWith(&Whoosh::SetDirection, WhooshDirection::Down)},
      {"Smear_Directional", Make<Smear>([](Smear& s) { s.SetAngle(30.0); })},
      {"Smear_Radial", MakeWith(&Smear::SetType, SmearType::Radial)},
      {"BarnDoor_Horizontal", MakeWith(&BarnDoor::SetDirection, BarnDoorDirection::HorizontalOpen),
       MakeWith(&BarnDoor::SetDirection, BarnDoorDirection::HorizontalClose)},
      {"BarnDoor_Vertical", MakeWith(&BarnDoor::SetDirection, BarnDoorDirection::VerticalOpen),
       MakeWith(&BarnDoor::SetDirection, BarnDoorDirection::VerticalClose)},
      {"BarnDoor_Corners", MakeWith(&BarnDoor::SetDirection, BarnDoorDirection::CornersOpen),
       MakeWith(&BarnDoor::SetDirection, BarnDoorDirection::CornersClose)},
      {"Blinds", Make<SettingsTransitionBlinds>()},
      {"Push_Horizontal", MakeWith(&Push::SetDir, PushDirection::Left),
       MakeWith(&Push::SetDir, PushDirection::Right)},
      {"Push_Vertical", MakeWith(&Push::SetDir, PushDirection::Up),
       MakeWith(&Push::SetDir, PushDirection::Down)},
      {"Scale", MakeWith(&SettingsTransitionScale::SetType, ScaleType::Grow),
       MakeWith(&SettingsTransitionScale::SetType, ScaleType::Shrink)},
      {"Spin", MakeWith(&SettingsTransitionSpin::SetType, SpinType::SpinIn),
       MakeWith(&SettingsTransitionSpin::SetType, SpinType::SpinOut)},
      {"Cross", MakeWith(&SettingsTransitionCross::SetCross2, false)},
      {"Cross_Scrolling", MakeWith(&SettingsTransitionCross::SetCross2, true)},
  };
  for (int direction = 0; direction <= 7; ++direction) {
    cases.push_back({"Slide_" + std::to_string(direction),
                     MakeWith(&Slide::SetDirection, static_cast<SlideDirection>(direction))});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(MotionTransitions, TransitionProperties, ::testing::ValuesIn(Cases()),
                         TransitionCaseName);

// Where a pixel of the output comes from: which input, and where in it
// (rows from the top).
struct Source {
  bool second;
  int x;
  int y;
};
using Expectation = std::function<Source(int x, int y)>;

bool Inside(int x, int y) {
  return x >= 0 && x < kW && y >= 0 && y < kH;
}

void ExpectPixelsFrom(const DataVideoMemory& output, const Expectation& expected) {
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  int wrong = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const Source source = expected(x, y);
      const Pixel want = PixelAt(source.second ? *second : *first, source.x, source.y);
      const Pixel got = PixelAt(output, x, y);
      for (int c = 0; c < 4; ++c) {
        if (std::abs(want[c] - got[c]) > kTolerance && ++wrong <= 5) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << c << ": " << int(got[c])
                        << ", expected " << int(want[c]) << " of the "
                        << (source.second ? "second" : "first") << " input at (" << source.x << ", "
                        << source.y << ")";
        }
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

Ptr<DataVideoMemory> RunHalfWay(const Settings& settings) {
  return RunTransition(settings, FirstPicture(), SecondPicture(), 0.5);
}

// Half way, the second picture has come in by half a frame along each axis
// it slides on: (dx, dy) is where it stands, in pixels (rows from the top).
struct SlideCase {
  SlideDirection direction;
  int dx;
  int dy;
};

class SlideHalfWay : public ::testing::TestWithParam<SlideCase> {};

TEST_P(SlideHalfWay, ShowsTheSecondInputWhereItHasComeIn) {
  SettingsTransitionSlide settings;
  settings.SetDirection(GetParam().direction);
  const auto [direction, dx, dy] = GetParam();
  ExpectPixelsFrom(*RunHalfWay(settings), [dx, dy](int x, int y) {
    if (Inside(x - dx, y - dy)) return Source{true, x - dx, y - dy};
    return Source{false, x, y};
  });
}

INSTANTIATE_TEST_SUITE_P(
    MotionTransitions, SlideHalfWay,
    ::testing::Values(SlideCase{SlideDirection::FromLeft, -kW / 2, 0},
                      SlideCase{SlideDirection::FromRight, kW / 2, 0},
                      SlideCase{SlideDirection::FromTop, 0, -kH / 2},
                      SlideCase{SlideDirection::FromBottom, 0, kH / 2},
                      SlideCase{SlideDirection::FromBottomLeft, -kW / 2, kH / 2},
                      SlideCase{SlideDirection::FromBottomRight, kW / 2, kH / 2},
                      SlideCase{SlideDirection::FromTopLeft, -kW / 2, -kH / 2},
                      SlideCase{SlideDirection::FromTopRight, kW / 2, -kH / 2}));

// Half way, the first picture has moved out by half a frame and the second
// stands half a frame behind it.
struct PushCase {
  PushDirection direction;
  int dx;  // the first picture's move in pixels, rows from the top
  int dy;
};

class PushHalfWay : public ::testing::TestWithParam<PushCase> {};

TEST_P(PushHalfWay, ShowsBothInputsMovedByHalfAFrame) {
  SettingsTransitionPush settings;
  settings.SetDir(GetParam().direction);
  const auto [direction, dx, dy] = GetParam();
  ExpectPixelsFrom(*RunHalfWay(settings), [dx, dy](int x, int y) {
    if (Inside(x - dx, y - dy)) return Source{false, x - dx, y - dy};
    return Source{true, x + dx, y + dy};
  });
}

INSTANTIATE_TEST_SUITE_P(MotionTransitions, PushHalfWay,
                         ::testing::Values(PushCase{PushDirection::Left, -kW / 2, 0},
                                           PushCase{PushDirection::Right, kW / 2, 0},
                                           PushCase{PushDirection::Up, 0, -kH / 2},
                                           PushCase{PushDirection::Down, 0, kH / 2}));

// Along one axis of extent n, half way open: the outer quarters are the
// doors, each slid outwards by a quarter; the middle half shows behind.
std::optional<int> DoorSource(int v, int n) {
  if (v < n / 4) return v + n / 4;
  if (v >= 3 * n / 4) return v - n / 4;
  return std::nullopt;
}

struct BarnDoorCase {
  BarnDoorDirection direction;
  bool alongX;
  bool alongY;
};

class BarnDoorHalfWay : public ::testing::TestWithParam<BarnDoorCase> {};

TEST_P(BarnDoorHalfWay, ShowsTheDoorsSlidApartOverTheSecondInput) {
  SettingsTransitionBarnDoor settings;
  settings.SetDirection(GetParam().direction);
  const auto [direction, alongX, alongY] = GetParam();
  ExpectPixelsFrom(*RunHalfWay(settings), [alongX, alongY](int x, int y) {
    const std::optional<int> sx = alongX ? DoorSource(x, kW) : std::optional<int>(x);
    const std::optional<int> sy = alongY ? DoorSource(y, kH) : std::optional<int>(y);
    if (sx && sy) return Source{false, *sx, *sy};
    return Source{true, x, y};
  });
}

INSTANTIATE_TEST_SUITE_P(
    MotionTransitions, BarnDoorHalfWay,
    ::testing::Values(BarnDoorCase{BarnDoorDirection::HorizontalOpen, false, true},
                      BarnDoorCase{BarnDoorDirection::VerticalOpen, true, false},
                      BarnDoorCase{BarnDoorDirection::CornersOpen, true, true}));

TEST(TransitionScale, HalfWayTheSecondInputFillsTheMiddleAtHalfSize) {
  SettingsTransitionScale settings;
  const auto output = RunHalfWay(settings);
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const bool middle = x >= kW / 4 && x < 3 * kW / 4 && y >= kH / 4 && y < 3 * kH / 4;
      const Pixel got = PixelAt(*output, x, y);
      for (int c = 0; c < 4; ++c) {
        int want = PixelAt(*first, x, y)[c];
        if (middle) {
          // Halved by linear filtering: the mean of a 2 x 2 block.
          const int sx = 2 * (x - kW / 4);
          const int sy = 2 * (y - kH / 4);
          const int sum = PixelAt(*second, sx, sy)[c] + PixelAt(*second, sx + 1, sy)[c] +
                          PixelAt(*second, sx, sy + 1)[c] + PixelAt(*second, sx + 1, sy + 1)[c];
          want = (sum + 2) / 4;
        }
        ASSERT_LE(std::abs(got[c] - want), kTolerance)
            << "pixel (" << x << ", " << y << ") channel " << c;
      }
    }
  }
}

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
  const auto first = FirstPicture();
  const auto output = SpinHalfWay(first, false, EmptyTransparent(), true);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const Pixel got = PixelAt(*output, x, y);
      const Pixel behind = PixelAt(*first, x, y);
      for (int c = 0; c < 3; ++c) {
        ASSERT_LE(std::abs(got[c] - behind[c]), kTolerance)
            << "colour at (" << x << ", " << y << ")";
      }
      if (Near(x, y, kInsideSpin)) {
        EXPECT_LE(got[3], kTolerance) << "(" << x << ", " << y << ")";
      }
      if (!Near(x, y, kOutsideSpin)) {
        EXPECT_EQ(got[3], 255) << "(" << x << ", " << y << ")";
      }
    }
  }
}

TEST(TransitionSpin, OverAnEmptyTransparentPictureTheSpinningPictureKeepsItsOwnColours) {
  const auto second = SecondPicture();
  const auto output = SpinHalfWay(EmptyTransparent(), true, second, false);
  // Inside, the middle of the second picture at half size.
  const Pixel centre = PixelAt(*output, kW / 2, kH / 2);
  const Pixel source = PixelAt(*second, kW / 2, kH / 2);
  EXPECT_EQ(centre[3], 255);
  EXPECT_LE(std::abs(centre[0] - source[0]), kTolerance);
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
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const int v = PixelAt(frame, x, y)[0];
      if (v > 8 && v < 247) ++count;
    }
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
  const int quarter = blurred(0.25);
  const int half = blurred(0.5);
  const int threeQuarters = blurred(0.75);
  EXPECT_EQ(blurred(0.0), 0);
  EXPECT_EQ(blurred(1.0), 0);
  EXPECT_GT(quarter, 0);
  EXPECT_GT(half, quarter);
  EXPECT_GT(half, threeQuarters);
}

TEST(TransitionRipple, HalfWayTheCentreShowsTheSecondInputAndTheCornersTheFirst) {
  SettingsTransitionRipple settings;
  settings.SetPoint({0.25, 0.25});
  const auto output = RunHalfWay(settings);
  // The ring is centred a quarter in from the top-left: its inner edge has
  // passed that point, its outer edge has not reached the far corner.
  EXPECT_EQ(PixelAt(*output, kW / 4, kH / 4), PixelAt(*SecondPicture(), kW / 4, kH / 4));
  EXPECT_EQ(PixelAt(*output, kW - 1, kH - 1), PixelAt(*FirstPicture(), kW - 1, kH - 1));
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
  SettingsTransitionCross settings;
  const auto output = RunHalfWay(settings);
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  const int row = kH / 2;
  EXPECT_EQ(PixelAt(*output, 4, row), PixelAt(*first, 4 + kW / 4, row));
  EXPECT_EQ(PixelAt(*output, kW - 5, row), PixelAt(*first, kW - 5 - kW / 4, row));
  EXPECT_EQ(PixelAt(*output, kW / 2, row), PixelAt(*second, kW / 2, row));
}

TEST(TransitionCross, ScrollingTheSecondInputHasMovedUpByHalfAFrameHalfWay) {
  SettingsTransitionCross settings;
  settings.SetCross2(true);
  const auto output = RunHalfWay(settings);
  const auto second = SecondPicture();
  // Between the pieces: above the middle the second picture's lower half,
  // below it its upper half.
  EXPECT_EQ(PixelAt(*output, kW / 2, 14), PixelAt(*second, kW / 2, 14 + kH / 2));
  EXPECT_EQ(PixelAt(*output, kW / 2, 30), PixelAt(*second, kW / 2, 30 - kH / 2));
}

}  // namespace
}  // namespace Obrisk::Testing
