// Level arithmetic of the per-pixel colour effects, on the CPU.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "obrisk/effectcommon/Ranges.h"

namespace Obrisk::Proc {

// A straight line through the limited luma range: input level inBlack maps
// to outBlack and the line rises with `slope` (output levels per input
// level). Levels are on the 0 to 255 scale.
struct LumaLevelMapping {
  std::int32_t inBlack = 0;
  std::int32_t outBlack = 0;
  std::int32_t inWhite = 0;
  std::int32_t outWhite = 0;
  double slope = 1.0;
};

// The largest shift in levels that LumaLevelShift applies: with both ends
// moved inwards by it, input black and white stay 19 levels apart
// (235 - 100 and 16 + 100), so the slope stays finite and positive.
inline constexpr std::int32_t kMaxLumaShiftLevels = 100;

// The level shift of limited-range luma (MPEG_I_RANGE, lo = 16, hi = 235).
// A shift of 1.0 is 100 levels; each shift is scaled in single precision and
// truncated toward zero, then limited to +-kMaxLumaShiftLevels (NaN counts
// as no shift).
//  - black shift a > 0 lifts the output black to lo + a; a < 0 raises the
//    input black to lo - a, crushing the levels below it.
//  - white shift b > 0 lowers the input white to hi - b, bringing the levels
//    above it to white; b < 0 lowers the output white to hi + b.
// The slope is (outWhite - outBlack - 1) / (inWhite - inBlack - 1), so the
// unshifted mapping has slope 1 and maps every level to itself.
inline LumaLevelMapping LumaLevelShift(float blackShift, float whiteShift) {
  const auto levels = [](float shift) {
    if (std::isnan(shift)) return 0;
    const auto scaled = static_cast<std::int32_t>(std::clamp(shift * 100.0f, -1000.0f, 1000.0f));
    return std::clamp(scaled, -kMaxLumaShiftLevels, kMaxLumaShiftLevels);
  };
  const std::int32_t a = levels(blackShift);
  const std::int32_t b = levels(whiteShift);
  const auto lo = static_cast<std::int32_t>(MPEG_I_RANGE.first);
  const auto hi = static_cast<std::int32_t>(MPEG_I_RANGE.second);
  LumaLevelMapping mapping;
  mapping.inBlack = lo + std::max(-a, 0);
  mapping.outBlack = lo + std::max(a, 0);
  mapping.inWhite = hi - std::max(b, 0);
  mapping.outWhite = hi + std::min(b, 0);
  mapping.slope = static_cast<double>(mapping.outWhite - mapping.outBlack - 1) /
                  static_cast<double>(mapping.inWhite - mapping.inBlack - 1);
  return mapping;
}

}  // namespace Obrisk::Proc
