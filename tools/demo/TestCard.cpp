#include "TestCard.h"

#include <array>
#include <cstdint>

namespace Obrisk::Tools {
namespace {

// 75% colour bars: white, yellow, cyan, green, magenta, red, blue.
constexpr std::uint8_t kBarLevel = 191;
constexpr std::array<std::array<std::uint8_t, 3>, 7> kBars{
    {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}}};
constexpr std::uint8_t kMax = 255;

void Put(Proc::DataVideoMemory& frame, int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b,
         std::uint8_t a) {
  std::uint8_t* pixel = frame.Row(y) + static_cast<std::size_t>(x) * 4;
  pixel[0] = r;
  pixel[1] = g;
  pixel[2] = b;
  pixel[3] = a;
}

std::uint8_t Ramp(int x, int width) {
  return static_cast<std::uint8_t>(width > 1 ? x * kMax / (width - 1) : 0);
}

}  // namespace

Ptr<Proc::DataVideoMemory> MakeTestCard(int width, int height) {
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{width, height, 1, 1});
  const int barsEnd = height / 2;
  const int rampEnd = height * 3 / 4;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (y < barsEnd) {
        const auto& bar = kBars[static_cast<std::size_t>(x * 7 / width)];
        Put(*frame, x, y, bar[0] * kBarLevel, bar[1] * kBarLevel, bar[2] * kBarLevel, kMax);
      } else if (y < rampEnd) {
        const std::uint8_t grey = Ramp(x, width);
        Put(*frame, x, y, grey, grey, grey, kMax);
      } else {
        Put(*frame, x, y, kMax, kMax / 2, 0, Ramp(x, width));
      }
    }
  }
  return frame;
}

}  // namespace Obrisk::Tools
