#include "obrisk/settings/MaskSettings.h"

#include <algorithm>
#include <stdexcept>
#include <type_traits>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "SettingsRecords.h"

namespace Obrisk::Proc {
namespace {

constexpr std::string_view kMasksName = "masks";
constexpr std::string_view kKeyframesName = "keyframes";

const std::string& ClassId() {
  return SettingsEffectMask::CLASS_ID;
}

void CheckTrack(const MaskTrack& track, const std::string& where) {
  if (track.keyframes.empty()) {
    throw std::invalid_argument(fmt::format("{} of {} has no keyframes", where, ClassId()));
  }
  for (std::size_t i = 1; i < track.keyframes.size(); ++i) {
    if (!(track.keyframes[i].progress > track.keyframes[i - 1].progress)) {
      throw std::invalid_argument(fmt::format(
          "the keyframes of {} of {} must be in strictly increasing progress", where, ClassId()));
    }
  }
  if (track.start > track.end) {
    throw std::invalid_argument(fmt::format("{} of {} starts at progress {} after it ends at {}",
                                            where, ClassId(), track.start, track.end));
  }
}

MaskTrack ReadTrack(const Property& node, const std::string& where) {
  MaskTrack track;
  for (const auto& [key, value] : node.Children()) {
    if (key == kKeyframesName) {
      track.keyframes = SettingsRecords::ReadList<MaskKeyframe>(
          value, ClassId(), where + "." + std::string(kKeyframesName));
    } else if (!SettingsRecords::ReadField(track, key, value, ClassId(), where)) {
      SettingsRecords::ThrowUnknownField(
          ClassId(), where, key,
          fmt::format("{}, {}", kKeyframesName, SettingsRecords::FieldNames<MaskTrack>()));
    }
  }
  CheckTrack(track, where);
  return track;
}

// The masks of a "masks" value: a list, or the JSON text of one (as a
// command line hands it over).
std::vector<MaskTrack> ReadMasks(const Property& node) {
  if (const auto* text = std::get_if<std::string>(&node.GetValue())) {
    return ReadMasks(Property::FromJson(*text));
  }
  const auto& entries = SettingsRecords::ListEntries(node, ClassId(), std::string(kMasksName));
  if (entries.size() > SettingsEffectMask::kMaxMasks) {
    throw std::invalid_argument(fmt::format("{} holds at most {} masks, not {}", ClassId(),
                                            SettingsEffectMask::kMaxMasks, entries.size()));
  }
  std::vector<MaskTrack> masks;
  for (const auto& entry : entries) {
    masks.push_back(ReadTrack(entry.second, fmt::format("{}[{}]", kMasksName, masks.size())));
  }
  return masks;
}

Property WriteMasks(const std::vector<MaskTrack>& masks) {
  Property list;
  for (const MaskTrack& track : masks) {
    Property node = SettingsRecords::Write(track);
    node.SetChild(std::string(kKeyframesName), SettingsRecords::WriteList(track.keyframes));
    list.Add(std::move(node));
  }
  return list;
}

MaskKeyframe Interpolate(const MaskKeyframe& a, const MaskKeyframe& b, double progress) {
  const double t = (progress - a.progress) / (b.progress - a.progress);
  auto mix = [t](double x, double y) { return x + (y - x) * t; };
  MaskKeyframe value;
  value.progress = progress;
  value.centreX = mix(a.centreX, b.centreX);
  value.centreY = mix(a.centreY, b.centreY);
  value.width = mix(a.width, b.width);
  value.height = mix(a.height, b.height);
  value.rotation = mix(a.rotation, b.rotation);
  value.opacity = mix(a.opacity, b.opacity);
  value.feather = mix(a.feather, b.feather);
  return value;
}

}  // namespace

std::array<double, 4> FrameMask::ShapeCoefficients() const {
  const double u = placement_.centreX;
  const double v = 1.0 - placement_.centreY;
  const double radiusU = placement_.width / 2.0;
  const double radiusV = placement_.height / 2.0;
  if (IsEllipse()) return {u, v, radiusU, radiusV};
  return {u - radiusU, v - radiusV, u + radiusU, v + radiusV};
}

FrameMask MaskTrack::At(double progress) const {
  if (keyframes.empty()) throw std::logic_error("MaskTrack::At: a mask without keyframes");
  const auto after = std::find_if(
      keyframes.begin(), keyframes.end(),
      [progress](const MaskKeyframe& keyframe) { return keyframe.progress > progress; });
  MaskKeyframe value;
  if (after == keyframes.begin()) {
    value = keyframes.front();
  } else if (after == keyframes.end()) {
    value = keyframes.back();
  } else {
    value = Interpolate(*(after - 1), *after, progress);
  }
  return FrameMask(shape, value.Placement(), fill, value.opacity, value.feather, frame);
}

void SettingsEffectMask::SetMasks(std::vector<MaskTrack> masks) {
  // Through the same reader as Deserialize, so that both check alike.
  masks_ = ReadMasks(WriteMasks(masks));
}

std::vector<FrameMask> SettingsEffectMask::GetFrames(double progress) const {
  std::vector<FrameMask> frames;
  for (const MaskTrack& track : masks_) {
    if (track.IsActiveAt(progress)) frames.push_back(track.At(progress));
  }
  return frames;
}

bool SettingsEffectMask::IsEqualTo(const Settings& other) const {
  const auto* typed = dynamic_cast<const SettingsEffectMask*>(&other);
  return typed != nullptr && typed->masks_ == masks_ && SettingsBase::IsEqualTo(other);
}

void SettingsEffectMask::Deserialize(const Property& property) {
  SettingsRecords::DeserializeWithList(
      *this, property, kMasksName,
      [](SettingsEffectMask& next, const Property& list) { next.masks_ = ReadMasks(list); });
}

Property SettingsEffectMask::Serialize() const {
  Property property = SettingsBase::Serialize();
  property.SetChild(std::string(kMasksName), WriteMasks(masks_));
  return property;
}

const std::vector<ParameterInfo>& SettingsEffectMask::GetParameters() const {
  static const std::vector<ParameterInfo> parameters = SettingsRecords::ParametersWithList(
      *this, kMasksName, WriteMasks(SettingsEffectMask().masks_),
      "up to ten masks (a JSON list): shape, fill, frame, start, end and keyframes of "
      "progress, centreX, centreY, width, height, rotation, opacity, feather");
  return parameters;
}

}  // namespace Obrisk::Proc
