#include "obrisk/settings/TemplateSettings.h"

#include <stdexcept>
#include <string_view>

#include <fmt/format.h>

namespace Obrisk::Proc {
namespace {

constexpr std::size_t kBytesPerPixel = 4;
constexpr std::string_view kClassKey = "class";
constexpr std::string_view kSettingsKey = "settings";

// Sepia toned in by `intensity`: a look that shows at once what a template does.
constexpr std::string_view kDefaultEffectShader = R"(uniform sampler2D tex;
uniform float intensity;
varying vec2 TexCoord0;

void main() {
  vec4 colour = texture2D(tex, TexCoord0);
  // The classic sepia matrix, rows for red, green and blue.
  vec3 sepia = vec3(dot(colour.rgb, vec3(0.393, 0.769, 0.189)),
                    dot(colour.rgb, vec3(0.349, 0.686, 0.168)),
                    dot(colour.rgb, vec3(0.272, 0.534, 0.131)));
  gl_FragColor = vec4(mix(colour.rgb, min(sepia, 1.0), intensity), colour.a);
}
)";
constexpr float kDefaultEffectIntensity = 1.0f;

// A soft wipe from left to right driven by the progress prg.
constexpr std::string_view kDefaultTransitionShader = R"(uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float prg;
varying vec2 TexCoord0;

const float kEdge = 0.2;  // width of the soft edge, in frame widths

void main() {
  float reach = prg * (1.0 + kEdge);
  float weight = smoothstep(TexCoord0.x, TexCoord0.x + kEdge, reach);
  gl_FragColor = mix(texture2D(tex0, TexCoord0), texture2D(tex1, TexCoord0), weight);
}
)";

}  // namespace

bool ImageHandler::IsValid() const {
  return width > 0 && height > 0 &&
         pixels.size() / kBytesPerPixel / static_cast<std::size_t>(width) >=
             static_cast<std::size_t>(height);
}

SettingsEffectTemplateZTL::SettingsEffectTemplateZTL()
    : BaseSettingsTemplateZTL(std::string(kDefaultEffectShader), kDefaultEffectIntensity) {}

bool SettingsEffectTemplateZTL::IsEqualTo(const Settings& other) const {
  const auto* typed = dynamic_cast<const SettingsEffectTemplateZTL*>(&other);
  return typed != nullptr && SettingsBase::IsEqualTo(other) && SameAuxImage(*typed);
}

SettingsTransitionTemplateZTL::SettingsTransitionTemplateZTL()
    : BaseSettingsTemplateZTL(std::string(kDefaultTransitionShader), kNoIntensity) {}

bool SettingsTransitionTemplateZTL::IsEqualTo(const Settings& other) const {
  const auto* typed = dynamic_cast<const SettingsTransitionTemplateZTL*>(&other);
  return typed != nullptr && SettingsBase::IsEqualTo(other) && SameAuxImage(*typed);
}

SettingsRecord::SettingsRecord(std::string classId, Property settings)
    : classId_(std::move(classId)), settings_(std::move(settings)) {}

std::shared_ptr<const SettingsRecord> SettingsRecord::FromChainEntry(const Property& entry,
                                                                     const std::string& where) {
  const Property* id = entry.FindChild(kClassKey);
  if (id == nullptr || !std::holds_alternative<std::string>(id->GetValue())) {
    throw std::invalid_argument(fmt::format("{} needs a \"class\"", where));
  }
  Property settings;
  if (const Property* given = entry.FindChild(kSettingsKey)) {
    if (given->HasValue()) {
      throw std::invalid_argument(fmt::format("the \"settings\" of {} must be an object", where));
    }
    settings = *given;
  }
  return std::make_shared<const SettingsRecord>(std::get<std::string>(id->GetValue()),
                                                std::move(settings));
}

Property SettingsRecord::ToChainEntry() const {
  Property entry;
  entry.SetChild(std::string(kClassKey), Property(classId_));
  entry.SetChild(std::string(kSettingsKey), settings_);
  return entry;
}

std::unique_ptr<Settings> SettingsRecord::Clone() const {
  return std::make_unique<SettingsRecord>(*this);
}

bool SettingsRecord::IsEqualTo(const Settings& other) const {
  const auto* typed = dynamic_cast<const SettingsRecord*>(&other);
  return typed != nullptr && typed->classId_ == classId_ && typed->settings_ == settings_;
}

void SettingsRecord::Deserialize(const Property& property) {
  for (const auto& [key, value] : property.Children()) settings_.SetChild(key, value);
}

const std::vector<ParameterInfo>& SettingsRecord::GetParameters() const {
  static const std::vector<ParameterInfo> none;
  return none;
}

SettingsTransitionWithEffects::SettingsTransitionWithEffects() = default;

namespace {

// The chain entry of nested settings: records as they are, other settings
// objects by their class and serialisation.
Property ChainEntry(const Settings& settings) {
  return SettingsRecord(settings.GetClassId(), settings.Serialize()).ToChainEntry();
}

bool SameNested(const std::shared_ptr<const Settings>& a,
                const std::shared_ptr<const Settings>& b) {
  if (!a || !b) return a == b;
  return a->GetClassId() == b->GetClassId() && a->Serialize() == b->Serialize();
}

}  // namespace

bool SettingsTransitionWithEffects::IsEqualTo(const Settings& other) const {
  const auto* typed = dynamic_cast<const SettingsTransitionWithEffects*>(&other);
  if (typed == nullptr || !SettingsBase::IsEqualTo(other)) return false;
  if (!SameNested(transition_, typed->transition_)) return false;
  if (effects_.size() != typed->effects_.size()) return false;
  for (std::size_t i = 0; i < effects_.size(); ++i) {
    if (!SameNested(effects_[i], typed->effects_[i])) return false;
  }
  return true;
}

// The numbers go through the base; "transition" and "effects" are read here,
// all before anything changes.
void SettingsTransitionWithEffects::Deserialize(const Property& property) {
  SettingsDetail::ThrowIfPlainValue(property, CLASS_ID);
  Property numbers;
  SettingsTransitionWithEffects next = *this;
  for (const auto& [key, value] : property.Children()) {
    if (key == kTransitionKey) {
      next.transition_ = value.Children().empty() && !value.HasValue()
                             ? nullptr
                             : SettingsRecord::FromChainEntry(value, "the inner transition");
    } else if (key == kEffectsKey) {
      if (value.HasValue()) throw std::invalid_argument("\"effects\" must be a list");
      next.effects_.clear();
      for (const auto& [index, entry] : value.Children()) {
        next.effects_.push_back(SettingsRecord::FromChainEntry(
            entry, fmt::format("effect {} of the list", next.effects_.size() + 1)));
      }
    } else {
      numbers.SetChild(key, value);
    }
  }
  next.SettingsBase::Deserialize(numbers);
  *this = std::move(next);
}

Property SettingsTransitionWithEffects::Serialize() const {
  Property property = SettingsBase::Serialize();
  if (transition_) property.SetChild(std::string(kTransitionKey), ChainEntry(*transition_));
  Property effects;
  for (const auto& effect : effects_) effects.Add(ChainEntry(*effect));
  property.SetChild(std::string(kEffectsKey), std::move(effects));
  return property;
}

}  // namespace Obrisk::Proc
