// Pictures that settings carry: PNG files read as BGRA, and shapes drawn on
// the processor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "obrisk/settings/BgraImage.h"

namespace Obrisk::Proc::SettingsImages {

// A PNG file's picture as BGRA with its alpha. std::invalid_argument for a
// file that cannot be read, or one larger than `maxSide` pixels a side
// (`what` names the picture in that message: "a sprite").
std::shared_ptr<const BgraImage> ReadPng(const std::string& path, std::int32_t maxSide,
                                         std::string_view what);

// The outline of a star with `points` points at angle `phi` (radians from
// straight up): its distance from the centre in units of the points'
// distance; the inner corners lie at `innerRatio`.
double StarRadius(double phi, int points, double innerRatio);

// Coverage of the unit square's pixel (x, y) of a `side` x `side` picture by
// `inside(u, v)` (u right, v up, both -1 to 1), from 4 x 4 samples: 0 to 1.
template <class Inside>
double Coverage(int x, int y, int side, Inside inside) {
  constexpr int kSubsamples = 4;
  const double half = side / 2.0;
  int hits = 0;
  for (int sy = 0; sy < kSubsamples; ++sy) {
    for (int sx = 0; sx < kSubsamples; ++sx) {
      const double u = (x + (sx + 0.5) / kSubsamples - half) / half;
      const double v = (half - (y + (sy + 0.5) / kSubsamples)) / half;
      if (inside(u, v)) ++hits;
    }
  }
  return static_cast<double>(hits) / (kSubsamples * kSubsamples);
}

}  // namespace Obrisk::Proc::SettingsImages
