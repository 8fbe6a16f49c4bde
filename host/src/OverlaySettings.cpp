#include "obrisk/settings/OverlaySettings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include <fmt/format.h>

#include "SettingsImages.h"
#include "SettingsRecords.h"

namespace Obrisk::Proc {
namespace {

// ---- The flying objects' sprite ----------------------------------------

// The built-in sprite: a warm five-pointed star with soft edges.
constexpr int kStarSide = 64;
constexpr int kStarPoints = 5;
// The inner corners' distance from the centre, as a share of the points'.
constexpr double kStarInnerRatio = 0.45;
// Centre colour (white) and tip colour (gold), B, G, R.
constexpr std::array<double, 3> kStarCentre{235.0, 250.0, 255.0};
constexpr std::array<double, 3> kStarTip{60.0, 200.0, 255.0};

std::shared_ptr<const BgraImage> BuiltInStar() {
  auto image = std::make_shared<BgraImage>();
  image->width = kStarSide;
  image->height = kStarSide;
  image->pixels.resize(static_cast<std::size_t>(kStarSide) * kStarSide * 4);
  const double half = kStarSide / 2.0;
  for (int y = 0; y < kStarSide; ++y) {
    for (int x = 0; x < kStarSide; ++x) {
      const double coverage = SettingsImages::Coverage(x, y, kStarSide, [](double u, double v) {
        return std::hypot(u, v) <=
               SettingsImages::StarRadius(std::atan2(u, v), kStarPoints, kStarInnerRatio);
      });
      const double r = std::min(1.0, std::hypot(x + 0.5 - half, y + 0.5 - half) / half);
      std::uint8_t* pixel = &image->pixels[(static_cast<std::size_t>(y) * kStarSide + x) * 4];
      for (int c = 0; c < 3; ++c) {
        pixel[c] = static_cast<std::uint8_t>(
            std::lround(kStarCentre[c] + (kStarTip[c] - kStarCentre[c]) * r));
      }
      pixel[3] = static_cast<std::uint8_t>(std::lround(255.0 * coverage));
    }
  }
  return image;
}

// A `sprite` value: empty for the built-in star, else a PNG file's path.
std::shared_ptr<const BgraImage> LoadSprite(const std::string& sprite) {
  static const std::shared_ptr<const BgraImage> star = BuiltInStar();
  return sprite.empty() ? star
                        : SettingsImages::ReadPng(
                              sprite, SettingsEffectFlyingObjects::kMaxSpriteSide, "a sprite");
}

// ---- The flying objects' motion ----------------------------------------

// Uniform values in [0, 1) from (seed, index, draw): splitmix64's finaliser
// (Steele, Lea and Flood, "Fast splittable pseudorandom number generators").
constexpr std::uint64_t kGolden = 0x9e3779b97f4a7c15ULL;
constexpr std::uint64_t kMix1 = 0xbf58476d1ce4e5b9ULL;
constexpr std::uint64_t kMix2 = 0x94d049bb133111ebULL;
// The top 53 bits make a double in [0, 1).
constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;

double Draw(std::uint64_t seed, std::uint64_t index, std::uint64_t draw) {
  std::uint64_t z = (seed << 32) ^ (index * kGolden) ^ (draw * kMix2);
  z += kGolden;
  z = (z ^ (z >> 30)) * kMix1;
  z = (z ^ (z >> 27)) * kMix2;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) * kTwoToMinus53;
}

// The draws each object makes, in this order.
enum ObjectDraw : std::uint64_t { kStartX, kStartY, kSpeed, kSize, kTurn, kSpin, kSpinSign };

// `value` wrapped into [low, high).
double Wrap(double value, double low, double high) {
  const double span = high - low;
  return low + (value - low - span * std::floor((value - low) / span));
}

// ---- The tracking marker's boxes ---------------------------------------

constexpr std::string_view kBoxesName = "boxes";
constexpr double kMicroseconds = 1.0e6;

std::vector<AimBox> ReadBoxes(const Property& node) {
  return SettingsRecords::ReadList<AimBox>(node, SettingsEffectAim::CLASS_ID,
                                           std::string(kBoxesName));
}

std::shared_ptr<const ObjectTrackingResult> MakeStream(const std::vector<AimBox>& boxes) {
  std::vector<TrackedBox> tracked;
  tracked.reserve(boxes.size());
  for (const AimBox& box : boxes) {
    tracked.push_back(
        TrackedBox{static_cast<std::int64_t>(std::llround(box.start * kMicroseconds)),
                   static_cast<std::int64_t>(std::llround(box.duration * kMicroseconds)), box.x,
                   box.y, box.width, box.height});
  }
  return std::make_shared<const ObjectTrackingResult>(std::move(tracked));
}

bool HasChild(const Property& property, std::string_view name) {
  return std::any_of(property.Children().begin(), property.Children().end(),
                     [&](const Property::Child& child) { return child.first == name; });
}

}  // namespace

