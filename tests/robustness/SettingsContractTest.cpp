// The contract every settings class keeps with stored files and with the
// effects: serialised names that do not change, values checked whichever
// way they arrive, and a settings object whose address a host may keep.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/host/Property.h"
#include "obrisk/settings/BlurSettings.h"
#include "obrisk/settings/ColorSettings.h"
#include "obrisk/settings/IsfSettings.h"
#include "obrisk/settings/ServiceSettings.h"
#include "obrisk/settings/TransitionSettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Proc {
namespace {

// Stored chains and presets name parameters so: a change here breaks them.
const std::map<std::string, std::vector<std::string>> kSerialisedNames{
    {"SettingsEffectColorMixBurn", {"strength"}},
    {"SettingsEffectColorSelect", {"angle", "lowerBound", "upperBound", "key"}},
    {"SettingsEffectColorMixExchange", {"exchange"}},
    {"SettingsEffectColorMixField", {"threshold", "contrast", "filler"}},
    {"SettingsEffectColorFilter",
     {"filter", "custom", "redFactor", "greenFactor", "blueFactor", "colorFactor", "strength"}},
    {"SettingsEffectColorBrush", {"angle", "size", "roughness", "mode", "intensity"}},
    {"SettingsEffectChromakey", {"angle", "noise", "lowerBound", "upperBound", "key"}},
    {"SettingsEffectImageBlender",
     {"mode", "intensity", "offsetX", "offsetY", "useColor", "color"}},
    {"SettingsEffectColorBlender",
     {"mode", "intensity", "offsetX", "offsetY", "useColor", "color"}},
    {"SettingsTransitionWaterbrush", {"angle", "size", "rough", "type"}},
    {"SettingsEffectTiltShiftQRW",
     {"upperA", "upperB", "upperC", "lowerA", "lowerB", "lowerC", "softEdge", "strength"}},
    {"SettingsEffectPosterize", {"levels", "intensity"}},
    {"SettingsEffectMask",
     {"type", "method", "blurness", "pixelSize", "invert", "backgroundRed", "backgroundGreen",
      "backgroundBlue", "backgroundAlpha", "frameRed", "frameGreen", "frameBlue", "frameAlpha",
      "masks"}},
    {"SettingsEffectInvert", {"intensity"}},
    {"SettingsEffectBlurGaussian", {"amount", "fast"}},
    {"SettingsEffectMotionBlur", {"scale"}},
    {"SettingsEffectRetroColors", {"mode"}},
    {"SettingsEffectOpacity", {"opacity"}},
    {"SettingsEffectVideoAlphaEnvelope", {}},
    {"SettingsEffectFilmStrip", {"style"}},
    {"SettingsEffectLensFlare", {"type", "intensity"}},
    {"SettingsEffectLightLeaks", {"type", "intensity"}},
    {"SettingsEffectVignetteFilter",
     {"shape", "smooth", "aspect", "red", "green", "blue", "alpha", "centreX", "centreY",
      "innerRadius", "outerRadius", "intensity"}},
    {"SettingsEffectAim", {"type", "thickness", "crossLength", "radius", "boxes"}},
    {"SettingsEffectFlyingObjects",
     {"sprite", "count", "size", "sizeVariation", "speed", "direction", "spin", "seed",
      "referenceWidth", "referenceHeight", "referencePixelAspectNum", "referencePixelAspectDen",
      "intensity"}},
    {"SettingsEffectCensored", {"cellSize"}},
    {"SettingsEffectTemplateZTL", {"shader", "intensity", "aux"}},
    {"SettingsEffectAlphaChannelModifier", {"powerScale", "additionalMultiplier"}},
    {"SettingsEffectColorCorrection", {"exposure", "brightness", "contrast", "hue", "saturation"}},
    {"SettingsEffectChannelMixer", {"rr", "rg", "rb", "gr", "gg", "gb", "br", "bg", "bb"}},
    {"SettingsEffectFillBlurredBackground", {"kernelSize", "left", "top", "right", "bottom"}},
    {"SettingsEffectISF",
     {"config", "pixelShader", "vertexShader", "errorRed", "errorGreen", "errorBlue",
      "errorAlpha"}},
    {"SettingsEffectDenoiseNLM", {"filteringParameter", "patchSize", "searchWindowSize"}},
    {"SettingsEffectBokehBlur",
     {"size", "highlightGain", "highlightThreshold", "intensity", "shape", "blades", "rotation"}},
    {"SettingsResizer",
     {"width", "height", "pixelAspectNum", "pixelAspectDen", "placement", "method", "cropLeft",
      "cropRight", "cropTop", "cropBottom", "backgroundRed", "backgroundGreen", "backgroundBlue",
      "backgroundAlpha"}},
    {"SettingsColorSpaceConverter",
     {"primaries", "transfer", "matrix", "fullRange", "linearMode", "toneMapping"}},
    {"SettingsEffectSaturation", {"saturation", "alphaIsDisabled"}},
    {"SettingsEffectAutoWhiteBalance", {"red", "green", "blue", "alpha", "scalingMethod"}},
    {"SettingsEffectMagicEnhance2", {"blackSaturatedPixels", "whiteSaturatedPixels"}},
    {"SettingsEffectAutoContrast",
     {"blackSaturatedPixels", "whiteSaturatedPixels", "alphaIsDisabled"}},
    {"SettingsEffectShiftUV", {"uShift", "vShift"}},
    {"SettingsEffectShiftLuma", {"blackShift", "whiteShift"}},
    {"SettingsEffectColorBalance",
     {"contrast", "brightness", "saturation", "gamma", "gammaGreen", "gammaBlue", "gammaRed",
      "gammaWeight", "hue"}},
    {"SettingsEffectAlphaInserter", {}},
    {"SettingsTransitionWithEffects", {"transitionFilling", "powerScale", "intensityMultiplier"}},
    {"SettingsTransitionRipple", {"mode", "waveCount", "amplitude", "period", "pointX", "pointY"}},
    {"SettingsTransitionTwist", {"type"}},
    {"SettingsTransitionPinwheel", {"num", "freq", "ampl", "smoothness"}},
    {"SettingsTransitionRippleSmooth", {"freq", "ampl"}},
    {"SettingsTransitionSpiral", {"type"}},
    {"SettingsTransitionLens", {"type"}},
    {"SettingsTransitionPush", {"dir"}},
    {"SettingsTransitionBlinds", {}},
    {"SettingsTransitionScale", {"type"}},
    {"SettingsTransitionZoom", {"type"}},
    {"SettingsTransitionSmear", {"type", "angle", "length"}},
    {"SettingsTransitionBlur", {"direction"}},
    {"SettingsTransitionCrossfade", {}},
    {"SettingsTransitionFadeInFadeOut", {}},
    {"SettingsTransitionSnake", {"bandExponent", "smoothness"}},
    {"SettingsTransitionCircle", {"direction"}},
    {"SettingsTransitionWipe", {"borderSoftness", "direction"}},
    {"SettingsTransitionSlide", {"direction"}},
    {"SettingsTransitionRadial", {"direction"}},
    {"SettingsTransitionSlidingDoor", {"direction"}},
    {"SettingsTransitionBarnDoor", {"direction"}},
    {"SettingsTransitionCross", {"cross2"}},
    {"SettingsTransitionFlash", {}},
    {"SettingsTransitionSpin", {"type"}},
    {"SettingsTransitionTemplateZTL", {"shader", "intensity", "aux"}},
    {"SettingsTransitionWhoosh", {"direction", "maxMotionBlurScale"}},
    {"SettingsTransitionCube", {}},
    {"SettingsTransitionOrigamiValley", {}},
    {"SettingsTransitionOrigamiPleats", {"num", "dir"}},
    {"SettingsTransitionOrigamiFlips", {"num"}},
    {"SettingsTransitionPageturn", {"dir", "type"}},
    {"SettingsTransitionRoll", {"size", "dir", "type"}},
    {"SettingsTransitionShatter", {"num", "dir"}},
    {"SettingsTransitionMotionSpin", {"direction", "maxMotionBlurScale"}},
    {"SettingsTransitionModifiedMotionSpin",
     {"direction", "additionalSourceFrameRotateAngle", "maxBlurScale", "motionBoostPower",
      "blurBoostPower"}},
    {"SettingsTransitionThroughColor", {"keyColorR", "keyColorG", "keyColorB", "keyColorA"}},
    {"SettingsTransitionWhipe",
     {"hDirection", "vDirection", "maxBlurScale", "blurBoostPower", "motionBoostPower"}},
    {"SettingsTransitionSlice",
     {"baseTransitionType", "slicesDirectionRule", "slicesType", "slicesCount",
      "percentOfSlicesTimeShift", "slicesNumberingRule", "motionBoostPower", "blurBoostPower",
      "maxBlurScale"}},
    {"SettingsTransitionMatrix", {"density", "softness"}},
    {"SettingsTransitionPixels", {"type"}},
    {"SettingsTransitionGlitch", {"type"}},
    {"SettingsTransitionRageZoom", {"type"}},
    {"SettingsTransitionZoomBlur", {"type", "zoom", "blur", "power", "overlap"}},
    {"SettingsTransitionKenBurns",
     {"zoom", "fade", "bottomLeftX", "bottomLeftY", "bottomRightX", "bottomRightY", "topRightX",
      "topRightY", "topLeftX", "topLeftY"}},
    {"SettingsTransitionMosaic", {}},
    {"SettingsTransitionPuzzle", {"type"}},
    {"SettingsTransitionDisintegrate", {"num"}},
    {"SettingsTransitionPieces", {}},
    {"SettingsTransitionParallax",
     {"speedUpper", "speedMiddle", "speedLower", "cropUpper", "cropLower", "maxMotionBlurScale",
      "maxLensZoom", "maxLensDistortion"}},
    {"SettingsTransitionISF",
     {"config", "pixelShader", "vertexShader", "errorRed", "errorGreen", "errorBlue",
      "errorAlpha"}},
    {"SettingsEffectMaskedMix", {}},
    {"SettingsEffectMultiInputISF",
     {"config", "pixelShader", "vertexShader", "errorRed", "errorGreen", "errorBlue",
      "errorAlpha"}},
};

std::vector<std::string> NamesOf(const Settings& settings) {
  std::vector<std::string> names;
  for (const auto& parameter : settings.GetParameters()) names.push_back(parameter.name);
  return names;
}

class RegisteredSettings : public ::testing::Test {
 protected:
  Ptr<EffectRegistry> registry_ = Testing::MakeRegistry();

