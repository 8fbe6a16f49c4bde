// Running transitions in tests, and the properties every member of the
// family shares, as a parameterised suite: a member's test file instantiates
// TransitionProperties with its own cases.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "obrisk/host/Settings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Testing {

// The two pictures the shared tests play between: different in every channel
// and across the frame, opaque, 64 x 48 (not square, so aspect mistakes show).
inline constexpr int kTransitionWidth = 64;
inline constexpr int kTransitionHeight = 48;
Ptr<Proc::DataVideoMemory> FirstPicture();
Ptr<Proc::DataVideoMemory> SecondPicture();

// Runs the registered transition of the settings' class once at `progress`,
// through the host's interface, and reads the output back.
Ptr<Proc::DataVideoMemory> RunTransition(const Proc::Settings& settings,
                                         const Ptr<Proc::DataVideoMemory>& first,
                                         const Ptr<Proc::DataVideoMemory>& second, double progress);

// The largest difference of any channel between two frames of one size.
int MaxChannelDifference(const Proc::DataVideoMemory& a, const Proc::DataVideoMemory& b);

using SettingsMaker = std::function<std::unique_ptr<Proc::Settings>()>;

// Settings of class S, set up by `set`.
template <class S>
SettingsMaker Make(std::function<void(S&)> set = {}) {
  return [set] {
    auto settings = std::make_unique<S>();
    if (set) set(*settings);
    return std::unique_ptr<Proc::Settings>(std::move(settings));
  };
}

// Settings of class S with one setter called.
template <class S, class Value>
SettingsMaker MakeWith(void (S::*setter)(Value), Value value) {
  return Make<S>([setter, value](S& settings) { (settings.*setter)(value); });
}

// One member (and setting) of the family under the shared tests.
struct TransitionCase {
  std::string name;  // letters, digits and underscores: it names the test
  SettingsMaker plain;
  // The same member played backwards, where it has such a direction or type.
  SettingsMaker reversed = nullptr;
  // False where p = 0 does not give the first input or p = 1 the second
  // (the member's test file says why).
  bool endsAreInputs = true;
};

inline std::ostream& operator<<(std::ostream& out, const TransitionCase& c) {
  return out << c.name;
}

class TransitionProperties : public ::testing::TestWithParam<TransitionCase> {};

// For INSTANTIATE_TEST_SUITE_P(..., TransitionProperties, ValuesIn(cases), TransitionCaseName).
std::string TransitionCaseName(const ::testing::TestParamInfo<TransitionCase>& info);

}  // namespace Obrisk::Testing
