#include "obrisk/host/Property.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

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

// Builds a Property straight from the parser's events, so that the depth is
// checked before a level is opened and an integer keeps the digits it was
// written with: the parser turns an integer too long for 64 bits into a
// double, and only its text still tells the two apart.
class PropertyBuilder {
 public:
  using Json = nlohmann::ordered_json;

  bool null() { return Place(Property()); }
  bool boolean(bool value) { return Place(Property(value)); }
  bool number_integer(Json::number_integer_t value) { return Place(Property(std::int64_t{value})); }
  bool number_unsigned(Json::number_unsigned_t value) {
    if (value > std::uint64_t{std::numeric_limits<std::int64_t>::max()}) {
      ThrowOutOfRange(std::to_string(value));
    }
    return Place(Property(static_cast<std::int64_t>(value)));
  }
  bool number_float(Json::number_float_t value, const Json::string_t& text) {
    if (text.find_first_of(".eE") == std::string::npos) ThrowOutOfRange(text);
    return Place(Property(double{value}));
  }
  bool string(Json::string_t& value) { return Place(Property(std::move(value))); }
  // JSON text holds no binary values; only the binary formats produce them.
  bool binary(Json::binary_t&) { return false; }
  bool start_object(std::size_t) { return Open(true); }
  bool start_array(std::size_t) { return Open(false); }
  bool key(Json::string_t& key) {
    open_.back().key = std::move(key);
    return true;
  }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  bool parse_error(std::size_t, const std::string&, const Json::exception& error) {
    throw std::invalid_argument(std::string("Property: invalid JSON: ") + error.what());
  }

  Property Take() { return std::move(root_); }

 private:
  // An object or array being read, and the key of its next member.
  struct Level {
    Property node;
    std::string key;
    bool isObject = false;
  };

  static void ThrowOutOfRange(const std::string& digits) {
    throw std::invalid_argument(
        fmt::format("Property: the integer {} is outside the signed 64-bit range", digits));
  }

  bool Open(bool isObject) {
    if (open_.size() >= static_cast<std::size_t>(Property::kMaxJsonDepth)) {
      throw std::invalid_argument(fmt::format(
          "Property: JSON nested deeper than {} levels is not accepted", Property::kMaxJsonDepth));
    }
    open_.push_back(Level{Property(), std::string(), isObject});
    return true;
  }

  bool Close() {
    Property done = std::move(open_.back().node);
    open_.pop_back();
    return Place(std::move(done), true);
  }

  // Puts a finished value into the level that holds it. The "@value" member
  // of an object is that object's own value; it holds a plain value only.
  bool Place(Property value, bool isContainer = false) {
    if (open_.empty()) {
      root_ = std::move(value);
      return true;
    }
    Level& level = open_.back();
    if (!level.isObject) {
      level.node.Add(std::move(value));
    } else if (level.key == kValueKey) {
      level.node.SetValue(isContainer ? Property::Value() : value.GetValue());
    } else {
      level.node.SetChild(std::move(level.key), std::move(value));
    }
    level.key.clear();
    return true;
  }

  std::vector<Level> open_;
  Property root_;
};

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
  PropertyBuilder builder;
  try {
    nlohmann::ordered_json::sax_parse(text, &builder);
  } catch (const nlohmann::json::exception& error) {
    throw std::invalid_argument(std::string("Property: invalid JSON: ") + error.what());
  }
  return builder.Take();
}

}  // namespace Obrisk
