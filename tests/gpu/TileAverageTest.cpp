// The built-in tile-averaging program: one mean colour per tile.
#include <array>
#include <cmath>

#include <gtest/gtest.h>

#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;
using Testing::Pixel;

Pixel Source(int x, int y) {
  return Pixel{static_cast<std::uint8_t>(x * 37 + y * 11), static_cast<std::uint8_t>(x * y * 13),
               static_cast<std::uint8_t>(250 - x * 9), static_cast<std::uint8_t>(255 - y * 20)};
}

struct TileCase {
  int width;
  int height;
  int tilesX;
  int tilesY;
  double tileWidth;
  double tileHeight;
};

class TileAverageTest : public ::testing::TestWithParam<TileCase> {};

// Rows of memory frames run from the top and GPU rows from the bottom: tile
// row j of the output covers GPU rows, so the expectation counts from below.
TEST_P(TileAverageTest, EachTexelIsTheMeanOfItsTile) {
  const TileCase c = GetParam();
  auto source = Testing::Upload(Testing::MakeFrame(c.width, c.height, PixFmt::RGBA, Source));
  source->Wait();
  auto tiles = DataVideoOGL::Create({}, PixFmt::RGBA, {c.tilesX, c.tilesY, 1, 1});
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    tiles->Resolve(storage);
    ShaderProgram& program = storage.GetShaderProgram(BuiltinProgram::kTileAverage);
    program.Use();
    program.Uniform("tex0", 0);
    program.Uniform("amount", static_cast<float>(c.tilesX), static_cast<float>(c.tilesY));
    program.Uniform("tile_av_size", c.tileWidth, c.tileHeight);
    program.Uniform("rFrameSize", 1.0 / c.width, 1.0 / c.height);
    storage.FBO().Attach(tiles->FrameData()->GetFirstTexture());
    source->FrameData()->GetFirstTexture().Use(0);
    storage.Quad().Activate();
    storage.Quad().Draw(program);
  });
  auto output = DownloadFrame(tiles);
  for (int ty = 0; ty < c.tilesY; ++ty) {
    for (int tx = 0; tx < c.tilesX; ++tx) {
      std::array<double, 4> sum{};
      int count = 0;
      for (int gy = 0; gy < c.height; ++gy) {
        for (int x = 0; x < c.width; ++x) {
          const bool inX = x + 0.5 >= tx * c.tileWidth && x + 0.5 < (tx + 1) * c.tileWidth;
          const bool inY = gy + 0.5 >= ty * c.tileHeight && gy + 0.5 < (ty + 1) * c.tileHeight;
          if (!inX || !inY) continue;
          const Pixel p = Source(x, c.height - 1 - gy);
          for (int k = 0; k < 4; ++k) sum[k] += p[k];
          ++count;
        }
      }
      const Pixel got = Testing::PixelAt(*output, tx, c.tilesY - 1 - ty);
      for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(got[k], sum[k] / count, 0.51) << "tile " << tx << "," << ty << " channel " << k;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tiles, TileAverageTest,
    ::testing::Values(TileCase{8, 6, 4, 3, 2.0, 2.0},      // whole tiles
                      TileCase{7, 5, 3, 2, 7.0 / 3, 2.5},  // fractional tiles
                      TileCase{7, 5, 1, 1, 7.0, 5.0},      // one tile: the mean of all
                      TileCase{7, 5, 2, 2, 3.0, 3.0},      // tiles past the edge are cut
                      TileCase{5, 3, 5, 3, 1.0, 1.0}));    // one texel per tile: a copy

}  // namespace
}  // namespace Obrisk::Ogl
