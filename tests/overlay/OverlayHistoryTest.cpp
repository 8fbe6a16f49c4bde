// The film strip's slots fed numbered frames (which past frame shows where,
// and blank slots before enough frames), and the flying objects' sprites
// where their motion puts them.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "effects/overlay/EffectFilmStrip.h"
#include "effects/overlay/EffectFlyingObjects.h"
#include "support/ImageTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Testing::Flat;
using Testing::Image;
using Testing::MaxDifference;
using Testing::RetroPattern;
using Testing::RunEffect;
using Testing::Texel;

// Frame n is flat grey 10 (n + 1), opaque.
Image Numbered(int side, int n) {
  const auto level = static_cast<float>(10 * (n + 1));
  return Flat(side, side, {level, level, level, 255.0f});
}

// Feeds frames 0 to count - 1 through one cache and returns the last output.
Image FeedNumbered(std::int32_t style, int side, int count) {
  EffectFilmStrip effect;
  Proc::SettingsEffectFilmStrip settings;
  settings.SetStyle(style);
  effect.SetSettings(settings);
  const Ptr<OglCache> cache = effect.CreateCache();
  Image output;
  for (int n = 0; n < count; ++n) {
    output = Testing::RunDirect(effect, Numbered(side, n), cache, Proc::PixFmt::RGBA);
  }
  return output;
}

// The frame number a cell shows, -1 for a transparent (blank) cell; every
// texel of the cell must agree.
int CellShows(const Image& output, int cell, int grid) {
  const int size = output.width / grid;
  const int x0 = (cell % grid) * size;
  const int y0 = (cell / grid) * size;
  const Texel first = output.At(x0, y0);
  for (int y = y0; y < y0 + size; ++y) {
    for (int x = x0; x < x0 + size; ++x) {
      EXPECT_EQ(output.At(x, y), first) << "cell " << cell << " at " << x << "," << y;
    }
  }
  if (first == Texel{0, 0, 0, 0}) return -1;
  return static_cast<int>(std::lround(first[0] / 10.0f)) - 1;
}

// Style 1: slot i in cell 15 - i shows the frame i back; the rest are blank.
TEST(FilmStripTest, GridShowsTheLastFramesNewestTopRight) {
  constexpr int kSide = 16;
  const Image output = FeedNumbered(1, kSide, 3);
  EXPECT_EQ(CellShows(output, 15, 4), 2);
  EXPECT_EQ(CellShows(output, 14, 4), 1);
  EXPECT_EQ(CellShows(output, 13, 4), 0);
  for (int cell = 0; cell < 13; ++cell) EXPECT_EQ(CellShows(output, cell, 4), -1) << cell;
}

// After more frames than slots the oldest have gone.
TEST(FilmStripTest, GridKeepsSixteenFrames) {
  const Image output = FeedNumbered(1, 16, 20);
  for (int cell = 0; cell < 16; ++cell) EXPECT_EQ(CellShows(output, cell, 4), 4 + cell) << cell;
}

// Style 2: the newest, 6, 12 and 18 frames back on their mosaic cells.
TEST(FilmStripTest, MosaicShowsFourMoments) {
  constexpr int kSide = 18;
  const Image output = FeedNumbered(2, kSide, 20);
  const auto layout = EffectFilmStrip::LayoutOf(2);
  for (int slot : {0, 6, 12, 18}) {
    for (int cell : layout.slotCells[static_cast<std::size_t>(slot)]) {
      EXPECT_EQ(CellShows(output, cell, 9), 19 - slot) << "slot " << slot << " cell " << cell;
    }
  }
}

// Before 19 frames the older moments are blank.
TEST(FilmStripTest, MosaicBlankBeforeEnoughFrames) {
  const Image output = FeedNumbered(2, 18, 7);
  const auto layout = EffectFilmStrip::LayoutOf(2);
  EXPECT_EQ(CellShows(output, layout.slotCells[0].front(), 9), 6);
  EXPECT_EQ(CellShows(output, layout.slotCells[6].front(), 9), 0);
  EXPECT_EQ(CellShows(output, layout.slotCells[12].front(), 9), -1);
  EXPECT_EQ(CellShows(output, layout.slotCells[18].front(), 9), -1);
}

TEST(FilmStripTest, MosaicCoversEveryCellOnce) {
  const auto layout = EffectFilmStrip::LayoutOf(2);
  std::vector<int> covered(81, 0);
  for (const auto& cells : layout.slotCells) {
    for (int cell : cells) ++covered[static_cast<std::size_t>(cell)];
  }
  for (int cell = 0; cell < 81; ++cell) EXPECT_EQ(covered[static_cast<std::size_t>(cell)], 1);
}

// Style 3: the current frame in all 25 cells, each the tile mean.
TEST(FilmStripTest, SingleRepeatsTheCurrentFrame) {
  const Image output = FeedNumbered(3, 20, 2);
  for (int cell = 0; cell < 25; ++cell) EXPECT_EQ(CellShows(output, cell, 5), 1) << cell;
}

// ---- Flying objects ----------------------------------------------------------

