// Checks of the errors that a call raises.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace Obrisk::Testing {

// What the exception of type E that `action` raises says, or
// "(nothing thrown)" when it raises none; any other exception passes on.
template <class E = std::exception>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& error) {
    return error.what();
  }
  return "(nothing thrown)";
}

// The description of the error of type E (one of this system's exceptions)
// that `action` raises, or "(nothing thrown)" when it raises none.
template <class E>
std::string DescriptionOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& error) {
    return error.Description();
  }
  return "(nothing thrown)";
}

// `text` holds `part`; a failure shows both.
inline ::testing::AssertionResult Contains(const std::string& text, std::string_view part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << text << "\" does not hold \"" << part << "\"";
}

}  // namespace Obrisk::Testing
