#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "frame/Registrator.h"
#include "obrisk/host/Registry.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/settings/ServiceSettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Proc {
namespace {

// Every settings class the library registers, in the order of the calls,
// separated by spaces.
constexpr std::string_view kOneInput =
    "SettingsEffectColorMixBurn SettingsEffectColorSelect SettingsEffectColorMixExchange "
    "SettingsEffectColorMixField SettingsEffectColorFilter SettingsEffectColorBrush "
    "SettingsEffectTiltShiftQRW SettingsEffectErosion SettingsEffectHalfTone "
    "SettingsEffectGlassMosaic SettingsEffectTransform SettingsEffectTranspose "
    "SettingsEffectFlip SettingsEffectDisplayMatrix SettingsEffectOilPaint "
    "SettingsEffectFindEdges SettingsEffectPosterize SettingsEffectChromakey "
    "SettingsEffectVHS SettingsEffectVertigo SettingsEffectTwirl SettingsEffectPopArt "
    "SettingsEffectStripes SettingsEffectMosaic SettingsEffectDiffuse SettingsEffectMask "
    "SettingsEffectPanAndZoom SettingsEffectZoom SettingsEffectInvert SettingsEffectAddNoize "
    "SettingsEffectCameraShake SettingsEffectBlurGaussian SettingsEffectMotionBlur "
    "SettingsEffectMirror SettingsEffectRetroColors SettingsEffectSharpen "
    "SettingsEffectSubFrame SettingsEffectOpacity SettingsEffectFishEye "
    "SettingsEffectFilmStrip SettingsEffectVideoAlphaEnvelope SettingsEffectLensFlare "
    "SettingsEffectLensDistortion SettingsEffectLightLeaks SettingsEffectVignetteFilter "
    "SettingsEffectFixVertVideo SettingsEffectCensored SettingsEffect360Cylindrical "
    "SettingsEffectChromaticAberration SettingsEffectGlitchSecurityCam "
    "SettingsEffectGlitchMpeg SettingsEffectTelevision70s SettingsEffectNeonLamp "
    "SettingsEffectTemplateZTL SettingsEffectLUT SettingsEffectAim "
    "SettingsEffectAlphaChannelModifier SettingsEffectColorCurves "
    "SettingsEffectGIMPBalanceChroma SettingsEffectColorCorrection "
    "SettingsEffectGIMPHueSaturation SettingsEffectGIMPShadowsHightlights "
    "SettingsEffectGIMPColorTemperature SettingsEffectGIMPColorize SettingsEffectChannelMixer "
    "SettingsEffectFillBlurredBackground SettingsEffectISF SettingsEffectCrop "
    "SettingsEffectDenoiseNLM SettingsEffectBokehBlur SettingsEffectFlyingObjects "
    "SettingsEffectRetroArtefacts SettingsResizer SettingsColorSpaceConverter "
    "SettingsEffectSaturation SettingsEffectAutoWhiteBalance SettingsEffectMagicEnhance2 "
    "SettingsEffectAutoContrast SettingsEffectShiftUV SettingsEffectShiftLuma "
    "SettingsEffectColorBalance";
constexpr std::string_view kTwoInput =
    "SettingsEffectImageBlender SettingsEffectColorBlender SettingsEffectAlphaInserter "
    "SettingsTransitionWithEffects SettingsTransitionPageturn SettingsTransitionOrigamiValley "
    "SettingsTransitionOrigamiFlips SettingsTransitionOrigamiPleats SettingsTransitionRipple "
    "SettingsTransitionWaterbrush SettingsTransitionTwist SettingsTransitionRoll "
    "SettingsTransitionPinwheel SettingsTransitionParallax SettingsTransitionPixels "
    "SettingsTransitionRippleSmooth SettingsTransitionShatter SettingsTransitionDisintegrate "
    "SettingsTransitionSpiral SettingsTransitionLens SettingsTransitionPush "
    "SettingsTransitionBlinds SettingsTransitionScale SettingsTransitionZoom "
    "SettingsTransitionZoomBlur SettingsTransitionSmear SettingsTransitionBlur "
    "SettingsTransitionKenBurns SettingsTransitionCrossfade SettingsTransitionFadeInFadeOut "
    "SettingsTransitionSnake SettingsTransitionCircle SettingsTransitionCube "
    "SettingsTransitionWipe SettingsTransitionSlide SettingsTransitionRadial "
    "SettingsTransitionMatrix SettingsTransitionSlidingDoor SettingsTransitionBarnDoor "
    "SettingsTransitionCross SettingsTransitionPieces SettingsTransitionFlash "
    "SettingsTransitionSpin SettingsTransitionPuzzle SettingsTransitionMosaic "
    "SettingsTransitionTemplateZTL SettingsTransitionWhoosh SettingsTransitionRageZoom "
    "SettingsTransitionGlitch SettingsTransitionMotionSpin "
    "SettingsTransitionModifiedMotionSpin SettingsTransitionThroughColor "
    "SettingsTransitionWhipe SettingsTransitionSlice SettingsTransitionISF "
    "SettingsEffectDisplacementMap";
constexpr std::string_view kVarInput = "SettingsEffectMaskedMix SettingsEffectMultiInputISF";
constexpr std::size_t kTableRows = 139;

std::vector<std::string> Rows(std::string_view list) {
  std::vector<std::string> rows;
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t end = std::min(list.find(' ', at), list.size());
    rows.emplace_back(list.substr(at, end - at));
    at = end + 1;
  }
  return rows;
}

