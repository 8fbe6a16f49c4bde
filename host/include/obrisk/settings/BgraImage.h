// A picture handed to an effect with its settings.
#pragma once

#include <cstdint>
#include <vector>

namespace Obrisk::Proc {

// 8-bit BGRA, rows from the top.
struct BgraImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;

  const std::uint8_t* Pixels() const { return pixels.empty() ? nullptr : pixels.data(); }
};

}  // namespace Obrisk::Proc
