// The overlay settings a user supplies: the marker's list of boxes (JSON
// list or its text, checks and messages), the sprite from a PNG file or the
// built-in star, and the flying objects' seeded motion.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>
#include <png.h>

#include "obrisk/host/Property.h"
#include "obrisk/settings/OverlaySettings.h"
#include "support/Messages.h"
#include "support/PngFile.h"

namespace Obrisk::Proc {
namespace {

// ---- Tracking marker boxes ---------------------------------------------------

TEST(AimSettingsTest, BoxesFromAChainFileList) {
  SettingsEffectAim settings;
  settings.Deserialize(Property::FromJson(R"({"type": 1, "boxes": [
      {"start": 0.5, "duration": 0.04, "x": 0.1, "y": 0.2, "width": 0.3, "height": 0.4},
      {"start": 0.54, "duration": 0.04, "x": 0.15}]})"));
  EXPECT_EQ(settings.GetType(), 1);
  ASSERT_EQ(settings.GetBoxes().size(), 2u);
  const auto& tracked = settings.GetBBoxStream()->GetResult();
  ASSERT_EQ(tracked.size(), 2u);
  EXPECT_EQ(tracked[0], (TrackedBox{500000, 40000, 0.1, 0.2, 0.3, 0.4}));
  EXPECT_EQ(tracked[1].start, 540000);
  EXPECT_EQ(tracked[1].x, 0.15);
  // Fields left out keep the defaults.
  EXPECT_EQ(tracked[1].width, AimBox().width);
}

// The command line hands the list over as JSON text.
TEST(AimSettingsTest, BoxesFromJsonText) {
  SettingsEffectAim settings;
  Property property;
  property.SetChild("boxes", Property(std::string(R"([{"start": 2, "duration": 1}])")));
  settings.Deserialize(property);
  ASSERT_EQ(settings.GetBoxes().size(), 1u);
  EXPECT_EQ(settings.GetBBoxStream()->GetResult()[0].start, 2000000);
}

TEST(AimSettingsTest, RoundTripKeepsTheBoxes) {
  SettingsEffectAim settings;
  settings.SetBoxes({{1.0, 2.0, 0.1, 0.1, 0.2, 0.2}, {3.0, 0.5, 0.5, 0.5, 0.1, 0.1}});
  SettingsEffectAim copy;
  copy.Deserialize(Property::FromJson(settings.Serialize().ToJson()));
  EXPECT_EQ(copy.GetBoxes(), settings.GetBoxes());
  EXPECT_TRUE(copy.IsEqualTo(settings));
  copy.SetBoxes({});
  EXPECT_FALSE(copy.IsEqualTo(settings));
  EXPECT_TRUE(copy.IsEmpty());
}

TEST(AimSettingsTest, BadBoxesAreRefusedAndChangeNothing) {
  SettingsEffectAim settings;
  const auto before = settings.GetBoxes();
  const std::string message = Testing::MessageOf<std::invalid_argument>([&] {
    settings.Deserialize(Property::FromJson(R"({"type": 1, "boxes": [{"left": 0.1}]})"));
  });
  for (const char* part : {"boxes[0]", "'left'", "start, duration, x, y, width, height"}) {
    EXPECT_TRUE(Testing::Contains(message, part));
  }
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"boxes": [{"duration": -1}]})")),
               std::out_of_range);
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"boxes": {"x": 1}})")),
               std::invalid_argument);
  EXPECT_THROW(settings.SetBoxes({{0.0, 1.0, 0.0, 0.0, 5.0, 0.1}}), std::out_of_range);
  EXPECT_EQ(settings.GetBoxes(), before);
  EXPECT_EQ(settings.GetType(), 0);
}

TEST(AimSettingsTest, ParametersListTheBoxes) {
  const auto& parameters = SettingsEffectAim().GetParameters();
  ASSERT_FALSE(parameters.empty());
  EXPECT_EQ(parameters.back().name, "boxes");
  EXPECT_NE(parameters.back().description.find("JSON list"), std::string::npos);
}

// ---- Sprite ------------------------------------------------------------------

TEST(SpriteTest, PngFileFromTheSetting) {
  const Testing::PngFile file(5, 3);
  SettingsEffectFlyingObjects settings;
  Property property;
  property.SetChild("sprite", Property(file.Path()));
  settings.Deserialize(property);
  const auto& image = settings.GetImage();
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 5);
  EXPECT_EQ(image->height, 3);
  // BGRA with the alpha kept.
  ASSERT_EQ(image->pixels.size(), 5u * 3u * 4u);
  EXPECT_EQ(image->pixels[0], 0);
  EXPECT_EQ(image->pixels[2], 255);
  EXPECT_EQ(image->pixels[3], 128);
  EXPECT_EQ(settings.Serialize().ToJson().find(R"("sprite")") != std::string::npos, true);
}