  template <class Check>
  void ForEachClass(Check check) {
    for (const auto& entry : registry_->Entries()) {
      if (entry.classId == SettingsFrameUploader::CLASS_ID) continue;
      SCOPED_TRACE(entry.classId);
      check(entry.classId, Testing::CreateEffect(*registry_, entry.classId));
    }
  }
};

TEST_F(RegisteredSettings, SerialisedNamesArePinnedAndCamelCase) {
  const std::regex camelCase("[a-z][a-zA-Z0-9]*");
  ForEachClass([&](const std::string& classId, const Ptr<IEffect>& effect) {
    const std::vector<std::string> names = NamesOf(effect->GetSettingsObject());
    for (const auto& name : names) EXPECT_TRUE(std::regex_match(name, camelCase)) << name;
    if (auto pinned = kSerialisedNames.find(classId); pinned != kSerialisedNames.end()) {
      EXPECT_EQ(names, pinned->second);
    }
    const Property serialised = effect->GetSettings();
    for (const auto& name : names) EXPECT_NE(serialised.FindChild(name), nullptr) << name;
  });
}

TEST_F(RegisteredSettings, EveryPinnedClassIsStillRegistered) {
  for (const auto& [classId, names] : kSerialisedNames) {
    EXPECT_NE(registry_->Find(classId, ImplNames::OGL), nullptr) << classId;
  }
}

TEST_F(RegisteredSettings, DefaultsPassTheirOwnChecks) {
  ForEachClass([](const std::string&, const Ptr<IEffect>& effect) {
    EXPECT_NO_THROW(effect->GetSettingsObject().Validate());
  });
}

// A host may keep the reference GetSettingsObject returns: it stays the
// same object and follows later changes.
TEST_F(RegisteredSettings, SettingsObjectReferenceFollowsChanges) {
  ForEachClass([](const std::string&, const Ptr<IEffect>& effect) {
    const Settings& kept = effect->GetSettingsObject();
    const Property before = effect->GetSettings();
    try {
      effect->SetSettings(Property::FromJson("{}"));
    } catch (const std::exception&) {
      // Effects whose defaults need a package refuse them; the reference stays.
    }
    EXPECT_EQ(&kept, &effect->GetSettingsObject());
    EXPECT_EQ(effect->GetSettings(), before);
  });
}

// A host stores what GetSettings gives and restores it later. An ISF effect
// has nothing to take back before it is given a package.
TEST_F(RegisteredSettings, WhatGetSettingsGivesIsTakenBack) {
  ForEachClass([](const std::string&, const Ptr<IEffect>& effect) {
    const Property stored = effect->GetSettings();
    if (const Property* config = stored.FindChild("config"); config && *config == Property("")) {
      return;
    }
    try {
      effect->SetSettings(stored);
    } catch (const std::exception& error) {
      ADD_FAILURE() << error.what();
    }
    EXPECT_EQ(effect->GetSettings(), stored);
  });
}

TEST_F(RegisteredSettings, ListsAndPlainValuesAreRefused) {
  ForEachClass([](const std::string& classId, const Ptr<IEffect>& effect) {
    for (const char* text : {"[1, 2]", "\"text\"", "3"}) {
      try {
        effect->SetSettings(Property::FromJson(text));
        ADD_FAILURE() << text << " was accepted";
      } catch (const std::invalid_argument& error) {
        EXPECT_NE(std::string(error.what()).find(classId + " expects named parameters"),
                  std::string::npos)
            << error.what();
      }
    }
  });
}

// Tools group effects by family, describe them and offer their presets by name.
TEST_F(RegisteredSettings, EveryClassHasAFamilyAndADescription) {
  ForEachClass([](const std::string&, const Ptr<IEffect>& effect) {
    const Settings& settings = effect->GetSettingsObject();
    EXPECT_NE(std::find(Family::kOrder.begin(), Family::kOrder.end(), settings.GetFamily()),
              Family::kOrder.end())
        << "family '" << settings.GetFamily() << "'";
    EXPECT_FALSE(settings.GetDescription().empty());
  });
}

TEST_F(RegisteredSettings, EveryPresetIsNamedOnceAndDeserialises) {
  const std::regex name("[a-z0-9]+(-[a-z0-9]+)*");
  ForEachClass([&](const std::string&, const Ptr<IEffect>& effect) {
    const auto presets = effect->GetSettingsObject().GetPresets();
    EXPECT_FALSE(presets.empty());
    std::set<std::string_view> names;
    for (const Preset& preset : presets) {
      SCOPED_TRACE(std::string(preset.name));
      EXPECT_TRUE(std::regex_match(std::string(preset.name), name));
      EXPECT_TRUE(names.insert(preset.name).second) << "named twice";
      EXPECT_FALSE(preset.summary.empty());
      const std::unique_ptr<Settings> copy = effect->GetSettingsObject().Clone();
      EXPECT_NO_THROW(copy->Deserialize(Property::FromJson(preset.settings)));
    }
  });
}

// A class that declares no presets offers its defaults, so that a new class
// still shows in the tools.
TEST(SettingsPresets, WithoutPresetsTheDefaultsAreOffered) {
  const SettingsTransitionCrossfade crossfade;
  ASSERT_EQ(crossfade.GetPresets().size(), 1u);
  EXPECT_EQ(crossfade.GetPresets().front().name, "default");
  EXPECT_EQ(crossfade.GetPresets().front().settings, "{}");
}

TEST(SettingsSetters, ReferenceSeesTheNewValue) {
  auto registry = Testing::MakeRegistry();
  auto effect = Testing::CreateEffect(*registry, SettingsEffectInvert::CLASS_ID);
  const auto& kept = dynamic_cast<const SettingsEffectInvert&>(effect->GetSettingsObject());
  effect->SetSettings(Property::FromJson(R"({"intensity": 0.25})"));
  EXPECT_FLOAT_EQ(kept.GetIntensity(), 0.25f);
}

TEST(SettingsSetters, RangeCheckedLikeDeserialisation) {
  SettingsEffectColorBalance settings;
  try {
    settings.SetGammaRed(0.05);
    FAIL() << "no exception";
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ(error.what(),
                 "parameter 'gammaRed' of SettingsEffectColorBalance is 0.05, outside its range "
                 "0.1 to 10");
  }
  EXPECT_EQ(settings.GetFFGammaRed(), 1.0);
  EXPECT_THROW(settings.SetHue(361), std::out_of_range);
  EXPECT_EQ(settings.GetHue(), 0);
  settings.SetHue(90);
  EXPECT_EQ(settings.GetHue(), 90);
}

TEST(SettingsSetters, NaNAndInfinityNeverReachAnEffect) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  SettingsEffectInvert invert;
  EXPECT_THROW(invert.SetIntensity(kNaN), std::invalid_argument);
  EXPECT_EQ(invert.GetIntensity(), 1.0f);
  SettingsEffectBlurGaussian blur;
  EXPECT_THROW(blur.SetAmount(kInfinity), std::invalid_argument);
  EXPECT_THROW(blur.SetAmount(-kInfinity), std::invalid_argument);
  EXPECT_TRUE(std::isfinite(blur.GetAmount()));
}

