#include "PngWriter.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace Obrisk::Tools {

void WritePng(const Proc::DataVideoMemory& frame, const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(frame.GetFrameInfo().width);
  image.height = static_cast<png_uint_32>(frame.GetFrameInfo().height);
  const bool alpha = frame.GetPixelFormat() == Proc::PixFmt::RGBA;
  image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  // Opaque frames are written as RGB: the padding byte is dropped.
  std::vector<std::uint8_t> rgb;
  if (!alpha) {
    rgb.reserve(frame.Stride() / 4 * 3 * image.height);
    for (std::size_t i = 0; i < frame.Stride() * image.height; i += 4) {
      rgb.insert(rgb.end(), frame.Pixels() + i, frame.Pixels() + i + 3);
    }
  }
  const std::string partial = path + ".partial";
  const void* pixels = alpha ? static_cast<const void*>(frame.Pixels()) : rgb.data();
  const auto stride = static_cast<png_int_32>(alpha ? frame.Stride() : frame.Stride() / 4 * 3);
  if (!png_image_write_to_file(&image, partial.c_str(), 0, pixels, stride, nullptr)) {
    std::remove(partial.c_str());
    throw std::runtime_error("cannot write " + path + ": " + image.message);
  }
  if (std::rename(partial.c_str(), path.c_str()) != 0) {
    std::remove(partial.c_str());
    throw std::runtime_error("cannot write " + path);
  }
}

}  // namespace Obrisk::Tools
