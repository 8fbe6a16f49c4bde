#include "SettingsImages.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

#include <fmt/format.h>
#include <png.h>

namespace Obrisk::Proc::SettingsImages {

std::shared_ptr<const BgraImage> ReadPng(const std::string& path, std::int32_t maxSide,
                                         std::string_view what) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
    throw std::invalid_argument(fmt::format("cannot read '{}': {}", path, png.message));
  }
  const auto limit = static_cast<png_uint_32>(maxSide);
  if (png.width > limit || png.height > limit) {
    png_image_free(&png);
    throw std::invalid_argument(fmt::format("'{}' is {} x {} pixels; {} may have at most {}", path,
                                            png.width, png.height, what, limit));
  }
  png.format = PNG_FORMAT_BGRA;
  auto image = std::make_shared<BgraImage>();
  image->width = static_cast<std::int32_t>(png.width);
  image->height = static_cast<std::int32_t>(png.height);
  image->pixels.resize(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, image->pixels.data(), 0, nullptr) == 0) {
    const std::string message = png.message;
    png_image_free(&png);
    throw std::invalid_argument(fmt::format("cannot read '{}': {}", path, message));
  }
  return image;
}

// Each edge runs straight from a point (angle 0, distance 1) to an inner
// corner (angle a, distance k); in polar form r = k sin a / (sin theta + k sin(a - theta)).
double StarRadius(double phi, int points, double innerRatio) {
  const double a = std::numbers::pi / points;
  const double theta = std::abs(std::remainder(phi, 2.0 * a));
  const double k = innerRatio;
  return k * std::sin(a) / (std::sin(theta) + k * std::sin(a - theta));
}

}  // namespace Obrisk::Proc::SettingsImages
