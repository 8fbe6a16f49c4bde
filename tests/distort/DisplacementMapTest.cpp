// The displacement map: the second input moves the first's pixels.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "effects/distort/EffectDisplacementMap.h"
#include "support/GpuTestSupport.h"
#include "support/ImageTestSupport.h"
#include "support/Messages.h"

namespace Obrisk::Testing {
namespace {

constexpr int kWidth = 33;
constexpr int kHeight = 19;

Image Uniform(float r, float g, float b) {
  return MakeImage(kWidth, kHeight, [=](int, int) { return Texel{r, g, b, 255}; });
}

Image Displace(const Image& frame, const Image& map, std::int32_t intensity, float x, float y) {
  Ogl::EffectDisplacementMap effect;
  effect.SetSettings(Proc::SettingsEffectDisplacementMap(intensity, x, y));
  return RunAt(effect, frame, map, 0.0, 0.0);
}

// Moved by (dx, dy) where that stays on the frame, else in place.
Mapping Shifted(double dx, double dy) {
  return [=](Point p) {
    const Point moved{p[0] + dx, p[1] + dy};
    const bool inside = moved[0] >= 0.0 && moved[0] <= 1.0 && moved[1] >= 0.0 && moved[1] <= 1.0;
    return inside ? moved : p;
  };
}

TEST(EffectDisplacementMapTest, CentreLevelsOrNoBlueLeaveThePicture) {
  const Image frame = Numbered(kWidth, kHeight);
  EXPECT_EQ(Displace(frame, Uniform(128, 128, 255), 100, 0.01f, 0.01f).texels, frame.texels);
  EXPECT_EQ(Displace(frame, Uniform(127, 127, 255), 100, 0.01f, 0.01f).texels, frame.texels);
  EXPECT_EQ(Displace(frame, Uniform(255, 0, 0), 100, 0.01f, 0.01f).texels, frame.texels);
}

TEST(EffectDisplacementMapTest, FullRedAndGreenMoveByTheWholeShift) {
  const Image frame = Smooth(kWidth, kHeight);
  // Shift = xShift * intensity = 0.2 of the width, 0.1 of the height.
  ExpectWarp(Displace(frame, Uniform(255, 255, 255), 50, 0.004f, 0.002f), frame, Shifted(0.2, 0.1));
  ExpectWarp(Displace(frame, Uniform(0, 0, 255), 50, 0.004f, 0.002f), frame, Shifted(-0.2, -0.1));
}

TEST(EffectDisplacementMapTest, BlueAndTheLevelScaleTheShift) {
  const Image frame = Smooth(kWidth, kHeight);
  // Red 191 is 63 of 127 levels above the middle; blue 51 is a fifth.
  ExpectWarp(Displace(frame, Uniform(191, 128, 51), 100, 0.01f, 0.01f), frame,
             Shifted(1.0 * 0.2 * 63.0 / 127.0, 0.0));
}

TEST(EffectDisplacementMapTest, InputsOfDifferentSizesAreRefused) {
  auto registry = MakeRegistry();
  auto effect = CreateEffect(*registry, Proc::SettingsEffectDisplacementMap::CLASS_ID);
  Ptr<Proc::IData> frame = Upload(ToFrame(Numbered(16, 8), Proc::PixFmt::RGBA));
  Ptr<Proc::IData> map = Upload(ToFrame(Numbered(8, 8), Proc::PixFmt::RGBA));
  EXPECT_TRUE(Contains(MessageOf([&] {
                         effect->ProcessData({frame, map});
                       }),
                       "Both frames must have the same size"));
}

}  // namespace
}  // namespace Obrisk::Testing
