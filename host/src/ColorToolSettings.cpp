#include "obrisk/settings/ColorToolSettings.h"

#include <stdexcept>

#include <fmt/format.h>

namespace Obrisk::Proc {
namespace {

// The default look: a small table that warms the highlights and cools the
// shadows, given inline as the text of a .cube file.
constexpr const char* kDefaultLook = R"(TITLE "Warm highlights, cool shadows"
LUT_3D_SIZE 2
0.06 0.05 0.12
0.95 0.22 0.12
0.18 0.82 0.30
1.00 0.93 0.42
0.08 0.16 0.72
0.82 0.28 0.72
0.12 0.74 0.82
1.00 0.96 0.86
)";

// A `lut` value: empty for none, a file's text when it holds a line break,
// else a path.
std::shared_ptr<const LUT::LUTTable> LoadLut(const std::string& lut) {
  if (lut.empty()) return nullptr;
  if (lut.find('\n') == std::string::npos) {
    return std::make_shared<const LUT::LUTTable>(LUT::ReadTableFile(lut));
  }
  const bool cube =
      lut.find("LUT_3D_SIZE") != std::string::npos || lut.find("LUT_1D_SIZE") != std::string::npos;
  return std::make_shared<const LUT::LUTTable>(
      LUT::ReadTable(lut, cube ? LUT::FileFormat::Cube : LUT::FileFormat::ThreeDL, "inline LUT"));
}

bool HasChild(const Property& property, const std::string& name) {
  for (const auto& [key, value] : property.Children()) {
    if (key == name) return true;
  }
  return false;
}

}  // namespace

std::array<SettingsEffectGIMPHueSaturation::Member, 3> SettingsEffectGIMPHueSaturation::Members(
    int range) {
  using S = SettingsEffectGIMPHueSaturation;
  static constexpr std::array<std::array<Member, 3>, kRangeCount> kMembers{{
      {&S::hue_, &S::saturation_, &S::lightness_},
      {&S::redHue_, &S::redSaturation_, &S::redLightness_},
      {&S::yellowHue_, &S::yellowSaturation_, &S::yellowLightness_},
      {&S::greenHue_, &S::greenSaturation_, &S::greenLightness_},
      {&S::cyanHue_, &S::cyanSaturation_, &S::cyanLightness_},
      {&S::blueHue_, &S::blueSaturation_, &S::blueLightness_},
      {&S::magentaHue_, &S::magentaSaturation_, &S::magentaLightness_},
  }};
  if (range < 0 || range >= kRangeCount) {
    throw std::out_of_range(fmt::format("hue range {} is outside 0 to 6", range));
  }
  return kMembers[static_cast<std::size_t>(range)];
}

bool SettingsEffectGIMPHueSaturation::IsEmpty() const {
  if (intensity_ == 0.0f) return true;
  for (int range = 0; range < kRangeCount; ++range) {
    if (Values(range) != std::array<float, 3>{}) return false;
  }
  return true;
}

SettingsEffectColorCurves::SettingsEffectColorCurves() {
  Rebuild();
}

std::string* SettingsEffectColorCurves::Text(CurveType type) {
  std::array<std::string*, kCurveTypeCount> texts{&rgb_, &red_, &green_, &blue_};
  return texts.at(static_cast<std::size_t>(type));
}

void SettingsEffectColorCurves::Rebuild() {
  Curves curves;
  for (int type = 0; type < kCurveTypeCount; ++type) {
    const std::string& text = *Text(static_cast<CurveType>(type));
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) continue;
    try {
      curves[static_cast<CurveType>(type)] =
          std::make_shared<const Curve::CurvePoints>(Curve::Parse(text));
    } catch (const std::invalid_argument& error) {
      static constexpr std::array<const char*, kCurveTypeCount> kNames{"rgb", "red", "green",
                                                                       "blue"};
      throw std::invalid_argument(fmt::format(
          "{}: {}: {}", CLASS_ID, kNames[static_cast<std::size_t>(type)], error.what()));
    }
  }
  curves_ = std::move(curves);
}

void SettingsEffectColorCurves::SetCurve(CurveType type, const std::string& text) {
  SettingsEffectColorCurves next = *this;
  *next.Text(type) = text;
  next.Rebuild();
  *this = std::move(next);
}

void SettingsEffectColorCurves::Deserialize(const Property& property) {
  SettingsEffectColorCurves next = *this;
  next.SettingsBase::Deserialize(property);
  next.Rebuild();
  *this = std::move(next);
}

SettingsEffectLUT::SettingsEffectLUT() : lut_(kDefaultLook), table_(LoadLut(lut_)) {}

void SettingsEffectLUT::SetTable(std::shared_ptr<const LUT::LUTTable> table) {
  lut_ = table ? LUT::WriteCube(*table) : std::string();
  table_ = std::move(table);
}

void SettingsEffectLUT::SetLut(const std::string& lut) {
  table_ = LoadLut(lut);
  lut_ = lut;
}

void SettingsEffectLUT::Deserialize(const Property& property) {
  SettingsEffectLUT next = *this;
  next.SettingsBase::Deserialize(property);
  if (HasChild(property, "lut")) {
    try {
      next.table_ = LoadLut(next.lut_);
    } catch (const std::invalid_argument& error) {
      throw std::invalid_argument(fmt::format("{}: lut: {}", CLASS_ID, error.what()));
    }
  }
  *this = std::move(next);
}

bool SettingsEffectLUT::IsEqualTo(const Settings& other) const {
  const auto* typed = dynamic_cast<const SettingsEffectLUT*>(&other);
  if (typed == nullptr || !SettingsBase::IsEqualTo(other)) return false;
  if (typed->table_ == table_) return true;
  return typed->table_ && table_ && *typed->table_ == *table_;
}

}  // namespace Obrisk::Proc