// The error colour of the three ISF classes: all four channels are checked
// before any changes.
template <class IsfSettings>
void ExpectErrorColourChecked() {
  SCOPED_TRACE(IsfSettings::CLASS_ID);
  constexpr std::array<float, 4> kRed{1.0f, 0.0f, 0.0f, 1.0f};
  IsfSettings settings;
  try {
    settings.SetErrorColor({0.0f, 1.0f, 1.5f, 1.0f});
    ADD_FAILURE() << "no exception";
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ(error.what(), ("parameter 'errorBlue' of " + IsfSettings::CLASS_ID +
                                " is 1.5, outside its range 0 to 1")
                                   .c_str());
  }
  EXPECT_EQ(settings.GetErrorColor(), kRed);
  EXPECT_THROW(settings.SetErrorColor({0.0f, std::numeric_limits<float>::quiet_NaN(), 0.0f, 1.0f}),
               std::invalid_argument);
  EXPECT_THROW(settings.SetErrorColor({-std::numeric_limits<float>::infinity(), 0.0f, 0.0f, 1.0f}),
               std::invalid_argument);
  EXPECT_EQ(settings.GetErrorColor(), kRed);
  settings.SetErrorColor({0.0f, 1.0f, 0.0f, 0.5f});
  EXPECT_EQ(settings.GetErrorColor(), (std::array<float, 4>{0.0f, 1.0f, 0.0f, 0.5f}));
  settings.SetConfig(R"({"INPUTS": []})");
  settings.SetPixelShader("void main() {}");
  settings.SetVertexShader("void main() {}");
  IsfSettings again;
  again.Deserialize(settings.Serialize());
  EXPECT_TRUE(again.IsEqualTo(settings));
}

