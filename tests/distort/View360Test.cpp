// The 360-degree viewer: where a mark on the footage shows for a few views.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include <gtest/gtest.h>

#include "effects/distort/Effect360Cylindrical.h"
#include "support/ImageTestSupport.h"
#include "support/Messages.h"

namespace Obrisk::Testing {
namespace {

// Footage of one pixel per degree, grey with a red mark of 3 x 3 pixels
// around (u, v), which must lie inside the picture.
constexpr int kFootageWidth = 360;
constexpr int kFootageHeight = 180;
constexpr double kDegree = std::numbers::pi / 180.0;

Image Marked(double u, double v) {
  const int mx = static_cast<int>(u * kFootageWidth);
  const int my = static_cast<int>(v * kFootageHeight);
  return MakeImage(kFootageWidth, kFootageHeight, [=](int x, int y) {
    const bool mark = std::abs(x - mx) <= 1 && std::abs(y - my) <= 1;
    return mark ? Texel{255, 0, 0, 255} : Texel{128, 128, 128, 255};
  });
}

// The centre of the red pixels, in texture coordinates; (-1, -1) when none.
Point RedCentre(const Image& image) {
  double sx = 0.0, sy = 0.0, weight = 0.0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const Texel& t = image.At(x, y);
      const double red = std::max(0.0, double(t[0] - t[1]));
      sx += red * (x + 0.5);
      sy += red * (y + 0.5);
      weight += red;
    }
  }
  if (weight == 0.0) return {-1.0, -1.0};
  return {sx / weight / image.width, sy / weight / image.height};
}

Image View(const Image& footage, double yaw, double pitch, double zoom = 0.0) {
  Proc::SettingsEffect360Cylindrical settings;
  settings.SetView(yaw, pitch, zoom);
  return RunAt<Ogl::Effect360Cylindrical>(settings, footage);
}

struct MarkCase {
  double yaw, pitch;
  // The mark on the footage, in texture coordinates.
  double u, v;
  // Where it shows, in texture coordinates of the view.
  double x, y;
};

// Screen position of a direction `right` degrees to the right and `up`
// degrees above the middle of a 60-degree view of aspect 2.
double ScreenX(double right) {
  return 0.5 + 0.5 * std::tan(right * kDegree) / std::tan(30 * kDegree) / 2.0;
}
double ScreenY(double up) {
  return 0.5 + 0.5 * std::tan(up * kDegree) / std::tan(30 * kDegree);
}

class View360MarkTest : public ::testing::TestWithParam<MarkCase> {};

TEST_P(View360MarkTest, TheMarkShowsWhereTheViewPutsIt) {
  const MarkCase c = GetParam();
  const Point seen = RedCentre(View(Marked(c.u, c.v), c.yaw, c.pitch));
  // Within a pixel and a half of the 360-pixel-wide view.
  EXPECT_NEAR(seen[0], c.x, 1.5 / kFootageWidth);
  EXPECT_NEAR(seen[1], c.y, 1.5 / kFootageHeight);
}

// Yaw 0 faces the middle of the footage; positive yaw turns right (to larger
// u), positive pitch looks down (to smaller v). Mark centres sit on pixel
// centres of the footage: u = (x + 0.5) / 360, longitude 360 (1 - u) degrees.
INSTANTIATE_TEST_SUITE_P(
    Views, View360MarkTest,
    ::testing::Values(MarkCase{0.0, 0.0, 180.5 / 360, 90.5 / 180, 0.5, 0.5},
                      MarkCase{0.5, 0.0, 270.5 / 360, 90.5 / 180, 0.5, 0.5},
                      MarkCase{-0.5, 0.0, 90.5 / 360, 90.5 / 180, 0.5, 0.5},
                      MarkCase{0.0, 0.5, 180.5 / 360, 45.5 / 180, 0.5, 0.5},
                      MarkCase{0.0, -0.25, 180.5 / 360, 112.5 / 180, 0.5, 0.5},
                      MarkCase{0.0, 0.0, 200.5 / 360, 90.5 / 180, ScreenX(20.5), 0.5},
                      MarkCase{0.0, 0.0, 180.5 / 360, 105.5 / 180, 0.5, ScreenY(15.5)}));

TEST(Effect360CylindricalTest, DisabledPassesTheFootageThrough) {
  Proc::SettingsEffect360Cylindrical settings;
  settings.SetEnabled(false);
  EXPECT_TRUE(settings.IsEmpty());
  const Image input = Numbered(33, 17);
  EXPECT_EQ(RunAt<Ogl::Effect360Cylindrical>(settings, input).texels, input.texels);
}

TEST(Effect360CylindricalTest, LookingStraightDownShowsTheBottomOfTheFootage) {
  const Image footage = MakeImage(kFootageWidth, kFootageHeight, [](int, int y) {
    return y < 3 ? Texel{0, 0, 255, 255} : Texel{128, 128, 128, 255};
  });
  const Image view = View(footage, 0.0, 1.0);
  EXPECT_EQ(view.At(kFootageWidth / 2, kFootageHeight / 2), (Texel{0, 0, 255, 255}));
}

TEST(Effect360CylindricalTest, ZoomNarrowsTheView) {
  // A mark 19.5 degrees to the left moves outwards as the eye moves forward.
  const Image footage = Marked(160.5 / 360, 90.5 / 180);
  const double still = RedCentre(View(footage, 0.0, 0.0, 0.0))[0];
  const double zoomed = RedCentre(View(footage, 0.0, 0.0, 0.6))[0];
  EXPECT_NEAR(still, ScreenX(-19.5), 1.5 / kFootageWidth);
  EXPECT_LT(zoomed, still - 0.05);
}

TEST(Effect360CylindricalTest, AMissingCacheIsRefused) {
  Ogl::Effect360Cylindrical effect;
  EXPECT_EQ(MessageOf<std::logic_error>([&] { RunAt(effect, Numbered(8, 4), 0.0, 0.0, nullptr); }),
            "Wrong effect cache");
}

}  // namespace
}  // namespace Obrisk::Testing
