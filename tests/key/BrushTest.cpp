// The brush-stroke transition under the properties every transition has,
// its strokes mid-way, and the colour brush that paints a picture in with it.
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"
#include "obrisk/settings/BrushSettings.h"
#include "support/GpuTestSupport.h"
#include "transitions/TransitionTestSupport.h"

namespace Obrisk::Testing {
namespace {

using Proc::SettingsEffectColorBrush;
using Proc::SettingsTransitionWaterbrush;

SettingsMaker Brush(SettingsTransitionWaterbrush::Type type, std::int32_t angle,
                    std::int32_t rough) {
  return [=] {
    auto settings = std::make_unique<SettingsTransitionWaterbrush>();
    settings->SetType(type);
    settings->SetAngle(angle);
    settings->SetRough(rough);
    return settings;
  };
}

std::vector<TransitionCase> Cases() {
  using T = SettingsTransitionWaterbrush;
  return {
      {"QuickStrokes", Brush(T::kQuickStrokes, 80, 40)},
      {"QuickStrokesAcross", Brush(T::kQuickStrokes, 0, 0)},
      {"QuickStrokesSlanted", Brush(T::kQuickStrokes, 215, 100)},
      // Long strokes are under way at the start and not quite done at the end.
      {"LongStrokes", Brush(T::kLongStrokes, 30, 60), nullptr, false},
  };
}

INSTANTIATE_TEST_SUITE_P(Waterbrush, TransitionProperties, ::testing::ValuesIn(Cases()),
                         TransitionCaseName);

// Mid-way, part of the picture is painted and part is not; every pixel is
// the first picture, the second, or a mix of the two where paint is thin.
TEST(Waterbrush, MidWaySomeStrokesArePaintedAndOthersNot) {
  const auto first = FirstPicture();
  const auto second = SecondPicture();
  SettingsTransitionWaterbrush settings;
  settings.SetRough(0);
  const auto output = RunTransition(settings, first, second, 0.5);
  int fromFirst = 0;
  int fromSecond = 0;
  for (int y = 0; y < kTransitionHeight; ++y) {
    for (int x = 0; x < kTransitionWidth; ++x) {
      const Pixel out = PixelAt(*output, x, y);
      if (out == PixelAt(*first, x, y)) {
        ++fromFirst;
      } else if (out == PixelAt(*second, x, y)) {
        ++fromSecond;
      }
    }
  }
  EXPECT_GT(fromFirst, 0);
  EXPECT_GT(fromSecond, 0);
  EXPECT_EQ(fromFirst + fromSecond, kTransitionWidth * kTransitionHeight);
}

TEST(Waterbrush, TheSameFrameTwiceGivesTheSameStrokes) {
  SettingsTransitionWaterbrush settings;
  const auto a = RunTransition(settings, FirstPicture(), SecondPicture(), 0.4);
  const auto b = RunTransition(settings, FirstPicture(), SecondPicture(), 0.4);
  EXPECT_EQ(MaxChannelDifference(*a, *b), 0);
}

// The colour brush at `progress` through the host's interface.
Image RunBrush(const SettingsEffectColorBrush& settings, const Image& input, double progress) {
  Ptr<Proc::IEffect> effect = MakeEffect(settings);
  effect->SetProgress(Proc::TimeToProgress([progress](std::int64_t) { return progress; }));
  return ToImage(*Download(effect->ProcessData({Upload(ToFrame(input, Proc::PixFmt::RGBA))})));
}

Image Picture() {
  return MakeImage(24, 16, [](int x, int y) {
    return std::array<float, 4>{float(x * 10), float(y * 15), float((x * y) % 256), 255};
  });
}

TEST(ColorBrush, StartsOnTheGreySketchAndEndsOnThePicture) {
  SettingsEffectColorBrush settings;
  settings.SetMode(SettingsEffectColorBrush::kGrey);
  const Image input = Picture();
  const Image start = RunBrush(settings, input, 0.0);
  for (int y = 0; y < input.height; ++y) {
    for (int x = 0; x < input.width; ++x) {
      const auto& in = input.At(x, y);
      const double grey = 0.2126 * in[0] + 0.7152 * in[1] + 0.0722 * in[2];
      for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(start.At(x, y)[c], in[c] + (grey - in[c]) * 0.75, 1.0) << x << ", " << y;
      }
    }
  }
  EXPECT_LE(MaxDifference(RunBrush(settings, input, 1.0), input).value, 1.0f);
}

TEST(ColorBrush, ThePencilSketchIsDarkEdgesOnWhite) {
  SettingsEffectColorBrush settings;
  const Image flat = MakeImage(16, 8, [](int, int) {
    return std::array<float, 4>{40, 90, 160, 255};
  });
  const Image sketch = RunBrush(settings, flat, 0.0);
  for (const auto& texel : sketch.texels)
    EXPECT_EQ(texel, (std::array<float, 4>{255, 255, 255, 255}));
}

TEST(ColorBrush, IntensityMixesWithThePicture) {
  SettingsEffectColorBrush settings;
  settings.SetMode(SettingsEffectColorBrush::kGrey);
  settings.SetIntensity(0.5f);
  const Image input = Picture();
  const Image half = RunBrush(settings, input, 0.0);
  const auto& in = input.At(5, 7);
  const double grey = 0.2126 * in[0] + 0.7152 * in[1] + 0.0722 * in[2];
  EXPECT_NEAR(half.At(5, 7)[0], in[0] + (grey - in[0]) * 0.375, 1.5);
}

}  // namespace
}  // namespace Obrisk::Testing
