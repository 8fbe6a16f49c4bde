// The tile, particle and zoom transitions: the family's shared properties
// for each member and type, random patterns kept per transition object, the
// glitch's hard swap, Ken Burns' moving rectangle and the zoom blur's fixed
// centre.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame/RandomDraws.h"
#include "obrisk/settings/TransitionTileSettings.h"
#include "transitions/TransitionTestSupport.h"

namespace Obrisk::Testing {
namespace {

using namespace Proc;

constexpr int kW = kTransitionWidth;
constexpr int kH = kTransitionHeight;
constexpr int kTolerance = 1;

// Every member starts on the first input and ends on the second.
std::vector<TransitionCase> Cases() {
  using ZoomBlur = SettingsTransitionZoomBlur;
  std::vector<TransitionCase> cases{
      {"Matrix", Make<SettingsTransitionMatrix>()},
      {"Matrix_CoarseHard", Make<SettingsTransitionMatrix>([](SettingsTransitionMatrix& s) {
         s.SetDensity(1);
         s.SetSoftness(0);
       })},
      {"Pixels_Scatter", MakeWith(&SettingsTransitionPixels::SetType, PixelsType::Scatter)},
      {"Pixels_Sweep", MakeWith(&SettingsTransitionPixels::SetType, PixelsType::Sweep)},
      {"RageZoom_DiveIn", MakeWith(&SettingsTransitionRageZoom::SetType, RageZoomType::DiveIn)},
      {"RageZoom_PullBack", MakeWith(&SettingsTransitionRageZoom::SetType, RageZoomType::PullBack)},
      {"ZoomBlur_NoOverlap", MakeWith(&ZoomBlur::SetOverlap, 0.0f)},
      {"KenBurns", Make<SettingsTransitionKenBurns>()},
      {"KenBurns_Cut", MakeWith(&SettingsTransitionKenBurns::SetFade, 0.0f)},
      {"Mosaic", Make<SettingsTransitionMosaic>()},
      {"Disintegrate", Make<SettingsTransitionDisintegrate>()},
      {"Disintegrate_Coarse", MakeWith(&SettingsTransitionDisintegrate::SetNum, 1)},
      {"Pieces", Make<SettingsTransitionPieces>()},
      {"Parallax", Make<SettingsTransitionParallax>()},
      {"Parallax_Cropped", Make<SettingsTransitionParallax>(
                               [](SettingsTransitionParallax& s) { s.SetCrop(true, true); })},
  };
  for (int type = 0; type <= 3; ++type) {
    const std::string n = std::to_string(type);
    cases.push_back({"Glitch_" + n,
                     MakeWith(&SettingsTransitionGlitch::SetType, static_cast<GlitchType>(type))});
    cases.push_back(
        {"ZoomBlur_" + n, MakeWith(&ZoomBlur::SetType, static_cast<ZoomBlurType>(type))});
    cases.push_back({"Puzzle_" + n,
                     MakeWith(&SettingsTransitionPuzzle::SetType, static_cast<PuzzleType>(type))});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(TileTransitions, TransitionProperties, ::testing::ValuesIn(Cases()),
                         TransitionCaseName);

// One transition object playing several frames.
class OneTransition {
 public:
  explicit OneTransition(const Settings& settings)
      : effect_(CreateEffect(*Registry(), settings.GetClassId())) {
    effect_->SetSettingsObject(settings);
    effect_->SetProgress(TimeToProgress([this](std::int64_t) { return progress_; }));
  }

  Ptr<DataVideoMemory> At(double progress, const Ptr<DataVideoMemory>& first = FirstPicture(),
                          const Ptr<DataVideoMemory>& second = SecondPicture()) {
    progress_ = progress;
    return Download(effect_->ProcessData({Upload(first), Upload(second)}));
  }

 private:
  static const Ptr<EffectRegistry>& Registry() {
    static const Ptr<EffectRegistry> registry = MakeRegistry();
    return registry;
  }

  Ptr<IEffect> effect_;
  double progress_ = 0.0;
};

struct RandomCase {
  std::string name;
  SettingsMaker settings;
};

class RandomPattern : public ::testing::TestWithParam<RandomCase> {};

TEST_P(RandomPattern, IsKeptByOneObjectAndRedrawnForTheNext) {
  const auto settings = GetParam().settings();
  Ogl::SeedRandom(11);
  OneTransition transition(*settings);
  const auto once = transition.At(0.5);
  EXPECT_EQ(MaxChannelDifference(*once, *transition.At(0.5)), 0);
  // The generator has moved on: a new object draws another pattern.
  OneTransition next(*settings);
  EXPECT_GT(MaxChannelDifference(*once, *next.At(0.5)), 8);
  // From the same seed, the same pattern again.
  Ogl::SeedRandom(11);
  OneTransition repeated(*settings);
  EXPECT_EQ(MaxChannelDifference(*once, *repeated.At(0.5)), 0);
}

INSTANTIATE_TEST_SUITE_P(
    TileTransitions, RandomPattern,
    ::testing::Values(RandomCase{"Matrix", Make<SettingsTransitionMatrix>()},
                      RandomCase{"Pixels_Scatter", Make<SettingsTransitionPixels>()},
                      RandomCase{"Pixels_Sweep",
                                 MakeWith(&SettingsTransitionPixels::SetType, PixelsType::Sweep)},
                      RandomCase{"Mosaic", Make<SettingsTransitionMosaic>()}),
    [](const ::testing::TestParamInfo<RandomCase>& info) { return info.param.name; });

// True when the pixel is the first picture's (within rounding).
bool IsFirst(const DataVideoMemory& output, const DataVideoMemory& first, int x, int y) {
  const Pixel a = PixelAt(output, x, y);
  const Pixel b = PixelAt(first, x, y);
  for (int c = 0; c < 4; ++c) {
    if (std::abs(a[c] - b[c]) > kTolerance) return false;
  }
  return true;
}

// Cells of one column switch at moments of their own, not all together.
TEST(MatrixTest, CellsOfOneColumnSwitchAtDifferentMoments) {
  SettingsTransitionMatrix settings;
  settings.SetDensity(2);  // 10 rows of cells, 4.8 pixels high
  settings.SetSoftness(0);
  Ogl::SeedRandom(5);
  const auto first = FirstPicture();
  const auto output = OneTransition(settings).At(0.5, first);
  int mixedColumns = 0;
  for (int x = 0; x < kW; ++x) {
    int switched = 0;
    for (int y = 0; y < kH; ++y) switched += IsFirst(*output, *first, x, y) ? 0 : 1;
    if (switched > 0 && switched < kH) ++mixedColumns;
  }
  EXPECT_GT(mixedColumns, kW / 2);
}

// The broken-stream glitch swaps the pictures within 0.01 of the midpoint:
// before it most pixels are nearer the first picture, after it the second.
TEST(GlitchTest, BrokenStreamSwapsHardAtTheMidpoint) {
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  const SettingsTransitionGlitch settings = [] {
    SettingsTransitionGlitch s;
    s.SetType(GlitchType::Mpeg);
    return s;
  }();
  auto nearerFirst = [&](double progress) {
    const auto output = RunTransition(settings, first, second, progress);
    int count = 0;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        int toFirst = 0;
        int toSecond = 0;
        const Pixel o = PixelAt(*output, x, y);
        for (int c = 0; c < 3; ++c) {
          toFirst += std::abs(o[c] - PixelAt(*first, x, y)[c]);
          toSecond += std::abs(o[c] - PixelAt(*second, x, y)[c]);
        }
        count += toFirst < toSecond ? 1 : 0;
      }
    }
    return count;
  };
  EXPECT_GT(nearerFirst(0.489), kW * kH * 3 / 4);
  EXPECT_LT(nearerFirst(0.511), kW * kH / 4);
}

// ---- Ken Burns ----------------------------------------------------------

// The picture's value at texture position (u, v), rows from the top, with
// linear filtering and edges clamped, as the GPU samples it.
std::array<double, 4> Bilinear(const DataVideoMemory& picture, double u, double v) {
  const auto& info = picture.GetFrameInfo();
  const double fx = u * info.width - 0.5;
  const double fy = v * info.height - 0.5;
  const int x0 = static_cast<int>(std::floor(fx));
  const int y0 = static_cast<int>(std::floor(fy));
  const double ax = fx - x0;
  const double ay = fy - y0;
  auto at = [&](int x, int y, int c) {
    return static_cast<double>(
        PixelAt(picture, std::clamp(x, 0, info.width - 1), std::clamp(y, 0, info.height - 1))[c]);
  };
  std::array<double, 4> value{};
  for (int c = 0; c < 4; ++c) {
    value[c] = (at(x0, y0, c) * (1 - ax) + at(x0 + 1, y0, c) * ax) * (1 - ay) +
               (at(x0, y0 + 1, c) * (1 - ax) + at(x0 + 1, y0 + 1, c) * ax) * ay;
  }
  return value;
}

SettingsTransitionKenBurns KenBurns(float zoom, float fade, const DirMat& direction) {
  SettingsTransitionKenBurns settings;
  settings.SetZoom(zoom);
  settings.SetFade(fade);
  settings.SetDirection(direction);
  return settings;
}

// Before the cut the output is the first picture grown about the centre by
// 1 + p zoom: every corner has moved out by p zoom clip units.
TEST(KenBurnsTest, FirstPictureGrowsByTheZoomBeforeTheCut) {
  const DirMat spread{{{{-1.0, -1.0}, {1.0, -1.0}, {1.0, 1.0}, {-1.0, 1.0}}}};
  const double progress = 0.25;
  const double zoom = 0.8;
  const double scale = 1.0 + progress * zoom;
  const auto first = FirstPicture();
  const auto output = RunTransition(KenBurns(static_cast<float>(zoom), 0.0f, spread), first,
                                    SecondPicture(), progress);
  int wrong = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const double u = ((x + 0.5) / kW - 0.5) / scale + 0.5;
      const double v = ((y + 0.5) / kH - 0.5) / scale + 0.5;
      const auto expected = Bilinear(*first, u, v);
      const Pixel o = PixelAt(*output, x, y);
      for (int c = 0; c < 4; ++c) wrong += std::abs(o[c] - expected[c]) > 2.0 ? 1 : 0;
    }
  }
  EXPECT_EQ(wrong, 0);
}

