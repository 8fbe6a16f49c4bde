// CPU references shared by the colour-tool tests: HSL as the GPU library
// computes it, a picture of extreme and ordinary colours, and a comparison.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>

#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"

namespace Obrisk::Testing {

// R, G, B, A from 0 to 1.
using Rgba = std::array<double, 4>;
using Hsl = std::array<double, 3>;

inline Hsl ToHsl(const Rgba& c) {
  const double max = std::max({c[0], c[1], c[2]});
  const double min = std::min({c[0], c[1], c[2]});
  const double delta = max - min;
  const double l = (max + min) / 2.0;
  double h = 0.0;
  if (delta > 0.0) {
    if (max == c[0]) {
      h = std::fmod((c[1] - c[2]) / delta + 6.0, 6.0);
    } else if (max == c[1]) {
      h = (c[2] - c[0]) / delta + 2.0;
    } else {
      h = (c[0] - c[1]) / delta + 4.0;
    }
  }
  return {h / 6.0, delta > 0.0 ? delta / (1.0 - std::fabs(2.0 * l - 1.0)) : 0.0, l};
}

inline Rgba FromHsl(const Hsl& hsl, double alpha) {
  Rgba out{0.0, 0.0, 0.0, alpha};
  const double a = hsl[1] * std::min(hsl[2], 1.0 - hsl[2]);
  const double offsets[3] = {0.0, 8.0, 4.0};
  for (int i = 0; i < 3; ++i) {
    const double k = std::fmod(offsets[i] + hsl[0] * 12.0, 12.0);
    out[i] = hsl[2] - a * std::clamp(std::min(k - 3.0, 9.0 - k), -1.0, 1.0);
  }
  return out;
}

inline Rgba Mix(const Rgba& a, const Rgba& b, double t) {
  Rgba out{};
  for (int i = 0; i < 4; ++i) out[i] = a[i] + (b[i] - a[i]) * t;
  return out;
}

// Primaries, secondaries, black, white, greys, near-black and near-white
// colours first, then pseudo-random ones; 9 by 7 pixels, alpha varied.
inline Image ColourPicture() {
  static const std::vector<std::array<float, 4>> kFixed{
      {0, 0, 0, 255},       {255, 255, 255, 255}, {255, 0, 0, 255},     {0, 255, 0, 255},
      {0, 0, 255, 255},     {255, 255, 0, 255},   {0, 255, 255, 200},   {255, 0, 255, 255},
      {128, 128, 128, 255}, {64, 64, 64, 255},    {192, 192, 192, 100}, {1, 1, 1, 255},
      {2, 0, 1, 255},       {254, 254, 254, 255}, {253, 255, 250, 255}, {5, 3, 8, 255},
      {250, 245, 252, 255}, {127, 128, 129, 255}, {200, 100, 50, 255},  {30, 160, 220, 255},
      {240, 20, 120, 255},  {90, 200, 40, 255},   {16, 16, 16, 255},    {235, 235, 235, 255},
      {255, 128, 0, 255},   {128, 0, 255, 255},   {0, 128, 128, 255}};
  std::uint32_t state = 2024;
  std::size_t i = 0;
  return MakeImage(9, 7, [&](int, int) {
    if (i < kFixed.size()) return kFixed[i++];
    std::array<float, 4> texel{};
    for (float& v : texel) v = static_cast<float>((state = state * 1664525u + 1013904223u) >> 24);
    texel[3] = 255;
    return texel;
  });
}

using ColourFormula = std::function<Rgba(const Rgba&)>;

// Every pixel of `output` is the formula of its input within `tolerance`
// levels of 255 (the formula's result clamped, as an 8-bit picture stores it).
inline void ExpectColours(const Image& input, const Image& output, const ColourFormula& formula,
                          double tolerance = 1.0) {
  int failures = 0;
  for (std::size_t i = 0; i < input.texels.size() && failures < 5; ++i) {
    const auto& in = input.texels[i];
    const Rgba expected = formula({in[0] / 255.0, in[1] / 255.0, in[2] / 255.0, in[3] / 255.0});
    for (int c = 0; c < 4; ++c) {
      const double e = std::clamp(expected[c], 0.0, 1.0) * 255.0;
      if (std::fabs(output.texels[i][c] - e) > tolerance) {
        ADD_FAILURE() << "input (" << in[0] << ", " << in[1] << ", " << in[2] << ", " << in[3]
                      << ") channel " << c << " gave " << output.texels[i][c] << ", expected " << e;
        ++failures;
        break;
      }
    }
  }
}

}  // namespace Obrisk::Testing
