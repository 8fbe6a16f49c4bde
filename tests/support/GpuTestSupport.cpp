#include "support/GpuTestSupport.h"

#include <algorithm>
#include <stdexcept>

#include <gtest/gtest.h>
#include <glm/gtc/packing.hpp>

#include "obrisk/ogl/FrameTransfer.h"

namespace Obrisk::Testing {

Ptr<Proc::DataVideoMemory> MakeFrame(int width, int height, Proc::PixFmt format,
                                     const std::function<Pixel(int, int)>& pattern) {
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, format,
                                              Proc::FrameInfo{width, height, 1, 1});
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Pixel pixel = pattern(x, y);
      std::copy(pixel.begin(), pixel.end(), frame->Row(y) + static_cast<std::size_t>(x) * 4);
    }
  }
  return frame;
}

Ptr<Proc::DataVideoMemory> MakeTestPattern(int width, int height, Proc::PixFmt format) {
  return MakeFrame(width, height, format, [width](int x, int y) {
    const int i = y * width + x;
    return Pixel{
        static_cast<std::uint8_t>(i * 37 % 256), static_cast<std::uint8_t>(255 - i * 11 % 256),
        static_cast<std::uint8_t>(i % 2 ? 0 : 255), static_cast<std::uint8_t>(i * 53 % 256)};
  });
}

Ptr<Proc::DataVideoMemory> MakeHalfRamp(int width, int height) {
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA_HALF,
                                              Proc::FrameInfo{width, height, 1, 1});
  const float step = 1.0F / static_cast<float>(width * height - 1);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint16_t*>(frame->Row(y));
    for (int x = 0; x < width; ++x) {
      const std::uint16_t grey = glm::packHalf1x16(static_cast<float>(y * width + x) * step);
      std::fill_n(row + static_cast<std::size_t>(x) * 4, 3, grey);
      row[static_cast<std::size_t>(x) * 4 + 3] = glm::packHalf1x16(1.0F);
    }
  }
  return frame;
}

float HalfAt(const Proc::DataVideoMemory& frame, int x, int y, int channel) {
  const auto* row = reinterpret_cast<const std::uint16_t*>(frame.Row(y));
  return glm::unpackHalf1x16(row[static_cast<std::size_t>(x) * 4 + channel]);
}

Ptr<Ogl::DataVideoOGL> Upload(const Ptr<Proc::DataVideoMemory>& frame) {
  return Ogl::UploadFrame(frame);
}

Ptr<Proc::DataVideoMemory> Download(const Ptr<Proc::IData>& data) {
  auto* gpu = dynamic_cast<Ogl::DataVideoOGL*>(data.get());
  if (gpu == nullptr) throw std::logic_error("Download: not GPU data");
  return Ogl::DownloadFrame(Ptr<Ogl::DataVideoOGL>(gpu));
}

Pixel PixelAt(const Proc::DataVideoMemory& frame, int x, int y) {
  const std::uint8_t* p = frame.Row(y) + static_cast<std::size_t>(x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

void ExpectPixels(const Proc::DataVideoMemory& frame,
                  const std::function<Pixel(int, int)>& expected,
                  const std::array<int, 4>& tolerance) {
  for (int y = 0; y < frame.GetFrameInfo().height; ++y) {
    for (int x = 0; x < frame.GetFrameInfo().width; ++x) {
      const Pixel actual = PixelAt(frame, x, y);
      const Pixel wanted = expected(x, y);
      for (int c = 0; c < 4; ++c) {
        ASSERT_NEAR(actual[c], wanted[c], tolerance[c]) << x << "," << y << " channel " << c;
      }
    }
  }
}

}  // namespace Obrisk::Testing