TEST(SettingsSetters, IsfErrorColourCheckedLikeDeserialisation) {
  ExpectErrorColourChecked<SettingsEffectISF>();
  ExpectErrorColourChecked<SettingsTransitionISF>();
  ExpectErrorColourChecked<SettingsEffectMultiInputISF>();
}

// Several fields at once change together or not at all.
TEST(SettingsSetters, SeveralFieldsChangeTogetherOrNotAtAll) {
  SettingsEffectChannelMixer mixer;
  SettingsEffectChannelMixer::Matrix weights = SettingsEffectChannelMixer::kIdentity;
  weights[0] = 0.5f;
  weights[8] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_THROW(mixer.SetMatrix(weights), std::invalid_argument);
  EXPECT_EQ(mixer.GetMatrix(), SettingsEffectChannelMixer::kIdentity);
  weights[8] = 3.0f;
  EXPECT_THROW(mixer.SetMatrix(weights), std::out_of_range);
  EXPECT_EQ(mixer.GetMatrix(), SettingsEffectChannelMixer::kIdentity);
  weights[8] = 0.25f;
  mixer.SetMatrix(weights);
  EXPECT_EQ(mixer.GetMatrix(), weights);

  SettingsResizer resizer;
  EXPECT_THROW(resizer.SetOutputSize(640, -1), std::out_of_range);
  EXPECT_EQ(resizer.GetOutputFrameSize(FrameInfo{16, 9, 1, 1}).width, 16);
}

}  // namespace
}  // namespace Obrisk::Proc
