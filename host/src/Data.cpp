#include "obrisk/host/Data.h"

#include <stdexcept>

#include <fmt/format.h>

namespace Obrisk::Proc {

DataVideoMemory::DataVideoMemory(const ColorSpace& colorSpace, PixFmt format, const FrameInfo& info)
    : DataVideoBase(colorSpace, format, info) {
  if (format != PixFmt::RGBA && format != PixFmt::RGBX && format != PixFmt::BGRA &&
      format != PixFmt::RGBA_HALF) {
    throw std::invalid_argument(
        fmt::format("DataVideoMemory holds 8-bit RGBA, RGBX or BGRA or 16-bit float RGBA, not {}",
                    PixFmtDescription::Find(format).name));
  }
  if (info.width <= 0 || info.height <= 0) {
    throw std::invalid_argument(
        fmt::format("DataVideoMemory: invalid frame size {}x{}", info.width, info.height));
  }
  stride_ = static_cast<std::size_t>(info.width) * PixFmtDescription::Find(format).bytesPerPixel;
  pixels_.resize(stride_ * static_cast<std::size_t>(info.height));
}

}  // namespace Obrisk::Proc