std::shared_ptr<const Proc::BgraImage> SolidSprite(std::uint8_t blue, std::uint8_t green,
                                                   std::uint8_t red) {
  auto image = std::make_shared<Proc::BgraImage>();
  image->width = 2;
  image->height = 2;
  for (int i = 0; i < 4; ++i) image->pixels.insert(image->pixels.end(), {blue, green, red, 255});
  return image;
}

Proc::SettingsEffectFlyingObjects OneStillObject() {
  Proc::SettingsEffectFlyingObjects settings;
  settings.SetObjectCount(1);
  settings.SetSize(0.3);
  settings.SetSizeVariation(0.0);
  settings.SetSpeed(0.0);
  settings.SetSpin(0.0);
  settings.SetReferenceGeometry({32, 32, 1, 1});
  settings.SetImage(SolidSprite(0, 0, 255));
  return settings;
}

// The sprite covers its centre; far from it the picture stays.
TEST(FlyingObjectsTest, DrawsTheSpriteWhereTheMotionPutsIt) {
  constexpr int kSide = 32;
  const Proc::SettingsEffectFlyingObjects settings = OneStillObject();
  const Proc::ObjectDescription object = settings.GetDescription(0, 0.0, std::sqrt(2.0));
  const Image input = Flat(kSide, kSide, {0, 0, 255, 255});
  const Image output = RunEffect<EffectFlyingObjects>(settings, input, 0.0);
  // The centre in texel rows from the bottom (y in the description runs down).
  const int cx = static_cast<int>(object.x * kSide);
  const int cy = static_cast<int>((1.0 - object.y) * kSide);
  if (cx >= 0 && cx < kSide && cy >= 0 && cy < kSide) {
    EXPECT_EQ(output.At(cx, cy), (Texel{255, 0, 0, 255}));
  }
  int red = 0;
  for (const Texel& texel : output.texels) red += texel[0] == 255.0f ? 1 : 0;
  // The square's side is 0.3 of the width at any turn: 0.09 of the area,
  // less what lies past the edges.
  EXPECT_GT(red, 0);
  EXPECT_LE(red, static_cast<int>(0.09 * kSide * kSide) + 2 * kSide);
  const Image none = RunEffect<EffectFlyingObjects>(
      [] {
        auto s = OneStillObject();
        s.SetObjectCount(0);
        return s;
      }(),
      input);
  EXPECT_EQ(MaxDifference(none, input).value, 0.0f);
}

// An image without pixels draws no sprites.
TEST(FlyingObjectsTest, EmptyImageDrawsNothing) {
  Proc::SettingsEffectFlyingObjects settings = OneStillObject();
  settings.SetImage(std::make_shared<Proc::BgraImage>());
  const Image input = RetroPattern(16, 16);
  EXPECT_EQ(MaxDifference(RunEffect<EffectFlyingObjects>(settings, input), input).value, 0.0f);
  settings.SetImage(nullptr);
  EXPECT_EQ(MaxDifference(RunEffect<EffectFlyingObjects>(settings, input), input).value, 0.0f);
}

// The mesh: one square quad per object, turned, with y scaled by the aspect.
TEST(FlyingObjectsTest, MeshQuadsAreSquareOnTheFrame) {
  Proc::SettingsEffectFlyingObjects settings;
  settings.SetObjectCount(5);
  settings.SetReferenceGeometry({1920, 1080, 1, 1});
  const PackedMesh mesh = EffectFlyingObjects::ObjectMesh(settings, {1920, 1080, 1, 1}, 2.0);
  ASSERT_EQ(mesh.QuadCount(), 5u);
  for (const auto& quad : mesh.Quads()) {
    // Sides in pixels: clip x times half the width, clip y times half the height.
    auto side = [&](int a, int b) {
      return std::hypot((quad[b].x - quad[a].x) * 960.0, (quad[b].y - quad[a].y) * 540.0);
    };
    EXPECT_NEAR(side(0, 1), side(1, 2), 1e-3 * side(0, 1));
    EXPECT_NEAR(side(0, 1), side(2, 3), 1e-3 * side(0, 1));
  }
}

// A target wider than the reference is filled: x keeps its scale, y grows.
TEST(FlyingObjectsTest, ReferenceFrameFillsTheTarget) {
  Proc::SettingsEffectFlyingObjects settings;
  settings.SetObjectCount(3);
  settings.SetReferenceGeometry({100, 100, 1, 1});
  const PackedMesh same = EffectFlyingObjects::ObjectMesh(settings, {100, 100, 1, 1}, 0.5);
  const PackedMesh wide = EffectFlyingObjects::ObjectMesh(settings, {200, 100, 1, 1}, 0.5);
  for (std::size_t q = 0; q < 3; ++q) {
    for (int v = 0; v < 4; ++v) {
      EXPECT_FLOAT_EQ(wide.Quads()[q][v].x, same.Quads()[q][v].x);
      EXPECT_FLOAT_EQ(wide.Quads()[q][v].y, 2.0f * same.Quads()[q][v].y);
    }
  }
}

}  // namespace
}  // namespace Obrisk::Ogl
