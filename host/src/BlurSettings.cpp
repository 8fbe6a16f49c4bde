#include "obrisk/settings/BlurSettings.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <optional>
#include <stdexcept>

#include <fmt/format.h>

#include "SettingsImages.h"

namespace Obrisk::Proc {
namespace {

// The built-in shapes are drawn on a square of this side: enough for a soft
// edge at the kernel sizes a frame takes (a tenth of 1080 lines is 108 pixels).
constexpr int kShapeSide = 128;
// The star's inner corners, as a share of its points' distance.
constexpr double kStarInnerRatio = 0.5;
// The heart curve (x^2 + y^2 - 1)^3 = x^2 y^3 spans x from -1.14 to 1.14 and
// y from -1 to 1.25: scaled by this and raised by kHeartLift it fills the square.
constexpr double kHeartScale = 1.2;
constexpr double kHeartLift = 0.1;
constexpr int kHexagonSides = 6;
constexpr int kOctagonSides = 8;

// Inside a regular polygon of `sides` with one corner straight up, corners
// at distance 1; `phi` is the angle from straight up.
bool InPolygon(double radius, double phi, int sides) {
  const double sector = 2.0 * std::numbers::pi / sides;
  const double offset = std::remainder(phi, sector);
  return radius * std::cos(std::abs(offset) - sector / 2.0) <= std::cos(sector / 2.0);
}

bool InHeart(double u, double v) {
  const double x = u * kHeartScale;
  const double y = v * kHeartScale + kHeartLift;
  const double a = x * x + y * y - 1.0;
  return a * a * a - x * x * y * y * y <= 0.0;
}

using Outline = std::function<bool(double u, double v)>;

// The outline of a built-in shape, or none for a name that is not one.
std::optional<Outline> BuiltInOutline(const std::string& shape, std::int32_t blades) {
  auto polar = [](auto inside) {
    return Outline(
        [inside](double u, double v) { return inside(std::hypot(u, v), std::atan2(u, v)); });
  };
  if (shape == "disc") return polar([](double r, double) { return r <= 1.0; });
  if (shape == "hexagon")
    return polar([](double r, double phi) { return InPolygon(r, phi, kHexagonSides); });
  if (shape == "octagon")
    return polar([](double r, double phi) { return InPolygon(r, phi, kOctagonSides); });
  if (shape == "polygon")
    return polar([blades](double r, double phi) { return InPolygon(r, phi, blades); });
  if (shape == "star") {
    return polar([blades](double r, double phi) {
      return r <= SettingsImages::StarRadius(phi, blades, kStarInnerRatio);
    });
  }
  if (shape == "heart") return Outline(InHeart);
  return std::nullopt;
}

// A built-in shape turned `rotation` degrees clockwise, white on black.
std::shared_ptr<const BgraImage> DrawShape(const Outline& inside, double rotation) {
  const double turn = rotation * std::numbers::pi / 180.0;
  const double c = std::cos(turn);
  const double s = std::sin(turn);
  auto image = std::make_shared<BgraImage>();
  image->width = kShapeSide;
  image->height = kShapeSide;
  image->pixels.resize(static_cast<std::size_t>(kShapeSide) * kShapeSide * 4);
  for (int y = 0; y < kShapeSide; ++y) {
    for (int x = 0; x < kShapeSide; ++x) {
      // The point turned back (anticlockwise) lies in the upright shape.
      const double coverage = SettingsImages::Coverage(x, y, kShapeSide, [&](double u, double v) {
        return inside(u * c - v * s, u * s + v * c);
      });
      const auto level = static_cast<std::uint8_t>(std::lround(255.0 * coverage));
      std::uint8_t* pixel = &image->pixels[(static_cast<std::size_t>(y) * kShapeSide + x) * 4];
      std::fill(pixel, pixel + 3, level);
      pixel[3] = 255;
    }
  }
  return image;
}

std::shared_ptr<const BgraImage> LoadShape(const std::string& shape, std::int32_t blades,
                                           double rotation) {
  if (auto outline = BuiltInOutline(shape, blades)) return DrawShape(*outline, rotation);
  if (shape.find('.') == std::string::npos) {
    throw std::invalid_argument(fmt::format(
        "{}: shape: '{}' is neither disc, hexagon, octagon, polygon, star, heart nor a PNG file",
        SettingsEffectBokehBlur::CLASS_ID, shape));
  }
  try {
    return SettingsImages::ReadPng(shape, SettingsEffectBokehBlur::kMaxShapeSide, "a shape");
  } catch (const std::invalid_argument& error) {
    throw std::invalid_argument(
        fmt::format("{}: shape: {}", SettingsEffectBokehBlur::CLASS_ID, error.what()));
  }
}

bool NamesShape(const Property& property) {
  return std::any_of(
      property.Children().begin(), property.Children().end(), [](const Property::Child& child) {
        return child.first == "shape" || child.first == "blades" || child.first == "rotation";
      });
}

}  // namespace

SettingsEffectBokehBlur::SettingsEffectBokehBlur() {
  static const std::shared_ptr<const BgraImage> disc = LoadShape(shape_, blades_, rotation_);
  image_ = disc;
}

void SettingsEffectBokehBlur::SetShape(const std::string& shape, std::int32_t blades,
                                       double rotation) {
  Property property;
  property.SetChild("shape", Property(shape));
  property.SetChild("blades", Property(static_cast<std::int64_t>(blades)));
  property.SetChild("rotation", Property(rotation));
  Deserialize(property);
}

void SettingsEffectBokehBlur::SetImage(std::shared_ptr<const BgraImage> image) {
  shape_.clear();
  image_ = std::move(image);
}

void SettingsEffectBokehBlur::Deserialize(const Property& property) {
  SettingsEffectBokehBlur next = *this;
  next.SettingsBase::Deserialize(property);
  // An empty shape keeps the picture a host set in memory.
  if (NamesShape(property) && !next.shape_.empty()) {
    next.image_ = LoadShape(next.shape_, next.blades_, next.rotation_);
  }
  *this = std::move(next);
}

bool SettingsEffectBokehBlur::IsEqualTo(const Settings& other) const {
  const auto* typed = dynamic_cast<const SettingsEffectBokehBlur*>(&other);
  return typed != nullptr && typed->image_ == image_ && SettingsBase::IsEqualTo(other);
}

}  // namespace Obrisk::Proc