TEST(SpriteTest, UnreadableFileIsRefusedAndChangesNothing) {
  SettingsEffectFlyingObjects settings;
  const auto before = settings.GetImage();
  const std::string message = Testing::MessageOf<std::invalid_argument>([&] {
    settings.Deserialize(Property::FromJson(R"({"count": 3, "sprite": "no/such/star.png"})"));
  });
  EXPECT_TRUE(Testing::Contains(message, "SettingsEffectFlyingObjects: sprite"));
  EXPECT_TRUE(Testing::Contains(message, "no/such/star.png"));
  EXPECT_THROW(settings.SetSprite("no/such/star.png"), std::invalid_argument);
  EXPECT_EQ(settings.GetImage(), before);
  EXPECT_EQ(settings.GetObjectCount(), 24);
  EXPECT_EQ(settings.GetSprite(), "");
}

TEST(SpriteTest, OversizedFileIsRefused) {
  const Testing::PngFile file(SettingsEffectFlyingObjects::kMaxSpriteSide + 1, 1);
  SettingsEffectFlyingObjects settings;
  EXPECT_THROW(settings.SetSprite(file.Path()), std::invalid_argument);
}

// Without a file the sprite is a star: opaque in the middle, clear in the
// corners.
TEST(SpriteTest, BuiltInStarByDefault) {
  SettingsEffectFlyingObjects settings;
  const auto& image = settings.GetImage();
  ASSERT_TRUE(image);
  ASSERT_GT(image->width, 8);
  const auto alpha = [&](int x, int y) {
    return image->pixels[(static_cast<std::size_t>(y) * image->width + x) * 4 + 3];
  };
  EXPECT_EQ(alpha(image->width / 2, image->height / 2), 255);
  EXPECT_EQ(alpha(0, 0), 0);
  EXPECT_EQ(alpha(image->width - 1, image->height - 1), 0);
  // The top point lies on the centre line.
  EXPECT_EQ(alpha(image->width / 2, 2), 255);
  // Setting the sprite back to empty gives the star again.
  settings.SetSprite("");
  EXPECT_EQ(settings.GetImage(), image);
}

// ---- Motion --------------------------------------------------------------------

TEST(FlyingMotionTest, RepeatsForASeedAndDiffersAcrossSeeds) {
  SettingsEffectFlyingObjects a;
  SettingsEffectFlyingObjects b;
  const double diagonal = std::hypot(16.0 / 9.0, 1.0);
  for (int i = 0; i < 10; ++i) {
    const ObjectDescription first = a.GetDescription(i, 3.0, diagonal);
    const ObjectDescription second = b.GetDescription(i, 3.0, diagonal);
    EXPECT_EQ(first.x, second.x);
    EXPECT_EQ(first.angle, second.angle);
  }
  b.SetSeed(2);
  EXPECT_NE(a.GetDescription(0, 3.0, diagonal).x, b.GetDescription(0, 3.0, diagonal).x);
}

// At the set speed and direction, objects move between speed / 2 and 3
// speed / 2 frame diagonals a second (here in half a second, on a square
// frame whose width is one height), and stay within reach of the frame.
TEST(FlyingMotionTest, FliesInTheDirectionAndWraps) {
  SettingsEffectFlyingObjects settings;
  settings.SetDirection(0.0);
  settings.SetSpeed(0.1);
  settings.SetSpin(0.0);
  const double diagonal = std::sqrt(2.0);  // a square frame
  for (int i = 0; i < 20; ++i) {
    const ObjectDescription start = settings.GetDescription(i, 0.0, diagonal);
    const ObjectDescription later = settings.GetDescription(i, 0.5, diagonal);
    EXPECT_EQ(later.y, start.y);
    EXPECT_EQ(later.angle, start.angle);
    const double moved = later.x - start.x;
    // The span an object wraps over: the frame and half its diagonal either side.
    const double reach = 1.0 + std::sqrt(2.0) * start.size;
    const double forward = moved < 0.0 ? moved + reach : moved;
    EXPECT_GE(forward, 0.025 * diagonal - 1e-9) << i;
    EXPECT_LE(forward, 0.075 * diagonal + 1e-9) << i;
    for (double time : {0.0, 7.0, 1000.0}) {
      const ObjectDescription object = settings.GetDescription(i, time, diagonal);
      EXPECT_GE(object.x, -object.size);
      EXPECT_LT(object.x, 1.0 + object.size);
      EXPECT_LE(object.size, settings.GetSize());
      EXPECT_GE(object.size, settings.GetSize() * (1.0 - settings.GetSizeVariation()));
    }
  }
}

TEST(FlyingMotionTest, StillWithoutSpeedAndSpin) {
  SettingsEffectFlyingObjects settings;
  settings.SetSpeed(0.0);
  settings.SetSpin(0.0);
  const ObjectDescription at0 = settings.GetDescription(3, 0.0, 2.0);
  const ObjectDescription at9 = settings.GetDescription(3, 9.0, 2.0);
  EXPECT_EQ(at0.x, at9.x);
  EXPECT_EQ(at0.y, at9.y);
  EXPECT_EQ(at0.angle, at9.angle);
}

}  // namespace
}  // namespace Obrisk::Proc