SettingsEffectFlyingObjects::SettingsEffectFlyingObjects() : image_(LoadSprite(sprite_)) {}

void SettingsEffectFlyingObjects::SetImage(std::shared_ptr<const BgraImage> image) {
  sprite_.clear();
  image_ = std::move(image);
}

void SettingsEffectFlyingObjects::SetSprite(const std::string& sprite) {
  image_ = LoadSprite(sprite);
  sprite_ = sprite;
}

ObjectDescription SettingsEffectFlyingObjects::GetDescription(std::int64_t index, double time,
                                                              double diagonal) const {
  const auto seed = static_cast<std::uint64_t>(seed_);
  const auto i = static_cast<std::uint64_t>(index);
  auto draw = [&](ObjectDraw what) { return Draw(seed, i, what); };
  // The frame's aspect, width over height, from its diagonal in heights.
  const double aspect = std::sqrt(std::max(diagonal * diagonal - 1.0, 0.0));
  const double heading = direction_ * std::numbers::pi / 180.0;
  const double distance = speed_ * (0.5 + draw(kSpeed)) * diagonal * time;  // in heights
  const double size = size_ * (1.0 - sizeVariation_ * draw(kSize));
  // Half the sprite's diagonal, in fractions of width and height: how far
  // beyond an edge it is out of sight whatever its turn.
  const double reachX = size * std::numbers::sqrt2 / 2.0;
  const double reachY = reachX * aspect;
  const double x = draw(kStartX) + std::cos(heading) * distance / std::max(aspect, 1e-9);
  const double y = draw(kStartY) + std::sin(heading) * distance;
  const double spinSign = draw(kSpinSign) < 0.5 ? -1.0 : 1.0;
  const double spin = spin_ * std::numbers::pi / 180.0 * (0.5 + draw(kSpin)) * spinSign;
  return {Wrap(x, -reachX, 1.0 + reachX), Wrap(y, -reachY, 1.0 + reachY),
          2.0 * std::numbers::pi * draw(kTurn) + spin * time, size};
}

void SettingsEffectFlyingObjects::Deserialize(const Property& property) {
  SettingsEffectFlyingObjects next = *this;
  next.SettingsBase::Deserialize(property);
  if (HasChild(property, "sprite")) {
    try {
      next.image_ = LoadSprite(next.sprite_);
    } catch (const std::invalid_argument& error) {
      throw std::invalid_argument(fmt::format("{}: sprite: {}", CLASS_ID, error.what()));
    }
  }
  *this = std::move(next);
}

bool SettingsEffectFlyingObjects::IsEqualTo(const Settings& other) const {
  const auto* typed = dynamic_cast<const SettingsEffectFlyingObjects*>(&other);
  return typed != nullptr && typed->image_ == image_ && SettingsBase::IsEqualTo(other);
}

SettingsEffectAim::SettingsEffectAim() : stream_(MakeStream(boxes_)) {}

void SettingsEffectAim::SetBoxes(std::vector<AimBox> boxes) {
  // Through the same reader as Deserialize, so that both check alike.
  std::vector<AimBox> checked = ReadBoxes(SettingsRecords::WriteList(boxes));
  stream_ = MakeStream(checked);
  boxes_ = std::move(checked);
}

bool SettingsEffectAim::IsEqualTo(const Settings& other) const {
  const auto* typed = dynamic_cast<const SettingsEffectAim*>(&other);
  return typed != nullptr && typed->boxes_ == boxes_ && SettingsBase::IsEqualTo(other);
}

void SettingsEffectAim::Deserialize(const Property& property) {
  SettingsRecords::DeserializeWithList(*this, property, kBoxesName,
                                       [](SettingsEffectAim& next, const Property& list) {
                                         next.boxes_ = ReadBoxes(list);
                                         next.stream_ = MakeStream(next.boxes_);
                                       });
}

Property SettingsEffectAim::Serialize() const {
  Property property = SettingsBase::Serialize();
  property.SetChild(std::string(kBoxesName), SettingsRecords::WriteList(boxes_));
  return property;
}

const std::vector<ParameterInfo>& SettingsEffectAim::GetParameters() const {
  static const std::vector<ParameterInfo> parameters = SettingsRecords::ParametersWithList(
      *this, kBoxesName, SettingsRecords::WriteList(SettingsEffectAim().boxes_),
      "where the object is over time (a JSON list): boxes of start and duration in seconds "
      "(the end excluded) and x, y, width, height in fractions of the frame, from the "
      "bottom-left corner; the first box whose time holds the frame's is drawn");
  return parameters;
}

}  // namespace Obrisk::Proc