class RegistrationTable : public ::testing::Test {
 protected:
  RegistrationTable() { Registrator(registry_.get()); }
  ~RegistrationTable() override { Registrator(nullptr); }

  Ptr<EffectRegistry> registry_ = MakeRef<EffectRegistry>();
};

// The registration is the table itself: 139 calls, the 81 one-input rows
// first, then the 56 two-input and the 2 variable-input ones, each in the
// table's order, of its kind and under the OpenGL implementation.
TEST_F(RegistrationTable, IsTheWholeTableInOrder) {
  const auto& entries = registry_->Entries();
  ASSERT_EQ(entries.size(), kTableRows);
  std::vector<std::pair<EffectKind, std::string>> expected;
  for (const auto& id : Rows(kOneInput)) expected.emplace_back(EffectKind::OneInput, id);
  for (const auto& id : Rows(kTwoInput)) expected.emplace_back(EffectKind::TwoInput, id);
  for (const auto& id : Rows(kVarInput)) expected.emplace_back(EffectKind::VarInput, id);
  ASSERT_EQ(expected.size(), kTableRows);
  for (std::size_t i = 0; i < kTableRows; ++i) {
    EXPECT_EQ(entries[i].kind, expected[i].first) << i;
    EXPECT_EQ(entries[i].classId, expected[i].second) << i;
    EXPECT_EQ(entries[i].implName, ImplNames::OGL) << i;
  }
}

// Every row is registered once: no class under two rows, none missing.
TEST_F(RegistrationTable, RegistersEachClassOnce) {
  std::set<std::string> registered;
  for (const auto& entry : registry_->Entries()) {
    EXPECT_TRUE(registered.insert(entry.classId).second) << entry.classId << " twice";
  }
  EXPECT_EQ(registered.size(), kTableRows);
}

// The four transform rows make one effect class, which takes the settings of
// any of them; each row's object starts with its own class's defaults.
TEST_F(RegistrationTable, TheFourTransformRowsMakeOneEffect) {
  const std::array<std::string, 4> rows{"SettingsEffectTransform", "SettingsEffectTranspose",
                                        "SettingsEffectFlip", "SettingsEffectDisplayMatrix"};
  const Ptr<IEffectFactory> factory(registry_.get());
  std::set<std::string> algorithms;
  for (const auto& row : rows) {
    const auto* entry = registry_->Find(row, ImplNames::OGL);
    ASSERT_NE(entry, nullptr) << row;
    Ptr<IEffect> effect = entry->creator(factory, nullptr);
    ASSERT_TRUE(effect) << row;
    algorithms.insert(std::get<std::string>(effect->GetStatistic().GetChild("name").GetValue()));
    for (const auto& other : rows) {
      Ptr<IEffect> donor = registry_->Find(other, ImplNames::OGL)->creator(factory, nullptr);
      EXPECT_NO_THROW(effect->SetSettingsObject(donor->GetSettingsObject())) << row << " " << other;
    }
  }
  EXPECT_EQ(algorithms.size(), 1u);
}

TEST(Registration, EachCreatorCallMakesAnIndependentEffect) {
  auto registry = Testing::MakeRegistry();
  for (const auto& entry : registry->Entries()) {
    if (entry.classId == SettingsFrameUploader::CLASS_ID) continue;
    Ptr<IEffect> a = Testing::CreateEffect(*registry, entry.classId);
    Ptr<IEffect> b = Testing::CreateEffect(*registry, entry.classId);
    ASSERT_TRUE(a && b) << entry.classId;
    EXPECT_NE(a, b);
    EXPECT_EQ(a->GetRefCount(), 1u);
    EXPECT_NE(&a->GetSettingsObject(), &b->GetSettingsObject()) << entry.classId;
    EXPECT_EQ(a->GetSettingsObject().GetClassId(), entry.classId);
  }
}

}  // namespace
}  // namespace Obrisk::Proc
