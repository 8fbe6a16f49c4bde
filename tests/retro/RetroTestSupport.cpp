#include "retro/RetroTestSupport.h"

namespace Obrisk::Testing {

Image RetroPattern(int width, int height) {
  return MakeImage(width, height, [](int x, int y) {
    return std::array<float, 4>{static_cast<float>((x * 37 + y * 11) % 256),
                                static_cast<float>((x * 13 + y * 71 + 40) % 256),
                                static_cast<float>((x * y * 7 + 90) % 256),
                                static_cast<float>(128 + (x * 5 + y * 3) % 128)};
  });
}

Image Flat(int width, int height, const std::array<float, 4>& colour) {
  return MakeImage(width, height, [&](int, int) { return colour; });
}

}  // namespace Obrisk::Testing
