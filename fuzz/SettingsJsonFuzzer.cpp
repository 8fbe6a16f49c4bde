// Fuzzes the way from JSON text to settings objects for every settings class:
// parsing, Deserialize, and the promises kept after it. The first input byte
// picks the class, the rest is the JSON text.
//
// Besides memory and undefined-behaviour errors it aborts when settings that
// Deserialize accepted fail their own checks (Validate) or do not survive a
// round trip through Serialize and JSON.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <tuple>

#include "obrisk/host/Property.h"
#include "obrisk/settings/AutoColorSettings.h"
#include "obrisk/settings/BlendSettings.h"
#include "obrisk/settings/BlurSettings.h"
#include "obrisk/settings/BrushSettings.h"
#include "obrisk/settings/ColorSettings.h"
#include "obrisk/settings/ColorToolSettings.h"
#include "obrisk/settings/DistortSettings.h"
#include "obrisk/settings/IsfSettings.h"
#include "obrisk/settings/KeySettings.h"
#include "obrisk/settings/MaskSettings.h"
#include "obrisk/settings/OverlaySettings.h"
#include "obrisk/settings/RetroSettings.h"
#include "obrisk/settings/ServiceSettings.h"
#include "obrisk/settings/StyliseSettings.h"
#include "obrisk/settings/TemplateSettings.h"
#include "obrisk/settings/TransformSettings.h"
#include "obrisk/settings/TransitionMeshSettings.h"
#include "obrisk/settings/TransitionMotionSettings.h"
#include "obrisk/settings/TransitionSettings.h"
#include "obrisk/settings/TransitionShaderSettings.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace {

using namespace Obrisk;