// After the cut the second picture, panned right by (1 - p) zoom clip units
// (4 pixels here), leaves a transparent strip on the left.
TEST(KenBurnsTest, SecondPicturePansIntoPlaceAfterTheCut) {
  const DirMat right{{{{1.0, 0.0}, {1.0, 0.0}, {1.0, 0.0}, {1.0, 0.0}}}};
  const auto second = SecondPicture();
  const auto output = RunTransition(KenBurns(0.5f, 0.0f, right), FirstPicture(), second, 0.75);
  constexpr int kShift = 4;  // 0.125 clip units of 64 pixels
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const Pixel expected = x < kShift ? Pixel{0, 0, 0, 0} : PixelAt(*second, x - kShift, y);
      const Pixel o = PixelAt(*output, x, y);
      for (int c = 0; c < 4; ++c) {
        ASSERT_LE(std::abs(o[c] - expected[c]), kTolerance) << x << "," << y;
      }
    }
  }
}

TEST(KenBurnsTest, WithoutFadeCutsAtTheMidpoint) {
  const DirMat still{};
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  const auto settings = KenBurns(0.0f, 0.0f, still);
  EXPECT_LE(MaxChannelDifference(*RunTransition(settings, first, second, 0.499), *first),
            kTolerance);
  EXPECT_LE(MaxChannelDifference(*RunTransition(settings, first, second, 0.5), *second),
            kTolerance);
}

