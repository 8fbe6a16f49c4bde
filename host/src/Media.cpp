#include "obrisk/host/Media.h"

#include <array>
#include <stdexcept>

#include <fmt/format.h>

namespace Obrisk::Proc {
namespace {

using D = PixFmtDescription;
constexpr std::array kDescriptions{
    D{PixFmt::YUV420P, "yuv420p", 0, 3, 1},
    D{PixFmt::RGBX, "rgbx", D::kRgbaLayout, 1, 4},
    D{PixFmt::YUV444P, "yuv444p", 0, 3, 1},
    D{PixFmt::RGBA, "rgba", D::kRgbaLayout | D::kAlpha, 1, 4},
    D{PixFmt::BGRA, "bgra", D::kAlpha, 1, 4},
    D{PixFmt::YUVA420P, "yuva420p", D::kAlpha, 4, 1},
    D{PixFmt::YUVA444P, "yuva444p", D::kAlpha, 4, 1},
    D{PixFmt::RGBA_HALF, "rgba16f", D::kRgbaLayout | D::kAlpha, 1, 8},
};

}  // namespace

double FrameInfo::DisplayAspect() const {
  return (static_cast<double>(width) * pixelAspectNum) /
         (static_cast<double>(height) * pixelAspectDen);
}

std::string ColorSpace::ToString() const {
  return fmt::format("primaries {}, transfer {}, matrix {}, {} range", primaries, transfer, matrix,
                     fullRange ? "full" : "limited");
}

const PixFmtDescription& PixFmtDescription::Find(PixFmt format) {
  for (const auto& description : kDescriptions) {
    if (description.format == format) return description;
  }
  throw std::invalid_argument(
      fmt::format("unknown pixel format {}", static_cast<std::int32_t>(format)));
}

}  // namespace Obrisk::Proc
