// Reading and writing lists of records (structs with Fields()) inside a
// settings object's Property, with the messages of plain fields.
#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "obrisk/host/Settings.h"

namespace Obrisk::Proc::SettingsRecords {

// The names of a record's fields, for messages.
template <class Record>
std::string FieldNames() {
  std::vector<std::string> names;
  std::apply([&](const auto&... field) { (names.emplace_back(field.name), ...); },
             Record::Fields());
  return fmt::format("{}", fmt::join(names, ", "));
}

[[noreturn]] inline void ThrowUnknownField(const std::string& classId, const std::string& where,
                                           const std::string& key, const std::string& known) {
  throw std::invalid_argument(
      fmt::format("{} of {} has no field '{}' (its fields: {})", where, classId, key, known));
}

// Reads `value` into the field of `record` named `key`; false when the record
// has no such field. `where` names the record in messages of class `classId`.
template <class Record>
bool ReadField(Record& record, const std::string& key, const Property& value,
               const std::string& classId, const std::string& where) {
  const std::string name = where + "." + key;
  auto readOne = [&](const auto& field) {
    if (field.name != key) return false;
    using T = std::remove_cvref_t<decltype(record.*field.member)>;
    const SettingsDetail::Context context{classId, name, field.hasRange, field.minimum,
                                          field.maximum};
    record.*field.member = SettingsDetail::Read<T>(value, context);
    return true;
  };
  return std::apply([&](const auto&... field) { return (readOne(field) || ...); },
                    Record::Fields());
}

// A record from the children of `node`; `where` names it in messages of
// class `classId`.
template <class Record>
Record Read(const Property& node, const std::string& classId, const std::string& where) {
  Record record;
  for (const auto& [key, value] : node.Children()) {
    if (!ReadField(record, key, value, classId, where)) {
      ThrowUnknownField(classId, where, key, FieldNames<Record>());
    }
  }
  return record;
}

template <class Record>
Property Write(const Record& record) {
  Property property;
  std::apply(
      [&](const auto&... field) {
        (property.SetChild(std::string(field.name), Property(record.*field.member)), ...);
      },
      Record::Fields());
  return property;
}

// The entries of a list: a node without value whose children are unnamed.
// A node with neither value nor children is the empty list.
inline const std::vector<Property::Child>& ListEntries(const Property& node,
                                                       const std::string& classId,
                                                       const std::string& what) {
  const bool named = std::any_of(node.Children().begin(), node.Children().end(),
                                 [](const Property::Child& child) { return !child.first.empty(); });
  if (node.HasValue() || named) {
    throw std::invalid_argument(fmt::format("{} of {} must be a list", what, classId));
  }
  return node.Children();
}

// The records of a list node, or of the JSON text of one (as a command line
// hands it over).
template <class Record>
std::vector<Record> ReadList(const Property& node, const std::string& classId,
                             const std::string& what) {
  if (const auto* text = std::get_if<std::string>(&node.GetValue())) {
    return ReadList<Record>(Property::FromJson(*text), classId, what);
  }
  std::vector<Record> records;
  for (const auto& entry : ListEntries(node, classId, what)) {
    records.push_back(
        Read<Record>(entry.second, classId, fmt::format("{}[{}]", what, records.size())));
  }
  return records;
}

template <class Record>
Property WriteList(const std::vector<Record>& records) {
  Property list;
  for (const Record& record : records) list.Add(Write(record));
  return list;
}

// Sets `settings` from `property`: every child but `listName` as a plain
// field, the list (when given) through `assignList(next, list)`. On a throw
// the settings are unchanged.
template <class S, class AssignList>
void DeserializeWithList(S& settings, const Property& property, std::string_view listName,
                         AssignList assignList) {
  SettingsDetail::ThrowIfPlainValue(property, S::CLASS_ID);
  Property fields;
  const Property* list = nullptr;
  for (const auto& [key, value] : property.Children()) {
    if (key == listName) {
      list = &value;
    } else {
      fields.SetChild(key, value);
    }
  }
  S next = settings;
  next.SettingsBase<S>::Deserialize(fields);
  if (list != nullptr) assignList(next, *list);
  settings = std::move(next);
}

// The plain parameters of S followed by its list parameter, as tools list them.
template <class S>
std::vector<ParameterInfo> ParametersWithList(const S& settings, std::string_view listName,
                                              Property defaultList, std::string description) {
  std::vector<ParameterInfo> list = settings.SettingsBase<S>::GetParameters();
  list.push_back(ParameterInfo{std::string(listName), ParameterType::String, std::move(defaultList),
                               false, 0.0, 0.0, std::move(description)});
  return list;
}

}  // namespace Obrisk::Proc::SettingsRecords
