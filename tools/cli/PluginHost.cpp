#include "PluginHost.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include <fmt/format.h>

#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/settings/ServiceSettings.h"

namespace Obrisk::Tools {
namespace {

using RegistratorFunction = void(Proc::IEffectRegistry*);

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> previous(b.size() + 1), current(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
    }
    std::swap(previous, current);
  }
  return previous[b.size()];
}

template <class Number>
bool ParseNumber(const std::string& text, Number& value) {
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end;
}

Property ParseValue(const Proc::ParameterInfo& parameter, const std::string& text,
                    const std::string& classId) {
  const auto fail = [&](std::string_view expected) {
    return UsageError(fmt::format("{}: parameter '{}' takes {}, not '{}'", classId, parameter.name,
                                  expected, text));
  };
  switch (parameter.type) {
    case Proc::ParameterType::Bool: {
      const std::string lower = Lower(text);
      if (lower == "true" || lower == "1") return Property(true);
      if (lower == "false" || lower == "0") return Property(false);
      throw fail("true or false");
    }
    case Proc::ParameterType::Int: {
      std::int64_t value = 0;
      if (!ParseNumber(text, value)) throw fail("a whole number");
      return Property(value);
    }
    case Proc::ParameterType::Float:
    case Proc::ParameterType::Double: {
      double value = 0.0;
      if (!ParseNumber(text, value)) throw fail("a number");
      return Property(value);
    }
    case Proc::ParameterType::String:
      return Property(text);
  }
  throw fail("a value");
}

}  // namespace

PluginHost::PluginHost(const std::string& pluginPath)
    : plugin_(pluginPath), registry_(MakeRef<Proc::EffectRegistry>()) {
  Ogl::RegisterFrameUploader(*registry_);
  plugin_.Find<RegistratorFunction>("Registrator")(registry_.get());
  registry_->CreateEffect(uploader_, Proc::SettingsFrameUploader::CLASS_ID, Proc::ImplNames::OGL,
                          nullptr);
}

std::string ShortName(const std::string& classId) {
  std::string_view name = classId;
  for (std::string_view prefix : {"Settings", "Effect", "Transition"}) {
    if (name.starts_with(prefix) && name.size() > prefix.size()) name.remove_prefix(prefix.size());
  }
  return Lower(std::string(name));
}

bool IsTransition(const Proc::EffectRegistry::Entry& entry) {
  return entry.kind == Proc::EffectKind::TwoInput && !entry.classId.starts_with("SettingsEffect");
}

const Proc::EffectRegistry::Entry& PluginHost::Find(const std::string& classId) const {
  if (const auto* entry = registry_->Find(classId, Proc::ImplNames::OGL)) return *entry;
  // Then the id or the short name in any case: invert for SettingsEffectInvert.
  const std::string wanted = Lower(classId);
  std::vector<const Proc::EffectRegistry::Entry*> matches;
  for (const auto* entry : Effects()) {
    if (Lower(entry->classId) == wanted || ShortName(entry->classId) == wanted) {
      matches.push_back(entry);
    }
  }
  if (matches.size() == 1) return *matches.front();
  if (matches.size() > 1) {
    std::vector<std::string> ids;
    for (const auto* entry : matches) ids.push_back(entry->classId);
    throw UsageError(fmt::format("'{}' names several effects: {}; give the full id", classId,
                                 fmt::join(ids, ", ")));
  }
  std::vector<std::string> ids;
  for (const auto* entry : Effects()) ids.push_back(entry->classId);
  const auto closest = ClosestNames(classId, ids);
  throw UsageError(fmt::format("unknown effect '{}'{}", classId,
                               closest.empty()
                                   ? std::string()
                                   : fmt::format("; did you mean {}?", fmt::join(closest, ", "))));
}

Ptr<Proc::IEffect> PluginHost::Create(const std::string& classId) {
  const auto& entry = Find(classId);
  Ptr<Proc::IEffect> effect;
  registry_->CreateEffect(effect, entry.classId, entry.implName, nullptr);
  return effect;
}

std::vector<const Proc::EffectRegistry::Entry*> PluginHost::Effects() const {
  std::vector<const Proc::EffectRegistry::Entry*> effects;
  for (const auto& entry : registry_->Entries()) {
    if (entry.classId != Proc::SettingsFrameUploader::CLASS_ID) effects.push_back(&entry);
  }
  std::stable_sort(effects.begin(), effects.end(), [](const auto* a, const auto* b) {
    return std::pair(a->kind, ShortName(a->classId)) < std::pair(b->kind, ShortName(b->classId));
  });
  return effects;
}

