#include "obrisk/host/Property.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace Obrisk {
namespace {

constexpr const char* kValueKey = "@value";

nlohmann::ordered_json ValueToJson(const Property::Value& value) {
  return std::visit(
      [](const auto& v) -> nlohmann::ordered_json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return nullptr;
        } else {
          return v;
        }
      },
      value);
}

nlohmann::ordered_json ToJsonTree(const Property& property) {
  const auto& children = property.Children();
  if (children.empty()) return ValueToJson(property.GetValue());
  const bool unnamed = children.front().first.empty();
  nlohmann::ordered_json node =
      unnamed ? nlohmann::ordered_json::array() : nlohmann::ordered_json::object();
  for (const auto& [key, child] : children) {
    if (unnamed) {
      node.push_back(ToJsonTree(child));
    } else {
      node[key] = ToJsonTree(child);
    }
  }
  if (property.HasValue()) {
    if (unnamed) throw std::logic_error("Property: a list node cannot also hold a value");
    node[kValueKey] = ValueToJson(property.GetValue());
  }
  return node;
}

Property::Value JsonToValue(const nlohmann::ordered_json& node) {
  if (node.is_boolean()) return node.get<bool>();
  if (node.is_number_unsigned() &&
      node.get<std::uint64_t>() > std::uint64_t{std::numeric_limits<std::int64_t>::max()}) {
    throw std::invalid_argument(fmt::format(
        "Property: the integer {} is outside the signed 64-bit range", node.get<std::uint64_t>()));
  }
  if (node.is_number_integer()) return node.get<std::int64_t>();
  if (node.is_number()) return node.get<double>();
  if (node.is_string()) return node.get<std::string>();
  return std::monostate{};
}

Property FromJsonTree(const nlohmann::ordered_json& node) {
  Property property;
  if (node.is_object()) {
    for (const auto& [key, child] : node.items()) {
      if (key == kValueKey) {
        property.SetValue(JsonToValue(child));
      } else {
        property.SetChild(key, FromJsonTree(child));
      }
    }
  } else if (node.is_array()) {
    for (const auto& child : node) property.Add(FromJsonTree(child));
  } else {
    property.SetValue(JsonToValue(node));
  }
  return property;
}

}  // namespace

void Property::SetChild(std::string key, Property value) {
  for (auto& [name, child] : children_) {
    if (name == key) {
      child = std::move(value);
      return;
    }
  }
  children_.emplace_back(std::move(key), std::move(value));
}

void Property::Add(Property value) {
  children_.emplace_back(std::string(), std::move(value));
}

const Property* Property::FindChild(std::string_view key) const {
  for (const auto& [name, child] : children_) {
    if (name == key) return &child;
  }
  return nullptr;
}

const Property& Property::GetChild(std::string_view key) const {
  if (const Property* child = FindChild(key)) return *child;
  throw std::out_of_range("Property has no child '" + std::string(key) + "'");
}

std::string Property::ToJson(int indent) const {
  return ToJsonTree(*this).dump(indent);
}

Property Property::FromJson(std::string_view text) {
  // The parser reports the depth of each value it starts; the tree is never
  // built past the limit, so neither the conversion nor the tree's own
  // destruction recurses deeper.
  const auto limitDepth = [](int depth, nlohmann::ordered_json::parse_event_t event,
                             nlohmann::ordered_json&) {
    using Event = nlohmann::ordered_json::parse_event_t;
    if ((event == Event::object_start || event == Event::array_start) && depth >= kMaxJsonDepth) {
      throw std::invalid_argument(fmt::format(
          "Property: JSON nested deeper than {} levels is not accepted", kMaxJsonDepth));
    }
    return true;
  };
  try {
    return FromJsonTree(nlohmann::ordered_json::parse(text, limitDepth));
  } catch (const nlohmann::json::exception& error) {
    throw std::invalid_argument(std::string("Property: invalid JSON: ") + error.what());
  }
}

}  // namespace Obrisk
