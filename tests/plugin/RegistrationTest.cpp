#include <array>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include <iostream>
#include "frame/Registrator.h"
#include "obrisk/host/Registry.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/settings/ServiceSettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Proc {
namespace {

// Every settings class the library registers, in the order of the calls.
constexpr std::array<const char*, 81> kOneInput{
    "SettingsEffectColorMixBurn",
    "SettingsEffectColorSelect",
    "SettingsEffectColorMixExchange",
    "SettingsEffectColorMixField",
    "SettingsEffectColorFilter",
    "SettingsEffectColorBrush",
    "SettingsEffectTiltShiftQRW",
    "SettingsEffectErosion",
    "SettingsEffectHalfTone",
    "SettingsEffectGlassMosaic",
    "SettingsEffectTransform",
    "SettingsEffectTranspose",
    "SettingsEffectFlip",
    "SettingsEffectDisplayMatrix",
    "SettingsEffectOilPaint",
    "SettingsEffectFindEdges",
    "SettingsEffectPosterize",
    "SettingsEffectChromakey",
    "SettingsEffectVHS",
    "SettingsEffectVertigo",
    "SettingsEffectTwirl",
    "SettingsEffectPopArt",
    "SettingsEffectStripes",
    "SettingsEffectMosaic",
    "SettingsEffectDiffuse",
    "SettingsEffectMask",
    "SettingsEffectPanAndZoom",
    "SettingsEffectZoom",
    "SettingsEffectInvert",
    "SettingsEffectAddNoize",
    "SettingsEffectCameraShake",
    "SettingsEffectBlurGaussian",
    "SettingsEffectMotionBlur",
    "SettingsEffectMirror",
    "SettingsEffectRetroColors",
    "SettingsEffectSharpen",
    "SettingsEffectSubFrame",
    "SettingsEffectOpacity",
    "SettingsEffectFishEye",
    "SettingsEffectFilmStrip",
    "SettingsEffectVideoAlphaEnvelope",
    "SettingsEffectLensFlare",
    "SettingsEffectLensDistortion",
    "SettingsEffectLightLeaks",
    "SettingsEffectVignetteFilter",
    "SettingsEffectFixVertVideo",
    "SettingsEffectCensored",
    "SettingsEffect360Cylindrical",
    "SettingsEffectChromaticAberration",
    "SettingsEffectGlitchSecurityCam",
    "SettingsEffectGlitchMpeg",
    "SettingsEffectTelevision70s",
    "SettingsEffectNeonLamp",
    "SettingsEffectTemplateZTL",
    "SettingsEffectLUT",
    "SettingsEffectAim",
    "SettingsEffectAlphaChannelModifier",
    "SettingsEffectColorCurves",
    "SettingsEffectGIMPBalanceChroma",
    "SettingsEffectColorCorrection",
    "SettingsEffectGIMPHueSaturation",
    "SettingsEffectGIMPShadowsHightlights",
    "SettingsEffectGIMPColorTemperature",
    "SettingsEffectGIMPColorize",
    "SettingsEffectChannelMixer",
    "SettingsEffectFillBlurredBackground",
    "SettingsEffectISF",
    "SettingsEffectCrop",
    "SettingsEffectDenoiseNLM",
    "SettingsEffectBokehBlur",
    "SettingsEffectFlyingObjects",
    "SettingsEffectRetroArtefacts",
    "SettingsResizer",
    "SettingsColorSpaceConverter",
    "SettingsEffectSaturation",
    "SettingsEffectAutoWhiteBalance",
    "SettingsEffectMagicEnhance2",
    "SettingsEffectAutoContrast",
    "SettingsEffectShiftUV",
    "SettingsEffectShiftLuma",
    "SettingsEffectColorBalance",
};
constexpr std::array<const char*, 56> kTwoInput{
    "SettingsEffectImageBlender",
    "SettingsEffectColorBlender",
    "SettingsEffectAlphaInserter",
    "SettingsTransitionWithEffects",
    "SettingsTransitionPageturn",
    "SettingsTransitionOrigamiValley",
    "SettingsTransitionOrigamiFlips",
    "SettingsTransitionOrigamiPleats",
    "SettingsTransitionRipple",
    "SettingsTransitionWaterbrush",
    "SettingsTransitionTwist",
    "SettingsTransitionRoll",
    "SettingsTransitionPinwheel",
    "SettingsTransitionParallax",
    "SettingsTransitionPixels",
    "SettingsTransitionRippleSmooth",
    "SettingsTransitionShatter",
    "SettingsTransitionDisintegrate",
    "SettingsTransitionSpiral",
    "SettingsTransitionLens",
    "SettingsTransitionPush",
    "SettingsTransitionBlinds",
    "SettingsTransitionScale",
    "SettingsTransitionZoom",
    "SettingsTransitionZoomBlur",
    "SettingsTransitionSmear",
    "SettingsTransitionBlur",
    "SettingsTransitionKenBurns",
    "SettingsTransitionCrossfade",
    "SettingsTransitionFadeInFadeOut",
    "SettingsTransitionSnake",
    "SettingsTransitionCircle",
    "SettingsTransitionCube",
    "SettingsTransitionWipe",
    "SettingsTransitionSlide",
    "SettingsTransitionRadial",
    "SettingsTransitionMatrix",
    "SettingsTransitionSlidingDoor",
    "SettingsTransitionBarnDoor",
    "SettingsTransitionCross",
    "SettingsTransitionPieces",
    "SettingsTransitionFlash",
    "SettingsTransitionSpin",
    "SettingsTransitionPuzzle",
    "SettingsTransitionMosaic",
    "SettingsTransitionTemplateZTL",
    "SettingsTransitionWhoosh",
    "SettingsTransitionRageZoom",
    "SettingsTransitionGlitch",
    "SettingsTransitionMotionSpin",
    "SettingsTransitionModifiedMotionSpin",
    "SettingsTransitionThroughColor",
    "SettingsTransitionWhipe",
    "SettingsTransitionSlice",
    "SettingsTransitionISF",
    "SettingsEffectDisplacementMap",
};
constexpr std::array<const char*, 2> kVarInput{
    "SettingsEffectMaskedMix",
    "SettingsEffectMultiInputISF",
};

// True when `registered` lists a subsequence of `table`, in order.
template <std::size_t N>
bool FollowsTable(const std::vector<std::string>& registered,
                  const std::array<const char*, N>& table) {
  std::size_t next = 0;
  for (const auto& id : registered) {
    while (next < N && id != table[next]) ++next;
    if (next == N) return false;
    ++next;
  }
  return true;
}

TEST(Registration, FollowsTheTableUnderTheOpenGLImplementation) {
  auto registry = MakeRef<EffectRegistry>();
  Registrator(registry.get());
  std::vector<std::string> ids[3];
  for (const auto& entry : registry->Entries()) {
    EXPECT_EQ(entry.implName, ImplNames::OGL) << entry.classId;
    ids[static_cast<int>(entry.kind)].push_back(entry.classId);
  }
  EXPECT_TRUE(FollowsTable(ids[0], kOneInput));
  EXPECT_TRUE(FollowsTable(ids[1], kTwoInput));
  EXPECT_TRUE(FollowsTable(ids[2], kVarInput));
  EXPECT_EQ(kOneInput.size() + kTwoInput.size() + kVarInput.size(), 139u);
  EXPECT_GE(registry->Entries().size(), 1u);
  std::cout << "registered " << registry->Entries().size() << " of 139 settings classes\n";
  Registrator(nullptr);
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
