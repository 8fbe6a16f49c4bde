// Lens distortion against its mapping computed on the CPU.
#include <stdexcept>

#include <gtest/gtest.h>

#include "effects/distort/EffectLensDistortion.h"
#include "support/ImageTestSupport.h"

namespace Obrisk::Testing {
namespace {

constexpr int kWidth = 17;
constexpr int kHeight = 9;

// The source position each output position reads: q = 2p - 1 scaled by
// f / 2, f = 2 - zoom plus the first `members` radial terms.
Mapping LensMapping(double distortion, double zoom, int members) {
  return [=](Point p) {
    const double qx = 2.0 * p[0] - 1.0;
    const double qy = 2.0 * p[1] - 1.0;
    const double r = qx * qx + qy * qy;
    double f = 2.0 - zoom;
    double term = 1.0;
    for (int i = 0; i < members; ++i) f += distortion * (term *= r);
    return Point{0.5 * (qx * f * 0.5 + 1.0), 0.5 * (qy * f * 0.5 + 1.0)};
  };
}

Image RunLens(const Proc::SettingsEffectLensDistortion& settings, const Image& input) {
  return RunAt<Ogl::EffectLensDistortion>(settings, input);
}

TEST(EffectLensDistortionTest, NoZoomAndNoMembersCopiesExactly) {
  const Image input = Numbered(kWidth, kHeight);
  EXPECT_EQ(RunLens(Proc::SettingsEffectLensDistortion(0.8, 0.0, 0), input).texels, input.texels);
}

TEST(EffectLensDistortionTest, IntensityZeroCopiesExactly) {
  Proc::SettingsEffectLensDistortion settings(0.5, 0.7, 3);
  settings.SetIntensity(0.0);
  EXPECT_TRUE(settings.IsEmpty());
  const Image input = Numbered(kWidth, kHeight);
  EXPECT_EQ(RunLens(settings, input).texels, input.texels);
}

TEST(EffectLensDistortionTest, NoMembersIsAPureZoom) {
  const Image input = Smooth(kWidth, kHeight);
  for (double zoom : {0.5, -0.6}) {
    ExpectWarp(RunLens(Proc::SettingsEffectLensDistortion(0.9, zoom, 0), input), input,
               [=](Point p) {
                 const double scale = (2.0 - zoom) / 2.0;
                 return Point{0.5 + (p[0] - 0.5) * scale, 0.5 + (p[1] - 0.5) * scale};
               });
  }
}

class LensMembersTest : public ::testing::TestWithParam<int> {};

TEST_P(LensMembersTest, FollowsTheRadialPolynomial) {
  const int members = GetParam();
  const Image input = Smooth(kWidth, kHeight);
  for (double distortion : {0.12, -0.2}) {
    ExpectWarp(RunLens(Proc::SettingsEffectLensDistortion(distortion, 0.3, members), input), input,
               LensMapping(distortion, 0.3, members));
  }
}

INSTANTIATE_TEST_SUITE_P(MemberCounts, LensMembersTest, ::testing::Values(1, 2, 3));

TEST(EffectLensDistortionTest, IntensityScalesDistortionAndZoom) {
  Proc::SettingsEffectLensDistortion settings(0.4, 0.6, 2);
  settings.SetIntensity(0.5);
  const Image input = Smooth(kWidth, kHeight);
  ExpectWarp(RunLens(settings, input), input, LensMapping(0.2, 0.3, 2));
}

TEST(EffectLensDistortionTest, RegisteredEffectDrawsTheSame) {
  const Proc::SettingsEffectLensDistortion settings(0.2, 0.1, 3);
  const Image input = Smooth(kWidth, kHeight);
  EXPECT_TRUE(Near(RunRegistered(settings, input), RunLens(settings, input)));
}

TEST(EffectLensDistortionTest, ValuesOutsideTheRangesAreRefused) {
  EXPECT_THROW(Proc::SettingsEffectLensDistortion(0.0, 0.0, 4), std::out_of_range);
  EXPECT_THROW(Proc::SettingsEffectLensDistortion(1.5, 0.0, 1), std::out_of_range);
  Proc::SettingsEffectLensDistortion settings;
  EXPECT_THROW(settings.SetIntensity(1.5), std::out_of_range);
  EXPECT_DOUBLE_EQ(settings.GetIntensity(), 1.0);
}

}  // namespace
}  // namespace Obrisk::Testing
