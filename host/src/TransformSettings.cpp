#include "obrisk/settings/TransformSettings.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include <fmt/format.h>

#include "SettingsRecords.h"

namespace Obrisk::Proc {
namespace {

constexpr std::string_view kKeyframesName = "keyframes";

// How far the values have moved from one keyframe to the next at the linear
// fraction t: quadratic ease in and out, smoothstep for both.
double Ease(std::int32_t easing, double t) {
  switch (easing) {
    case TransformKeyframe::kEaseIn:
      return t * t;
    case TransformKeyframe::kEaseOut:
      return 1.0 - (1.0 - t) * (1.0 - t);
    case TransformKeyframe::kEaseInOut:
      return t * t * (3.0 - 2.0 * t);
    default:
      return t;
  }
}

TransformKeyframe Interpolate(const TransformKeyframe& a, const TransformKeyframe& b,
                              double progress) {
  const double t = Ease(a.easing, (progress - a.progress) / (b.progress - a.progress));
  auto mix = [t](double x, double y) { return x + (y - x) * t; };
  TransformKeyframe value = a;
  value.progress = progress;
  value.positionX = mix(a.positionX, b.positionX);
  value.positionY = mix(a.positionY, b.positionY);
  value.scaleX = mix(a.scaleX, b.scaleX);
  value.scaleY = mix(a.scaleY, b.scaleY);
  value.rotationX = mix(a.rotationX, b.rotationX);
  value.rotationY = mix(a.rotationY, b.rotationY);
  value.rotationZ = mix(a.rotationZ, b.rotationZ);
  value.anchorX = mix(a.anchorX, b.anchorX);
  value.anchorY = mix(a.anchorY, b.anchorY);
  value.opacity = mix(a.opacity, b.opacity);
  return value;
}

std::vector<TransformKeyframe> ReadKeyframes(const Property& node) {
  const std::string& classId = SettingsEffectTransform::CLASS_ID;
  auto keyframes =
      SettingsRecords::ReadList<TransformKeyframe>(node, classId, std::string(kKeyframesName));
  if (keyframes.empty()) {
    throw std::invalid_argument(fmt::format("{} needs at least one keyframe", classId));
  }
  for (std::size_t i = 1; i < keyframes.size(); ++i) {
    if (!(keyframes[i].progress > keyframes[i - 1].progress)) {
      throw std::invalid_argument(
          fmt::format("the keyframes of {} must be in strictly increasing progress", classId));
    }
  }
  return keyframes;
}

// A map that leaves the picture as it is: a positive multiple of the identity.
bool IsIdentityMap(const std::array<double, 4>& map) {
  return map[1] == 0.0 && map[2] == 0.0 && map[0] > 0.0 && map[0] == map[3];
}

}  // namespace

TransformPlacement TransformKeyframe::Placement() const {
  TransformPlacement placement;
  placement.positionX = positionX;
  placement.positionY = positionY;
  placement.anchorX = anchorX;
  placement.anchorY = anchorY;
  placement.scaleX = scaleX;
  placement.scaleY = scaleY;
  placement.rotationX = rotationX;
  placement.rotationY = rotationY;
  placement.rotationZ = rotationZ;
  placement.opacity = opacity;
  return placement;
}

std::vector<TransformKeyframe> SettingsEffectTransform::DefaultKeyframes() {
  // A picture that shrinks a little while it turns and swings, so that the
  // effect shows at any progress.
  TransformKeyframe start;
  start.scaleX = start.scaleY = 0.8;
  start.rotationZ = -10.0;
  start.easing = TransformKeyframe::kEaseInOut;
  TransformKeyframe end = start;
  end.progress = 1.0;
  end.scaleX = end.scaleY = 0.6;
  end.rotationZ = 20.0;
  end.rotationY = 30.0;
  return {start, end};
}

void SettingsEffectTransform::SetKeyframes(std::vector<TransformKeyframe> keyframes) {
  // Through the same reader as Deserialize, so that both check alike.
  keyframes_ = ReadKeyframes(SettingsRecords::WriteList(keyframes));
}

TransformPlacement SettingsEffectTransform::PlacementAt(double progress) const {
  const auto after = std::find_if(
      keyframes_.begin(), keyframes_.end(),
      [progress](const TransformKeyframe& keyframe) { return keyframe.progress > progress; });
  if (after == keyframes_.begin()) return keyframes_.front().Placement();
  if (after == keyframes_.end()) return keyframes_.back().Placement();
  return Interpolate(*(after - 1), *after, progress).Placement();
}

std::vector<TransformPlacement> SettingsEffectTransform::KeyPlacements() const {
  std::vector<TransformPlacement> placements;
  for (const TransformKeyframe& keyframe : keyframes_) placements.push_back(keyframe.Placement());
  return placements;
}

bool SettingsEffectTransform::IsEqualTo(const Settings& other) const {
  const auto* typed = dynamic_cast<const SettingsEffectTransform*>(&other);
  return typed != nullptr && typed->keyframes_ == keyframes_ && SettingsBase::IsEqualTo(other);
}

bool SettingsEffectTransform::IsEmpty() const {
  const TransformKeyframe identity;
  return GetFrameSize() == TransformFrameSize::kKeepSource &&
         std::all_of(keyframes_.begin(), keyframes_.end(), [&](TransformKeyframe keyframe) {
           keyframe.progress = identity.progress;
           keyframe.easing = identity.easing;
           return keyframe == identity;
         });
}

void SettingsEffectTransform::Deserialize(const Property& property) {
  SettingsRecords::DeserializeWithList(*this, property, kKeyframesName,
                                       [](SettingsEffectTransform& next, const Property& list) {
                                         next.keyframes_ = ReadKeyframes(list);
                                       });
}

Property SettingsEffectTransform::Serialize() const {
  Property property = SettingsBase::Serialize();
  property.SetChild(std::string(kKeyframesName), SettingsRecords::WriteList(keyframes_));
  return property;
}

const std::vector<ParameterInfo>& SettingsEffectTransform::GetParameters() const {
  static const std::vector<ParameterInfo> parameters = SettingsRecords::ParametersWithList(
      *this, kKeyframesName, SettingsRecords::WriteList(DefaultKeyframes()),
      fmt::format("keyframes (a JSON list, strictly increasing progress) of {}",
                  SettingsRecords::FieldNames<TransformKeyframe>()));
  return parameters;
}

TransformPlacement FixedOrientation::PlacementAt(double) const {
  TransformPlacement placement;
  placement.planeMap = PlaneMap();
  return placement;
}

std::array<double, 4> SettingsEffectTranspose::PlaneMap() const {
  switch (mode_) {
    case kTranspose:
      return {0.0, 1.0, 1.0, 0.0};
    case kCounterClockwise:
      return {0.0, -1.0, 1.0, 0.0};
    case kAntiTranspose:
      return {0.0, -1.0, -1.0, 0.0};
    default:
      return {0.0, 1.0, -1.0, 0.0};
  }
}

std::array<double, 4> SettingsEffectFlip::PlaneMap() const {
  return {horizontal_ ? -1.0 : 1.0, 0.0, 0.0, vertical_ ? -1.0 : 1.0};
}

std::array<double, 4> SettingsEffectDisplayMatrix::Rotation(double degrees, bool mirror) {
  // Nearest whole values for quarter turns, so that they stay exact.
  auto clean = [](double value) { return std::abs(value) < 1e-12 ? 0.0 : value; };
  const double radians = degrees * std::numbers::pi / 180.0;
  const double c = clean(std::cos(radians));
  const double s = clean(std::sin(radians));
  const double m = mirror ? -1.0 : 1.0;
  // Clockwise on a display whose y runs downwards: x' = c x - s y, y' = s x + c y.
  return {c * m, s * m, -s, c};
}

void SettingsEffectDisplayMatrix::SetMatrix(const std::array<double, 4>& matrix) {
  SettingsEffectDisplayMatrix next = *this;
  std::tie(next.a_, next.b_, next.c_, next.d_) =
      std::tuple(matrix[0], matrix[1], matrix[2], matrix[3]);
  next.Deserialize(Property());
  *this = next;
}

bool SettingsEffectDisplayMatrix::IsEmpty() const {
  return IsIdentityMap(GetMatrix());
}

void SettingsEffectDisplayMatrix::Deserialize(const Property& property) {
  SettingsEffectDisplayMatrix next = *this;
  next.SettingsBase::Deserialize(property);
  if (next.a_ * next.d_ - next.b_ * next.c_ == 0.0) {
    throw std::invalid_argument(
        fmt::format("the matrix ({}, {}; {}, {}) of {} is singular: it shows no picture", next.a_,
                    next.b_, next.c_, next.d_, CLASS_ID));
  }
  *this = next;
}

std::array<std::int32_t, 2> SettingsEffectCrop::GetOffsets(const FrameInfo& source) const {
  const std::int32_t left = std::clamp(left_, 0, std::max(source.width - 1, 0));
  const std::int32_t top = std::clamp(top_, 0, std::max(source.height - 1, 0));
  return {left, top};
}

FrameInfo SettingsEffectCrop::GetOutputFrame(const FrameInfo& source) const {
  const auto [left, top] = GetOffsets(source);
  FrameInfo output = source;
  output.width = std::max(source.width - left - right_, 1);
  output.height = std::max(source.height - top - bottom_, 1);
  return output;
}

}  // namespace Obrisk::Proc
