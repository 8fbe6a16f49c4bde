#include <cmath>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/host/Exception.h"
#include "obrisk/settings/ColorSettings.h"
#include "obrisk/settings/RetroSettings.h"
#include "obrisk/settings/TemplateSettings.h"
#include "obrisk/settings/TransitionSettings.h"
#include "support/GpuTestSupport.h"
#include "transitions/TransitionTestSupport.h"

namespace Obrisk::Proc {
namespace {

using Testing::FirstPicture;
using Testing::MaxChannelDifference;
using Testing::SecondPicture;

constexpr std::int64_t kDuration = 1000000;  // one second
constexpr std::int64_t kFrame = 40000;

// The host's registry, recording every effect it makes for the transition.
class RecordingFactory final : public RefCounted<IEffectFactory> {
 public:
  bool CreateEffect(Ptr<IEffect>& effect, const std::string& classId, const std::string& implName,
                    const Ptr<IRefCountable>& context) override {
    const bool made = registry_->CreateEffect(effect, classId, implName, context);
    if (made) made_.push_back(effect);
    return made;
  }
  EffectRegistry& Registry() { return *registry_; }
  // The last effect made for the class.
  Ptr<IEffect> Made(const std::string& classId) const {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      if ((*it)->GetSettingsObject().GetClassId() == classId) return *it;
    }
    return nullptr;
  }

 private:
  Ptr<EffectRegistry> registry_ = Testing::MakeRegistry();
  std::vector<Ptr<IEffect>> made_;
};

SettingsTransitionWithEffects FromJson(const std::string& json) {
  SettingsTransitionWithEffects settings;
  settings.Deserialize(Property::FromJson(json));
  return settings;
}

class TransitionWithEffectsTest : public ::testing::Test {
 protected:
  Ptr<IEffect> Make(const SettingsTransitionWithEffects& settings) {
    const auto* entry =
        factory_->Registry().Find(SettingsTransitionWithEffects::CLASS_ID, ImplNames::OGL);
    EXPECT_NE(entry, nullptr);
    Ptr<IEffect> effect = entry->creator(Ptr<IEffectFactory>(factory_.get()), nullptr);
    effect->SetSettingsObject(settings);
    effect->SetProgress(TimeToProgress::Linear(0, kDuration));
    return effect;
  }

  // The frame that ends at progress `q` of the second.
  static Ptr<DataVideoMemory> RunAt(IEffect& effect, double q) {
    const auto end = static_cast<std::int64_t>(std::llround(q * kDuration));
    std::vector<Ptr<IData>> frames{Testing::Upload(FirstPicture()),
                                   Testing::Upload(SecondPicture())};
    for (auto& frame : frames) {
      frame->SetStartTime(end - kFrame);
      frame->SetDuration(kFrame);
    }
    return Testing::Download(effect.ProcessData(frames));
  }

  // The crossfade at `progress`, then the invert effect, run one by one.
  Ptr<DataVideoMemory> ByHand(double progress) {
    const auto mixed = Testing::RunTransition(SettingsTransitionCrossfade(), FirstPicture(),
                                              SecondPicture(), progress);
    Ptr<IEffect> invert =
        Testing::CreateEffect(factory_->Registry(), SettingsEffectInvert::CLASS_ID);
    return Testing::Download(invert->ProcessData({Testing::Upload(mixed)}));
  }

  Ptr<RecordingFactory> factory_ = MakeRef<RecordingFactory>();
};

constexpr const char* kCrossfadeAndInvert = R"({
  "transitionFilling": 0.5,
  "transition": {"class": "SettingsTransitionCrossfade"},
  "effects": [{"class": "SettingsEffectInvert", "settings": {"intensity": 1.0}}]
})";

// The inner crossfade plays over the middle half: progress 0.25 to 0.75
// maps to 0 to 1 of it.
TEST_F(TransitionWithEffectsTest, InnerCrossfadeAndInvertMatchTheEffectsComposedByHand) {
  Ptr<IEffect> effect = Make(FromJson(kCrossfadeAndInvert));
  for (const auto& [q, inner] :
       {std::pair{0.375, 0.25}, std::pair{0.5, 0.5}, std::pair{0.625, 0.75}}) {
    EXPECT_LE(MaxChannelDifference(*RunAt(*effect, q), *ByHand(inner)), 1) << q;
  }
  // Outside the inner range: a cut at the midpoint, inverted.
  EXPECT_LE(MaxChannelDifference(*RunAt(*effect, 0.1), *ByHand(0.0)), 1);
  EXPECT_LE(MaxChannelDifference(*RunAt(*effect, 0.9), *ByHand(1.0)), 1);
}

TEST_F(TransitionWithEffectsTest, WithoutPartsItCutsAtTheMidpoint) {
  Ptr<IEffect> effect = Make(SettingsTransitionWithEffects());
  EXPECT_EQ(MaxChannelDifference(*RunAt(*effect, 0.2), *FirstPicture()), 0);
  EXPECT_EQ(MaxChannelDifference(*RunAt(*effect, 0.5), *FirstPicture()), 0);
  EXPECT_EQ(MaxChannelDifference(*RunAt(*effect, 0.52), *SecondPicture()), 0);
}

TEST_F(TransitionWithEffectsTest, FillingZeroLeavesTheInnerTransitionOut) {
  auto settings = FromJson(kCrossfadeAndInvert);
  settings.SetTransitionFilling(0.0);
  Ptr<IEffect> effect = Make(settings);
  EXPECT_LE(MaxChannelDifference(*RunAt(*effect, 0.48), *ByHand(0.0)), 1);
  EXPECT_LE(MaxChannelDifference(*RunAt(*effect, 0.52), *ByHand(1.0)), 1);
}

