#include "obrisk/host/Settings.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>

namespace Obrisk::Proc {

std::string_view ToString(ParameterType type) {
  switch (type) {
    case ParameterType::Bool:
      return "bool";
    case ParameterType::Int:
      return "int";
    case ParameterType::Float:
      return "float";
    case ParameterType::Double:
      return "double";
    case ParameterType::String:
      return "string";
  }
  return "unknown";
}

namespace SettingsDetail {
namespace {

[[noreturn]] void ThrowWrongType(const Context& context, std::string_view expected) {
  throw std::invalid_argument(
      fmt::format("parameter '{}' of {} takes {}", context.name, context.classId, expected));
}

void CheckRange(double value, const Context& context) {
  if (!context.hasRange) return;
  if (!(value >= context.minimum && value <= context.maximum)) {
    throw std::out_of_range(fmt::format("parameter '{}' of {} is {}, outside its range {} to {}",
                                        context.name, context.classId, value, context.minimum,
                                        context.maximum));
  }
}

}  // namespace

bool ReadBool(const Property& value, const Context& context) {
  if (const auto* flag = std::get_if<bool>(&value.GetValue())) return *flag;
  if (const auto* number = std::get_if<std::int64_t>(&value.GetValue())) {
    if (*number == 0 || *number == 1) return *number == 1;
  }
  ThrowWrongType(context, "a boolean (true, false, 1 or 0)");
}

std::int32_t ReadInt(const Property& value, const Context& context) {
  double number = 0.0;
  if (const auto* integer = std::get_if<std::int64_t>(&value.GetValue())) {
    number = static_cast<double>(*integer);
  } else if (const auto* real = std::get_if<double>(&value.GetValue());
             real != nullptr && std::floor(*real) == *real) {
    number = *real;
  } else {
    ThrowWrongType(context, "a whole number");
  }
  CheckRange(number, context);
  if (number < std::numeric_limits<std::int32_t>::min() ||
      number > std::numeric_limits<std::int32_t>::max()) {
    throw std::out_of_range(fmt::format("parameter '{}' of {} is {}, outside the 32-bit range",
                                        context.name, context.classId, number));
  }
  return static_cast<std::int32_t>(number);
}

double ReadNumber(const Property& value, const Context& context) {
  double number = 0.0;
  if (const auto* integer = std::get_if<std::int64_t>(&value.GetValue())) {
    number = static_cast<double>(*integer);
  } else if (const auto* real = std::get_if<double>(&value.GetValue())) {
    number = *real;
  } else {
    ThrowWrongType(context, "a number");
  }
  if (!std::isfinite(number)) ThrowWrongType(context, "a finite number");
  CheckRange(number, context);
  return number;
}

std::string ReadString(const Property& value, const Context& context) {
  if (const auto* text = std::get_if<std::string>(&value.GetValue())) return *text;
  ThrowWrongType(context, "a text");
}

void ThrowUnknown(const std::string& classId, std::string_view name,
                  const std::vector<ParameterInfo>& known) {
  std::string names;
  for (const auto& parameter : known) {
    names += names.empty() ? parameter.name : ", " + parameter.name;
  }
  throw std::invalid_argument(fmt::format("{} has no parameter '{}' (its parameters: {})", classId,
                                          name, names.empty() ? "none" : names));
}

void ThrowIfPlainValue(const Property& property, const std::string& classId) {
  if (property.HasValue()) {
    throw std::invalid_argument(
        fmt::format("{} expects named parameters, not a single value", classId));
  }
  for (const auto& [key, child] : property.Children()) {
    if (key.empty()) {
      throw std::invalid_argument(fmt::format("{} expects named parameters, not a list", classId));
    }
  }
}

}  // namespace SettingsDetail
}  // namespace Obrisk::Proc
