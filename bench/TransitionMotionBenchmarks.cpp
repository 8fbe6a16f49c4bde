// The transitions that move, warp or smear their pictures, at 1920x1080:
// each figure is the time to a finished frame (the output is waited for),
// half way through the transition.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "obrisk/settings/TransitionMotionSettings.h"

namespace Obrisk {
namespace {

constexpr int kHdWidth = 1920;
constexpr int kHdHeight = 1080;
constexpr double kHalfWay = 0.5;

void RunTransition(benchmark::State& state, const Proc::Settings& settings) {
  Ptr<Proc::IEffect> effect = Bench::CreateEffect(settings);
  effect->SetProgress(Proc::TimeToProgress([](std::int64_t) { return kHalfWay; }));
  const std::vector<Ptr<Ogl::DataVideoOGL>> inputs{Bench::UploadedPattern(kHdWidth, kHdHeight),
                                                   Bench::UploadedPattern(kHdWidth, kHdHeight)};
  Bench::RunToFinishedFrames(state, *effect, inputs);
}

template <class S>
std::unique_ptr<Proc::Settings> Defaults() {
  return std::make_unique<S>();
}

struct Member {
  const char* name;
  std::function<std::unique_ptr<Proc::Settings>()> settings;
};

// Each member with its default settings; the settings that draw differently
// (another program or more passes) as members of their own.
std::vector<Member> Members() {
  using namespace Proc;
  return {
      {"Ripple", Defaults<SettingsTransitionRipple>},
      {"RippleSmooth", Defaults<SettingsTransitionRippleSmooth>},
      {"Twist_Horizontal",
       [] {
         auto s = std::make_unique<SettingsTransitionTwist>();
         s->SetType(TwistType::Horizontal);
         return s;
       }},
      {"Twist_Diagonal1",
       [] {
         auto s = std::make_unique<SettingsTransitionTwist>();
         s->SetType(TwistType::Diagonal1);
         return s;
       }},
      {"Whoosh", Defaults<SettingsTransitionWhoosh>},
      {"Smear_Directional", Defaults<SettingsTransitionSmear>},
      {"Smear_Radial",
       [] {
         auto s = std::make_unique<SettingsTransitionSmear>();
         s->SetType(SmearType::Radial);
         return s;
       }},
      {"BarnDoor", Defaults<SettingsTransitionBarnDoor>},
      {"Blinds", Defaults<SettingsTransitionBlinds>},
      {"Slide", Defaults<SettingsTransitionSlide>},
      {"Push", Defaults<SettingsTransitionPush>},
      {"Scale", Defaults<SettingsTransitionScale>},
      {"Spin", Defaults<SettingsTransitionSpin>},
      {"Cross", Defaults<SettingsTransitionCross>},
      {"Cross_Scrolling",
       [] {
         auto s = std::make_unique<SettingsTransitionCross>();
         s->SetCross2(true);
         return s;
       }},
  };
}

const bool kRegistered = [] {
  for (const Member& member : Members()) {
    benchmark::RegisterBenchmark(
        (std::string("BM_Transition") + member.name + "_1080p").c_str(),
        [make = member.settings](benchmark::State& state) { RunTransition(state, *make()); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(1.0);
  }
  return true;
}();

}  // namespace
}  // namespace Obrisk