// ---- Zoom blur ----------------------------------------------------------

// Odd sizes put a pixel centre on the frame's centre, which the zoom and the
// blur keep in place.
constexpr int kOddW = 33;
constexpr int kOddH = 25;

Ptr<DataVideoMemory> OddPicture(int seed) {
  return MakeFrame(kOddW, kOddH, PixFmt::RGBA, [seed](int x, int y) {
    return Pixel{static_cast<std::uint8_t>((x * 7 + seed * 40) % 256),
                 static_cast<std::uint8_t>((y * 9 + seed * 90) % 256),
                 static_cast<std::uint8_t>((x * y + seed * 13) % 256), 255};
  });
}

TEST(ZoomBlurTest, CentrePixelIsTheInputsCentreMixed) {
  const auto first = OddPicture(1);
  const auto second = OddPicture(2);
  const Pixel a = PixelAt(*first, kOddW / 2, kOddH / 2);
  const Pixel b = PixelAt(*second, kOddW / 2, kOddH / 2);
  SettingsTransitionZoomBlur settings;  // overlap 0.2: the pictures mix from 0.4 to 0.6
  for (int type = 0; type <= 3; ++type) {
    settings.SetType(static_cast<ZoomBlurType>(type));
    for (double progress : {0.3, 0.5, 0.7}) {
      const auto output = RunTransition(settings, first, second, progress);
      const double weight = std::clamp((progress - 0.4) / 0.2, 0.0, 1.0);
      const Pixel o = PixelAt(*output, kOddW / 2, kOddH / 2);
      for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(o[c], a[c] + (b[c] - a[c]) * weight, kTolerance)
            << "type " << type << " progress " << progress << " channel " << c;
      }
      // Away from the centre the pictures move.
      EXPECT_GT(MaxChannelDifference(*output, *(progress < 0.5 ? first : second)), 8);
    }
  }
}

}  // namespace
}  // namespace Obrisk::Testing