struct RampCase {
  double power;
  double multiplier;
  double q;
  double expected;  // the glitch intensity, times the one given
};
class GlitchStrength : public TransitionWithEffectsTest,
                       public ::testing::WithParamInterface<RampCase> {};

// The glitch's intensity is the one given times (2 d)^power x multiplier, d
// the distance to the nearer end, at most 1: 0 at the ends, the peak at the
// midpoint.
TEST_P(GlitchStrength, RisesTowardTheMidpoint) {
  const RampCase& c = GetParam();
  auto settings = FromJson(R"({"effects": [{"class": "SettingsEffectGlitchMpeg",
                                            "settings": {"intensity": 0.8}}]})");
  settings.SetPowerScale(c.power);
  settings.SetIntensityMultiplier(c.multiplier);
  Ptr<IEffect> effect = Make(settings);
  RunAt(*effect, c.q);
  Ptr<IEffect> glitch = factory_->Made(SettingsEffectGlitchMpeg::CLASS_ID);
  ASSERT_TRUE(glitch);
  const auto& typed = dynamic_cast<const SettingsEffectGlitchMpeg&>(glitch->GetSettingsObject());
  EXPECT_NEAR(typed.GetIntensity(), 0.8 * c.expected, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Ramp, GlitchStrength,
    ::testing::Values(RampCase{1.0, 1.0, 0.0, 0.0}, RampCase{1.0, 1.0, 0.25, 0.5},
                      RampCase{1.0, 1.0, 0.5, 1.0}, RampCase{1.0, 1.0, 0.75, 0.5},
                      RampCase{1.0, 1.0, 1.0, 0.0}, RampCase{2.0, 1.0, 0.25, 0.25},
                      RampCase{1.0, 0.5, 0.5, 0.5}, RampCase{1.0, 3.0, 0.25, 1.0}));

TEST_F(TransitionWithEffectsTest, ATwoInputEffectInTheChainIsRefused) {
  auto settings = FromJson(R"({"effects": [{"class": "SettingsTransitionCrossfade"}]})");
  const auto* entry =
      factory_->Registry().Find(SettingsTransitionWithEffects::CLASS_ID, ImplNames::OGL);
  Ptr<IEffect> effect = entry->creator(Ptr<IEffectFactory>(factory_.get()), nullptr);
  try {
    effect->SetSettingsObject(settings);
    FAIL() << "no exception";
  } catch (const std::logic_error& error) {
    EXPECT_STREQ(error.what(),
                 "Invalid FrameAllocType in using effect: SettingsTransitionCrossfade");
  }
  EXPECT_TRUE(effect->GetSettingsObject().IsEqualTo(SettingsTransitionWithEffects()))
      << "the settings stay";
}

TEST_F(TransitionWithEffectsTest, AnUnknownClassIsRefused) {
  auto settings = FromJson(R"({"transition": {"class": "SettingsTransitionNoSuchThing"}})");
  Ptr<IEffect> effect = Make(SettingsTransitionWithEffects());
  EXPECT_THROW(effect->SetSettingsObject(settings), std::invalid_argument);
}

TEST_F(TransitionWithEffectsTest, FramesOfDifferentColourSpacesAreRefused) {
  Ptr<IEffect> effect = Make(SettingsTransitionWithEffects());
  auto other = MakeRef<DataVideoMemory>(ColorSpace{9, 16, 9, 0}, PixFmt::RGBA,
                                        FirstPicture()->GetFrameInfo());
  try {
    effect->ProcessData({Testing::Upload(FirstPicture()), other});
    FAIL() << "no exception";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Description(), "Both frames must have the same color space to operate");
  }
}

TEST_F(TransitionWithEffectsTest, StatisticsCountFramesAsATransition) {
  Ptr<IEffect> effect = Make(SettingsTransitionWithEffects());
  RunAt(*effect, 0.3);
  RunAt(*effect, 0.6);
  const Property statistic = effect->GetStatistic();
  EXPECT_EQ(std::get<std::string>(statistic.GetChild("name").GetValue()),
            "Obrisk::Ogl::TransitionWithEffects::GetStatistic");
  EXPECT_EQ(std::get<std::int64_t>(statistic.GetChild("frames").GetValue()), 2);
  EXPECT_EQ(std::get<std::int64_t>(statistic.GetChild("type").GetValue()), 8);
  EXPECT_EQ(effect->GetTraits(), 7);
}

TEST(TransitionWithEffectsSettings, TravelAsNestedJsonLikeAChainFile) {
  const auto settings = FromJson(kCrossfadeAndInvert);
  ASSERT_TRUE(settings.GetTransition());
  EXPECT_EQ(settings.GetTransition()->GetClassId(), "SettingsTransitionCrossfade");
  ASSERT_EQ(settings.GetEffects().size(), 1u);
  EXPECT_EQ(settings.GetEffects()[0]->GetClassId(), "SettingsEffectInvert");
  const Property written = settings.Serialize();
  EXPECT_EQ(std::get<std::string>(
                written.GetChild("effects").Children().at(0).second.GetChild("class").GetValue()),
            "SettingsEffectInvert");
  SettingsTransitionWithEffects copy;
  copy.Deserialize(written);
  EXPECT_TRUE(copy.IsEqualTo(settings));
  EXPECT_FALSE(copy.IsEqualTo(SettingsTransitionWithEffects()));
  EXPECT_THROW(FromJson(R"({"effects": [{"settings": {}}]})"), std::invalid_argument);
  EXPECT_THROW(FromJson(R"({"transitionFilling": 2})"), std::out_of_range);
}

}  // namespace
}  // namespace Obrisk::Proc
