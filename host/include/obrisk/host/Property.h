// A tree of named values: settings, statistics and presets travel as Property.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace Obrisk {

class Property {
 public:
  using Value = std::variant<std::monostate, bool, std::int64_t, double, std::string>;
  using Child = std::pair<std::string, Property>;

  Property() = default;
  Property(bool value) : value_(value) {}
  Property(int value) : value_(std::int64_t{value}) {}
  Property(unsigned value) : value_(std::int64_t{value}) {}
  Property(std::int64_t value) : value_(value) {}
  Property(double value) : value_(value) {}
  Property(float value) : value_(double{value}) {}
  Property(std::string value) : value_(std::move(value)) {}
  Property(const char* value) : value_(std::string(value)) {}

  const Value& GetValue() const { return value_; }
  void SetValue(Value value) { value_ = std::move(value); }
  bool HasValue() const { return !std::holds_alternative<std::monostate>(value_); }

  // Replaces the child named key, or appends it when there is none.
  void SetChild(std::string key, Property value);
  // Appends an unnamed child (list element).
  void Add(Property value);

  const Property* FindChild(std::string_view key) const;
  // Throws std::out_of_range naming the key when there is no such child.
  const Property& GetChild(std::string_view key) const;
  const std::vector<Child>& Children() const { return children_; }

  // Objects and arrays nested deeper than this are refused by FromJson: the
  // settings, chains and headers that travel as JSON need a handful of levels.
  static constexpr int kMaxJsonDepth = 64;

  // JSON text: a plain value is a JSON scalar, named children an object,
  // unnamed children an array. A node with both keeps its value under "@value".
  std::string ToJson(int indent = -1) const;
  // Throws std::invalid_argument with the parser's message on malformed text,
  // naming the limit for nesting deeper than kMaxJsonDepth, and for an
  // integer outside the signed 64-bit range.
  static Property FromJson(std::string_view text);

  bool operator==(const Property& other) const = default;

 private:
  Value value_;
  std::vector<Child> children_;
};

}  // namespace Obrisk