// Every settings class of the headers above; a class added there is added here.
using Classes = std::tuple<
    Proc::SettingsEffectAutoContrast, Proc::SettingsEffectMagicEnhance2,
    Proc::SettingsEffectAutoWhiteBalance, Proc::SettingsEffectSaturation,
    Proc::SettingsEffectBlurGaussian, Proc::SettingsEffectTiltShiftQRW,
    Proc::SettingsEffectFillBlurredBackground, Proc::SettingsEffectMotionBlur,
    Proc::SettingsEffectCensored, Proc::SettingsEffectDenoiseNLM, Proc::SettingsEffectBokehBlur,
    Proc::SettingsEffectInvert, Proc::SettingsEffectChannelMixer, Proc::SettingsEffectColorBalance,
    Proc::SettingsEffectColorCorrection, Proc::SettingsEffectPosterize,
    Proc::SettingsEffectRetroColors, Proc::SettingsEffectShiftLuma, Proc::SettingsEffectShiftUV,
    Proc::SettingsEffectOpacity, Proc::SettingsEffectISF, Proc::SettingsTransitionISF,
    Proc::SettingsEffectMultiInputISF, Proc::SettingsEffectMask, Proc::SettingsEffectMaskedMix,
    Proc::SettingsEffectAlphaChannelModifier, Proc::SettingsEffectAlphaInserter,
    Proc::SettingsEffectVideoAlphaEnvelope, Proc::SettingsFrameUploader,
    Proc::SettingsColorSpaceConverter, Proc::SettingsResizer, Proc::SettingsTransitionRipple,
    Proc::SettingsTransitionRippleSmooth, Proc::SettingsTransitionTwist,
    Proc::SettingsTransitionWhoosh, Proc::SettingsTransitionSmear, Proc::SettingsTransitionBarnDoor,
    Proc::SettingsTransitionBlinds, Proc::SettingsTransitionSlide, Proc::SettingsTransitionPush,
    Proc::SettingsTransitionScale, Proc::SettingsTransitionSpin, Proc::SettingsTransitionCross,
    Proc::SettingsTransitionCrossfade, Proc::SettingsTransitionFadeInFadeOut,
    Proc::SettingsTransitionThroughColor, Proc::SettingsTransitionFlash,
    Proc::SettingsTransitionBlur, Proc::SettingsTransitionZoom, Proc::SettingsTransitionCircle,
    Proc::SettingsTransitionRadial, Proc::SettingsTransitionPinwheel, Proc::SettingsTransitionWipe,
    Proc::SettingsTransitionSlidingDoor, Proc::SettingsTransitionSnake,
    Proc::SettingsTransitionLens, Proc::SettingsTransitionSpiral, Proc::SettingsEffectAddNoize,
    Proc::SettingsEffectChromaticAberration, Proc::SettingsEffectColorCurves,
    Proc::SettingsEffectCrop, Proc::SettingsEffectDiffuse, Proc::SettingsEffectDisplayMatrix,
    Proc::SettingsEffectErosion, Proc::SettingsEffectFindEdges, Proc::SettingsEffectFixVertVideo,
    Proc::SettingsEffectFlip, Proc::SettingsEffectGIMPBalanceChroma,
    Proc::SettingsEffectGIMPColorTemperature, Proc::SettingsEffectGIMPColorize,
    Proc::SettingsEffectGIMPHueSaturation, Proc::SettingsEffectGIMPShadowsHightlights,
    Proc::SettingsEffectGlassMosaic, Proc::SettingsEffectGlitchMpeg,
    Proc::SettingsEffectGlitchSecurityCam, Proc::SettingsEffectHalfTone, Proc::SettingsEffectLUT,
    Proc::SettingsEffectMosaic, Proc::SettingsEffectNeonLamp, Proc::SettingsEffectOilPaint,
    Proc::SettingsEffectPopArt, Proc::SettingsEffectRetroArtefacts, Proc::SettingsEffectSharpen,
    Proc::SettingsEffectStripes, Proc::SettingsEffectSubFrame, Proc::SettingsEffectTelevision70s,
    Proc::SettingsEffectTransform, Proc::SettingsEffectTranspose, Proc::SettingsEffectVHS,
    Proc::SettingsTransitionMotionSpin, Proc::SettingsTransitionModifiedMotionSpin,
    Proc::SettingsTransitionWhipe, Proc::SettingsTransitionSlice, Proc::SettingsTransitionCube,
    Proc::SettingsTransitionOrigamiValley, Proc::SettingsTransitionOrigamiPleats,
    Proc::SettingsTransitionOrigamiFlips, Proc::SettingsTransitionPageturn,
    Proc::SettingsTransitionRoll, Proc::SettingsTransitionShatter, Proc::SettingsEffectChromakey,
    Proc::SettingsEffectColorSelect, Proc::SettingsEffectColorMixBurn,
    Proc::SettingsEffectColorMixExchange, Proc::SettingsEffectColorMixField,
    Proc::SettingsEffectColorFilter, Proc::SettingsEffectColorBrush,
    Proc::SettingsTransitionWaterbrush, Proc::SettingsEffectColorBlender,
    Proc::SettingsEffectImageBlender, Proc::SettingsEffectLensFlare, Proc::SettingsEffectLightLeaks,
    Proc::SettingsEffectFlyingObjects, Proc::SettingsEffectVignetteFilter, Proc::SettingsEffectAim,
    Proc::SettingsEffectFilmStrip, Proc::SettingsEffectFishEye, Proc::SettingsEffectLensDistortion,
    Proc::SettingsEffectTwirl, Proc::SettingsEffectVertigo, Proc::SettingsEffectZoom,
    Proc::SettingsEffectPanAndZoom, Proc::SettingsEffectMirror, Proc::SettingsEffectCameraShake,
    Proc::SettingsEffect360Cylindrical, Proc::SettingsEffectDisplacementMap,
    Proc::SettingsTransitionMatrix, Proc::SettingsTransitionPixels, Proc::SettingsTransitionGlitch,
    Proc::SettingsTransitionRageZoom, Proc::SettingsTransitionZoomBlur,
    Proc::SettingsTransitionKenBurns, Proc::SettingsTransitionMosaic,
    Proc::SettingsTransitionPuzzle, Proc::SettingsTransitionDisintegrate,
    Proc::SettingsTransitionPieces, Proc::SettingsTransitionParallax,
    Proc::SettingsEffectTemplateZTL, Proc::SettingsTransitionTemplateZTL,
    Proc::SettingsTransitionWithEffects>;

template <class S>
void Check(const Property& property) {
  S settings;
  try {
    settings.Deserialize(property);
  } catch (const std::invalid_argument&) {
    return;
  } catch (const std::out_of_range&) {
    return;
  }
  settings.Validate();
  S again;
  again.Deserialize(Property::FromJson(settings.Serialize().ToJson()));
  if (!again.IsEqualTo(settings)) std::abort();
}

template <std::size_t... I>
void Dispatch(std::size_t index, const Property& property, std::index_sequence<I...>) {
  ((index == I ? Check<std::tuple_element_t<I, Classes>>(property) : void()), ...);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  constexpr std::size_t kClasses = std::tuple_size_v<Classes>;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  Property property;
  try {
    property = Property::FromJson(text);
  } catch (const std::invalid_argument&) {
    return 0;
  }
  Dispatch(data[0] % kClasses, property, std::make_index_sequence<kClasses>());
  return 0;
}
