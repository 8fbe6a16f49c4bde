#include "Frei0rParameters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include <fmt/format.h>

namespace Obrisk::Frei0r {
namespace {

using Proc::ParameterInfo;
using Proc::ParameterType;

// frei0r booleans are doubles; above one half is true.
constexpr double kBoolThreshold = 0.5;

bool IsNumber(const ParameterInfo& field) {
  return field.type == ParameterType::Int || field.type == ParameterType::Float ||
         field.type == ParameterType::Double;
}

bool IsUnitRange(const ParameterInfo& field) {
  return IsNumber(field) && field.type != ParameterType::Int && field.hasRange &&
         field.minimum == 0.0 && field.maximum == 1.0;
}

const ParameterInfo* FindField(const std::vector<ParameterInfo>& fields, const std::string& name) {
  const auto found = std::find_if(fields.begin(), fields.end(),
                                  [&](const ParameterInfo& field) { return field.name == name; });
  return found == fields.end() ? nullptr : &*found;
}

// The three fields of a colour whose red field is `red`: prefixRed,
// prefixGreen, prefixBlue, or prefixR, prefixG, prefixB; each 0 to 1.
std::optional<Parameter> ColourFrom(const std::vector<ParameterInfo>& fields,
                                    const ParameterInfo& red) {
  static constexpr std::array<std::array<const char*, 3>, 3> kSuffixes{
      {{"Red", "Green", "Blue"}, {"R", "G", "B"}, {"red", "green", "blue"}}};
  for (const auto& suffixes : kSuffixes) {
    const std::string_view first = suffixes[0];
    if (!red.name.ends_with(first)) continue;
    const std::string prefix = red.name.substr(0, red.name.size() - first.size());
    if (prefix.empty() != (first == "red")) continue;
    Parameter colour{prefix.empty() ? "colour" : prefix, F0R_PARAM_COLOR, {}, Role::Setting, {}};
    for (const char* suffix : suffixes) {
      const ParameterInfo* field = FindField(fields, prefix + suffix);
      if (field == nullptr || !IsUnitRange(*field)) return std::nullopt;
      colour.fields.push_back(*field);
    }
    colour.explanation = fmt::format("{} (red, green, blue)", red.description);
    return colour;
  }
  return std::nullopt;
}

// The two fields of a position whose x field is `x`: prefixX and prefixY of
// one range.
std::optional<Parameter> PositionFrom(const std::vector<ParameterInfo>& fields,
                                      const ParameterInfo& x) {
  if (!x.name.ends_with('X') || x.name.size() < 2 || !IsNumber(x) || !x.hasRange) {
    return std::nullopt;
  }
  const std::string prefix = x.name.substr(0, x.name.size() - 1);
  const ParameterInfo* y = FindField(fields, prefix + "Y");
  if (y == nullptr || !IsNumber(*y) || !y->hasRange || y->minimum != x.minimum ||
      y->maximum != x.maximum) {
    return std::nullopt;
  }
  return Parameter{
      prefix,
      F0R_PARAM_POSITION,
      fmt::format("{} (x and y; 0 to 1 span {} to {})", x.description, x.minimum, x.maximum),
      Role::Setting,
      {x, *y}};
}

bool IsGrouped(const std::vector<Parameter>& parameters, const std::string& name) {
  return std::any_of(parameters.begin(), parameters.end(), [&](const Parameter& parameter) {
    return std::any_of(parameter.fields.begin(), parameter.fields.end(),
                       [&](const ParameterInfo& field) { return field.name == name; });
  });
}

Parameter Single(const ParameterInfo& field) {
  switch (field.type) {
    case ParameterType::Bool:
      return {field.name, F0R_PARAM_BOOL, field.description, Role::Setting, {field}};
    case ParameterType::String:
      return {field.name, F0R_PARAM_STRING, field.description, Role::Setting, {field}};
    case ParameterType::Int:
    case ParameterType::Float:
    case ParameterType::Double:
      break;
  }
  const std::string scale =
      field.hasRange ? fmt::format(" (0 to 1 span {} to {})", field.minimum, field.maximum) : "";
  return {field.name, F0R_PARAM_DOUBLE, field.description + scale, Role::Setting, {field}};
}

double NumberOf(const Property& value) {
  if (const auto* number = std::get_if<double>(&value.GetValue())) return *number;
  if (const auto* number = std::get_if<std::int64_t>(&value.GetValue())) {
    return static_cast<double>(*number);
  }
  if (const auto* flag = std::get_if<bool>(&value.GetValue())) return *flag ? 1.0 : 0.0;
  return 0.0;
}

}  // namespace

std::vector<Parameter> MapParameters(const std::vector<ParameterInfo>& fields, bool transition) {
  std::vector<Parameter> parameters;
  for (const auto& field : fields) {
    if (IsGrouped(parameters, field.name)) continue;
    if (auto colour = ColourFrom(fields, field)) {
      parameters.push_back(std::move(*colour));
    } else if (auto position = PositionFrom(fields, field)) {
      parameters.push_back(std::move(*position));
    } else {
      parameters.push_back(Single(field));
    }
  }
  if (transition) {
    parameters.push_back({"progress",
                          F0R_PARAM_DOUBLE,
                          "Progress of the transition, 0 to 1; once set it replaces the time",
                          Role::Progress,
                          {}});
    parameters.push_back({"duration",
                          F0R_PARAM_DOUBLE,
                          "Seconds over which the progress follows the time (default 1)",
                          Role::Duration,
                          {}});
  }
  return parameters;
}

double ToFrei0rNumber(const ParameterInfo& field, double value) {
  if (!field.hasRange || field.maximum <= field.minimum) return value;
  return std::clamp((value - field.minimum) / (field.maximum - field.minimum), 0.0, 1.0);
}

Property FromFrei0rNumber(const ParameterInfo& field, double value) {
  double number = value;
  if (field.hasRange) {
    number = field.minimum + std::clamp(value, 0.0, 1.0) * (field.maximum - field.minimum);
  }
  if (field.type != ParameterType::Int) return Property(number);
  constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
  constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
  return Property(static_cast<std::int64_t>(std::clamp(std::round(number), kLowest, kHighest)));
}

std::optional<Property> ToSettings(const Parameter& parameter, const void* value) {
  if (value == nullptr || parameter.fields.empty()) return std::nullopt;
  Property settings;
  const ParameterInfo& first = parameter.fields.front();
  switch (parameter.type) {
    case F0R_PARAM_BOOL: {
      const double flag = *static_cast<const f0r_param_bool*>(value);
      if (std::isnan(flag)) return std::nullopt;
      settings.SetChild(first.name, Property(flag > kBoolThreshold));
      return settings;
    }
    case F0R_PARAM_DOUBLE: {
      const double number = *static_cast<const f0r_param_double*>(value);
      if (!std::isfinite(number)) return std::nullopt;
      settings.SetChild(first.name, FromFrei0rNumber(first, number));
      return settings;
    }
    case F0R_PARAM_COLOR: {
      const auto& colour = *static_cast<const f0r_param_color_t*>(value);
      const std::array<float, 3> components{colour.r, colour.g, colour.b};
      for (std::size_t i = 0; i < components.size(); ++i) {
        if (!std::isfinite(components[i])) return std::nullopt;
        settings.SetChild(parameter.fields[i].name,
                          FromFrei0rNumber(parameter.fields[i], components[i]));
      }
      return settings;
    }
    case F0R_PARAM_POSITION: {
      const auto& position = *static_cast<const f0r_param_position_t*>(value);
      if (!std::isfinite(position.x) || !std::isfinite(position.y)) return std::nullopt;
      settings.SetChild(parameter.fields[0].name,
                        FromFrei0rNumber(parameter.fields[0], position.x));
      settings.SetChild(parameter.fields[1].name,
                        FromFrei0rNumber(parameter.fields[1], position.y));
      return settings;
    }
    case F0R_PARAM_STRING: {
      const char* text = *static_cast<const f0r_param_string*>(value);
      if (text == nullptr) return std::nullopt;
      settings.SetChild(first.name, Property(std::string(text)));
      return settings;
    }
    default:
      return std::nullopt;
  }
}

void FromSettings(const Parameter& parameter, const Property& settings, void* value,
                  std::string& text) {
  if (value == nullptr || parameter.fields.empty()) return;
  const auto number = [&](std::size_t i) {
    const ParameterInfo& field = parameter.fields[i];
    const Property* stored = settings.FindChild(field.name);
    return ToFrei0rNumber(field, NumberOf(stored ? *stored : field.defaultValue));
  };
  switch (parameter.type) {
    case F0R_PARAM_BOOL:
      *static_cast<f0r_param_bool*>(value) = number(0) > kBoolThreshold ? 1.0 : 0.0;
      break;
    case F0R_PARAM_DOUBLE:
      *static_cast<f0r_param_double*>(value) = number(0);
      break;
    case F0R_PARAM_COLOR:
      *static_cast<f0r_param_color_t*>(value) = {static_cast<float>(number(0)),
                                                 static_cast<float>(number(1)),
                                                 static_cast<float>(number(2))};
      break;
    case F0R_PARAM_POSITION:
      *static_cast<f0r_param_position_t*>(value) = {number(0), number(1)};
      break;
    case F0R_PARAM_STRING: {
      const Property* stored = settings.FindChild(parameter.fields[0].name);
      const auto* string = stored ? std::get_if<std::string>(&stored->GetValue()) : nullptr;
      text = string ? *string : std::string();
      *static_cast<f0r_param_string*>(value) = text.data();
      break;
    }
    default:
      break;
  }
}

}  // namespace Obrisk::Frei0r