std::vector<PluginHost::Family> PluginHost::EffectsByFamily() {
  std::vector<Family> families;
  for (std::string_view name : Proc::Family::kOrder) families.push_back({std::string(name), {}});
  families.push_back({"other", {}});
  for (const auto* entry : Effects()) {
    const std::string_view family = Create(entry->classId)->GetSettingsObject().GetFamily();
    const auto known = std::find(Proc::Family::kOrder.begin(), Proc::Family::kOrder.end(), family);
    families[static_cast<std::size_t>(known - Proc::Family::kOrder.begin())].effects.push_back(
        entry);
  }
  std::erase_if(families, [](const Family& family) { return family.effects.empty(); });
  return families;
}

Ptr<Ogl::DataVideoOGL> PluginHost::Upload(const Ptr<Proc::IData>& frame) {
  const std::lock_guard lock(uploaderMutex_);
  Ptr<Proc::IData> data = uploader_->ProcessData({frame});
  return Ptr<Ogl::DataVideoOGL>(dynamic_cast<Ogl::DataVideoOGL*>(data.get()));
}

void ApplySetting(Proc::IEffect& effect, const std::string& assignment) {
  const std::string& classId = effect.GetSettingsObject().GetClassId();
  const auto equals = assignment.find('=');
  if (equals == std::string::npos || equals == 0) {
    throw UsageError(fmt::format("--set takes name=value, not '{}'", assignment));
  }
  const std::string name = assignment.substr(0, equals);
  const auto& parameters = effect.GetSettingsObject().GetParameters();
  const auto found = std::find_if(parameters.begin(), parameters.end(),
                                  [&](const auto& parameter) { return parameter.name == name; });
  if (found == parameters.end()) {
    std::vector<std::string> names;
    for (const auto& parameter : parameters) names.push_back(parameter.name);
    throw UsageError(
        fmt::format("{} has no parameter '{}' (its parameters: {})", classId, name,
                    names.empty() ? "none" : fmt::format("{}", fmt::join(names, ", "))));
  }
  Property settings;
  settings.SetChild(name, ParseValue(*found, assignment.substr(equals + 1), classId));
  try {
    effect.SetSettings(settings);
  } catch (const std::out_of_range& error) {
    throw UsageError(error.what());
  } catch (const std::invalid_argument& error) {
    throw UsageError(error.what());
  }
}

void ApplyPreset(Proc::IEffect& effect, const std::string& name) {
  const Proc::Settings& settings = effect.GetSettingsObject();
  const auto presets = settings.GetPresets();
  const auto found = std::find_if(presets.begin(), presets.end(),
                                  [&](const Proc::Preset& preset) { return preset.name == name; });
  if (found == presets.end()) {
    std::vector<std::string_view> names;
    for (const auto& preset : presets) names.push_back(preset.name);
    throw UsageError(
        fmt::format("{} has no preset '{}' (its presets: {})", settings.GetClassId(), name,
                    names.empty() ? "none" : fmt::format("{}", fmt::join(names, ", "))));
  }
  try {
    effect.SetSettings(Property::FromJson(std::string(found->settings)));
  } catch (const std::exception& error) {
    throw UsageError(fmt::format("{}: preset {}: {}", settings.GetClassId(), name, error.what()));
  }
}

std::vector<std::string> ClosestNames(const std::string& name,
                                      const std::vector<std::string>& candidates) {
  constexpr std::size_t kShown = 3;
  std::vector<std::pair<std::size_t, std::string>> scored;
  const std::string wanted = Lower(name);
  for (const auto& candidate : candidates) {
    const std::string lower = Lower(candidate);
    const std::size_t distance =
        lower.find(wanted) != std::string::npos ? 0 : EditDistance(wanted, lower);
    if (distance <= std::max<std::size_t>(3, wanted.size() / 2))
      scored.emplace_back(distance, candidate);
  }
  std::sort(scored.begin(), scored.end());
  std::vector<std::string> names;
  for (std::size_t i = 0; i < scored.size() && i < kShown; ++i) names.push_back(scored[i].second);
  return names;
}

std::string DescribeValue(const Proc::ParameterInfo& parameter) {
  std::string text = parameter.defaultValue.ToJson();
  if (parameter.hasRange) text += fmt::format(" ({} to {})", parameter.minimum, parameter.maximum);
  return text;
}

}  // namespace Obrisk::Tools
