// Reading and writing lists of records (structs with Fields()) inside a
// settings object's Property, with the messages of plain fields.
#pragma once

#include <algorithm>
#include <stdexcept>
#include <string>
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

// A record from the children of `node`; `where` names it in messages of
// class `classId`.
template <class Record>
Record Read(const Property& node, const std::string& classId, const std::string& where) {
  Record record;
  for (const auto& [key, value] : node.Children()) {
    const std::string name = where + "." + key;
    auto readOne = [&](const auto& field) {
      if (field.name != key) return false;
      using T = std::remove_cvref_t<decltype(record.*field.member)>;
      const SettingsDetail::Context context{classId, name, field.hasRange, field.minimum,
                                            field.maximum};
      record.*field.member = SettingsDetail::Read<T>(value, context);
      return true;
    };
    if (!std::apply([&](const auto&... field) { return (readOne(field) || ...); },
                    Record::Fields())) {
      throw std::invalid_argument(fmt::format("{} of {} has no field '{}' (its fields: {})", where,
                                              classId, key, FieldNames<Record>()));
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

// The records of a list node, or of the JSON text of one (as a command line
// hands it over). A node with neither value nor children is the empty list.
template <class Record>
std::vector<Record> ReadList(const Property& node, const std::string& classId,
                             const std::string& what) {
  if (const auto* text = std::get_if<std::string>(&node.GetValue())) {
    return ReadList<Record>(Property::FromJson(*text), classId, what);
  }
  const bool named = std::any_of(node.Children().begin(), node.Children().end(),
                                 [](const Property::Child& child) { return !child.first.empty(); });
  if (node.HasValue() || named) {
    throw std::invalid_argument(fmt::format("{} of {} must be a list", what, classId));
  }
  std::vector<Record> records;
  for (const auto& entry : node.Children()) {
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

}  // namespace Obrisk::Proc::SettingsRecords
