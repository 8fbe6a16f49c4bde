// The plug-in's entry point and its registration table: the one place that
// names effect classes.
#include <memory>

#include "frame/EffectWrapper.h"
#include "frame/RandomDraws.h"
#include "frame/Registrator.h"

#include "effects/blur/EffectBokehBlur.h"
#include "effects/blur/EffectCensored.h"
#include "effects/blur/EffectDenoiseNLM.h"
#include "effects/blur/EffectFillBlurredBackground.h"
#include "effects/blur/EffectGaussianBlur.h"
#include "effects/blur/EffectMotionBlur.h"
#include "effects/blur/EffectTiltShift.h"
#include "effects/colour/EffectAutoContrast.h"
#include "effects/colour/EffectAutoWhiteBalance.h"
#include "effects/colour/EffectChannelMixer.h"
#include "effects/colour/EffectColorBalance.h"
#include "effects/colour/EffectColorCorrection.h"
#include "effects/colour/EffectColorCurves.h"
#include "effects/colour/EffectGIMPBalanceChroma.h"
#include "effects/colour/EffectGIMPColorTemperature.h"
#include "effects/colour/EffectGIMPColorize.h"
#include "effects/colour/EffectGIMPHueSaturation.h"
#include "effects/colour/EffectGIMPShadowsHightlights.h"
#include "effects/colour/EffectInvert.h"
#include "effects/colour/EffectLUT.h"
#include "effects/colour/EffectMagicEnhance.h"
#include "effects/colour/EffectOpacity.h"
#include "effects/colour/EffectPosterize.h"
#include "effects/colour/EffectRetroColors.h"
#include "effects/colour/EffectSaturation.h"
#include "effects/colour/EffectShiftLuma.h"
#include "effects/colour/EffectShiftUV.h"
#include "effects/distort/Effect360Cylindrical.h"
#include "effects/distort/EffectCameraShake.h"
#include "effects/distort/EffectDisplacementMap.h"
#include "effects/distort/EffectFishEye.h"
#include "effects/distort/EffectLensDistortion.h"
#include "effects/distort/EffectMirror.h"
#include "effects/distort/EffectPanAndZoom.h"
#include "effects/distort/EffectTwirl.h"
#include "effects/distort/EffectVertigo.h"
#include "effects/distort/EffectZoom.h"
#include "effects/key/EffectChromakey.h"
#include "effects/key/EffectColorBlender.h"
#include "effects/key/EffectColorBrush.h"
#include "effects/key/EffectColorFilter.h"
#include "effects/key/EffectColorMixBurn.h"
#include "effects/key/EffectColorMixExchange.h"
#include "effects/key/EffectColorMixField.h"
#include "effects/key/EffectColorSelect.h"
#include "effects/mask/EffectAlphaChannelModifier.h"
#include "effects/mask/EffectAlphaEnvelope.h"
#include "effects/mask/EffectAlphaInserter.h"
#include "effects/mask/EffectMask.h"
#include "effects/mask/EffectMaskedMix.h"
#include "effects/overlay/EffectAim.h"
#include "effects/overlay/EffectFilmStrip.h"
#include "effects/overlay/EffectFlyingObjects.h"
#include "effects/overlay/EffectLensFlare.h"
#include "effects/overlay/EffectLightLeaks.h"
#include "effects/overlay/EffectVignetteFilter.h"
#include "effects/retro/EffectAddNoize.h"
#include "effects/retro/EffectChromaticAberration.h"
#include "effects/retro/EffectGlitchMpeg.h"
#include "effects/retro/EffectGlitchSecurityCam.h"
#include "effects/retro/EffectRetroArtefacts.h"
#include "effects/retro/EffectStripes.h"
#include "effects/retro/EffectTelevision70s.h"
#include "effects/retro/EffectVHS.h"
#include "effects/service/ColorSpaceConverter.h"
#include "effects/service/EffectResizer.h"
#include "effects/stylise/EffectDiffuse.h"
#include "effects/stylise/EffectErosion.h"
#include "effects/stylise/EffectFindEdges.h"
#include "effects/stylise/EffectGlassMosaic.h"
#include "effects/stylise/EffectHalfTone.h"
#include "effects/stylise/EffectMosaic.h"
#include "effects/stylise/EffectNeonLamp.h"
#include "effects/stylise/EffectOilPaint.h"
#include "effects/stylise/EffectPopArt.h"
#include "effects/stylise/EffectSharpen.h"
#include "effects/transform/EffectCrop.h"
#include "effects/transform/EffectFixVertVideo.h"
#include "effects/transform/EffectSubFrame.h"
#include "effects/transform/EffectTransform.h"
#include "isf/EffectISF.h"
#include "isf/EffectMultiInputISF.h"
#include "isf/TransitionISF.h"
#include "templates/EffectTemplateZTL.h"
#include "templates/TransitionTemplateZTL.h"
#include "transitions/TransitionBarnDoor.h"
#include "transitions/TransitionBlinds.h"
#include "transitions/TransitionBlur.h"
#include "transitions/TransitionCircle.h"
#include "transitions/TransitionCross.h"
#include "transitions/TransitionCrossfade.h"
#include "transitions/TransitionCube.h"
#include "transitions/TransitionDisintegrate.h"
#include "transitions/TransitionFadeInFadeOut.h"
#include "transitions/TransitionFlash.h"
#include "transitions/TransitionGlitch.h"
#include "transitions/TransitionKenBurns.h"
#include "transitions/TransitionLens.h"
#include "transitions/TransitionMatrix.h"
#include "transitions/TransitionModifiedMotionSpin.h"
#include "transitions/TransitionMosaic.h"
#include "transitions/TransitionMotionSpin.h"
#include "transitions/TransitionOrigamiFlips.h"
#include "transitions/TransitionOrigamiPleats.h"
#include "transitions/TransitionOrigamiValley.h"
#include "transitions/TransitionPageturn.h"
#include "transitions/TransitionParallax.h"
#include "transitions/TransitionPieces.h"
#include "transitions/TransitionPinwheel.h"
#include "transitions/TransitionPixels.h"
#include "transitions/TransitionPush.h"
#include "transitions/TransitionPuzzle.h"
#include "transitions/TransitionRadial.h"
#include "transitions/TransitionRageZoom.h"
#include "transitions/TransitionRipple.h"
#include "transitions/TransitionRippleSmooth.h"
#include "transitions/TransitionRoll.h"
#include "transitions/TransitionScale.h"
#include "transitions/TransitionShatter.h"
#include "transitions/TransitionSlice.h"
#include "transitions/TransitionSlide.h"
#include "transitions/TransitionSlidingDoor.h"
#include "transitions/TransitionSmear.h"
#include "transitions/TransitionSnake.h"
#include "transitions/TransitionSpin.h"
#include "transitions/TransitionSpiral.h"
#include "transitions/TransitionThroughColor.h"
#include "transitions/TransitionTwist.h"
#include "transitions/TransitionWaterbrush.h"
#include "transitions/TransitionWhipe.h"
#include "transitions/TransitionWhoosh.h"
#include "transitions/TransitionWipe.h"
#include "transitions/TransitionWithEffects.h"
#include "transitions/TransitionZoom.h"
#include "transitions/TransitionZoomBlur.h"

namespace Obrisk::Ogl {
namespace {

// Effects and transitions draw their random values from the C runtime's
// generator (RandomDraws.h), seeded once when the library loads: with
// $QUENVARA_SEED when it names a seed, so that renders repeat, else with the
// current time.
const bool kRandomSeeded = [] {
  SeedRandom(SeedAtLoad());
  return true;
}();

template <class Effect>
Ptr<Proc::IEffect> CreateOneInput(const Ptr<Proc::IEffectFactory>& factory,
                                  const Ptr<IRefCountable>&) {
  return Ptr<Proc::IEffect>(new OneInputEffectWrapper(factory, std::make_shared<Effect>()));
}

// The transform serves several settings classes; each row's effect starts
// with its own class's defaults.
template <class S>
Ptr<Proc::IEffect> CreateTransform(const Ptr<Proc::IEffectFactory>& factory,
                                   const Ptr<IRefCountable>&) {
  return Ptr<Proc::IEffect>(
      new OneInputEffectWrapper(factory, std::make_shared<EffectTransform>(S())));
}

template <class Effect>
Ptr<Proc::IEffect> CreateTwoInput(const Ptr<Proc::IEffectFactory>& factory,
                                  const Ptr<IRefCountable>&) {
  return Ptr<Proc::IEffect>(new TwoInputEffectWrapper(factory, std::make_shared<Effect>()));
}

// The transition with effects builds its parts through the factory, with the
// creator context.
Ptr<Proc::IEffect> CreateTransitionWithEffects(const Ptr<Proc::IEffectFactory>& factory,
                                               const Ptr<IRefCountable>& context) {
  return Ptr<Proc::IEffect>(new TransitionWithEffects(factory, context));
}

template <class Effect>
Ptr<Proc::IEffect> CreateVarInput(const Ptr<Proc::IEffectFactory>& factory,
                                  const Ptr<IRefCountable>&) {
  return Ptr<Proc::IEffect>(new VarInputEffectWrapper(factory, std::make_shared<Effect>()));
}

void RegisterOneInput(Proc::IEffectRegistry& registry, const std::string& classId,
                      Proc::EffectCreator creator) {
  registry.RegisterOneInputEffect(classId, Proc::ImplNames::OGL, creator);
}

void RegisterTwoInput(Proc::IEffectRegistry& registry, const std::string& classId,
                      Proc::EffectCreator creator) {
  registry.RegisterTwoInputEffect(classId, Proc::ImplNames::OGL, creator);
}

void RegisterVarInput(Proc::IEffectRegistry& registry, const std::string& classId,
                      Proc::EffectCreator creator) {
  registry.RegisterVarInputEffect(classId, Proc::ImplNames::OGL, creator);
}

}  // namespace
}  // namespace Obrisk::Ogl

// Registers every effect of the library with the host, in the table's order.
void Registrator(Obrisk::Proc::IEffectRegistry* registry) {
  using namespace Obrisk::Ogl;
  using namespace Obrisk::Proc;
  if (registry == nullptr) return;
  RegisterOneInput(*registry, SettingsEffectColorMixBurn::CLASS_ID,
                   &CreateOneInput<EffectColorMixBurn>);
  RegisterOneInput(*registry, SettingsEffectColorSelect::CLASS_ID,
                   &CreateOneInput<EffectColorSelect>);
  RegisterOneInput(*registry, SettingsEffectColorMixExchange::CLASS_ID,
                   &CreateOneInput<EffectColorMixExchange>);
  RegisterOneInput(*registry, SettingsEffectColorMixField::CLASS_ID,
                   &CreateOneInput<EffectColorMixField>);
  RegisterOneInput(*registry, SettingsEffectColorFilter::CLASS_ID,
                   &CreateOneInput<EffectColorFilter>);
  RegisterOneInput(*registry, SettingsEffectColorBrush::CLASS_ID,
                   &CreateOneInput<EffectColorBrush>);
  RegisterOneInput(*registry, SettingsEffectTiltShiftQRW::CLASS_ID,
                   &CreateOneInput<EffectTiltShift>);
  RegisterOneInput(*registry, SettingsEffectErosion::CLASS_ID, &CreateOneInput<EffectErosion>);
  RegisterOneInput(*registry, SettingsEffectHalfTone::CLASS_ID, &CreateOneInput<EffectHalfTone>);
  RegisterOneInput(*registry, SettingsEffectGlassMosaic::CLASS_ID,
                   &CreateOneInput<EffectGlassMosaic>);
  RegisterOneInput(*registry, SettingsEffectTransform::CLASS_ID,
                   &CreateTransform<SettingsEffectTransform>);
  RegisterOneInput(*registry, SettingsEffectTranspose::CLASS_ID,
                   &CreateTransform<SettingsEffectTranspose>);
  RegisterOneInput(*registry, SettingsEffectFlip::CLASS_ID, &CreateTransform<SettingsEffectFlip>);
  RegisterOneInput(*registry, SettingsEffectDisplayMatrix::CLASS_ID,
                   &CreateTransform<SettingsEffectDisplayMatrix>);
  RegisterOneInput(*registry, SettingsEffectOilPaint::CLASS_ID, &CreateOneInput<EffectOilPaint>);
  RegisterOneInput(*registry, SettingsEffectFindEdges::CLASS_ID, &CreateOneInput<EffectFindEdges>);
  RegisterOneInput(*registry, SettingsEffectPosterize::CLASS_ID, &CreateOneInput<EffectPosterize>);
  RegisterOneInput(*registry, SettingsEffectChromakey::CLASS_ID, &CreateOneInput<EffectChromakey>);
  RegisterOneInput(*registry, SettingsEffectVHS::CLASS_ID, &CreateOneInput<EffectVHS>);
  RegisterOneInput(*registry, SettingsEffectVertigo::CLASS_ID, &CreateOneInput<EffectVertigo>);
  RegisterOneInput(*registry, SettingsEffectTwirl::CLASS_ID, &CreateOneInput<EffectTwirl>);
  RegisterOneInput(*registry, SettingsEffectPopArt::CLASS_ID, &CreateOneInput<EffectPopArt>);
  RegisterOneInput(*registry, SettingsEffectStripes::CLASS_ID, &CreateOneInput<EffectStripes>);
  RegisterOneInput(*registry, SettingsEffectMosaic::CLASS_ID, &CreateOneInput<EffectMosaic>);
  RegisterOneInput(*registry, SettingsEffectDiffuse::CLASS_ID, &CreateOneInput<EffectDiffuse>);
  RegisterOneInput(*registry, SettingsEffectMask::CLASS_ID, &CreateOneInput<EffectMask>);
  RegisterOneInput(*registry, SettingsEffectPanAndZoom::CLASS_ID,
                   &CreateOneInput<EffectPanAndZoom>);
  RegisterOneInput(*registry, SettingsEffectZoom::CLASS_ID, &CreateOneInput<EffectZoom>);
  RegisterOneInput(*registry, SettingsEffectInvert::CLASS_ID, &CreateOneInput<EffectInvert>);
  RegisterOneInput(*registry, SettingsEffectAddNoize::CLASS_ID, &CreateOneInput<EffectAddNoize>);
  RegisterOneInput(*registry, SettingsEffectCameraShake::CLASS_ID,
                   &CreateOneInput<EffectCameraShake>);
  RegisterOneInput(*registry, SettingsEffectBlurGaussian::CLASS_ID,
                   &CreateOneInput<EffectGaussianBlur>);
  RegisterOneInput(*registry, SettingsEffectMotionBlur::CLASS_ID,
                   &CreateOneInput<EffectMotionBlur>);
  RegisterOneInput(*registry, SettingsEffectMirror::CLASS_ID, &CreateOneInput<EffectMirror>);
  RegisterOneInput(*registry, SettingsEffectRetroColors::CLASS_ID,
                   &CreateOneInput<EffectRetroColors>);
  RegisterOneInput(*registry, SettingsEffectSharpen::CLASS_ID, &CreateOneInput<EffectSharpen>);
  RegisterOneInput(*registry, SettingsEffectSubFrame::CLASS_ID, &CreateOneInput<EffectSubFrame>);
  RegisterOneInput(*registry, SettingsEffectOpacity::CLASS_ID, &CreateOneInput<EffectOpacity>);
  RegisterOneInput(*registry, SettingsEffectFishEye::CLASS_ID, &CreateOneInput<EffectFishEye>);
  RegisterOneInput(*registry, SettingsEffectFilmStrip::CLASS_ID, &CreateOneInput<EffectFilmStrip>);
  RegisterOneInput(*registry, SettingsEffectVideoAlphaEnvelope::CLASS_ID,
                   &CreateOneInput<EffectAlphaEnvelope>);
  RegisterOneInput(*registry, SettingsEffectLensFlare::CLASS_ID, &CreateOneInput<EffectLensFlare>);
  RegisterOneInput(*registry, SettingsEffectLensDistortion::CLASS_ID,
                   &CreateOneInput<EffectLensDistortion>);
  RegisterOneInput(*registry, SettingsEffectLightLeaks::CLASS_ID,
                   &CreateOneInput<EffectLightLeaks>);
  RegisterOneInput(*registry, SettingsEffectVignetteFilter::CLASS_ID,
                   &CreateOneInput<EffectVignetteFilter>);
  RegisterOneInput(*registry, SettingsEffectFixVertVideo::CLASS_ID,
                   &CreateOneInput<EffectFixVertVideo>);
  RegisterOneInput(*registry, SettingsEffectCensored::CLASS_ID, &CreateOneInput<EffectCensored>);
  RegisterOneInput(*registry, SettingsEffect360Cylindrical::CLASS_ID,
                   &CreateOneInput<Effect360Cylindrical>);
  RegisterOneInput(*registry, SettingsEffectChromaticAberration::CLASS_ID,
                   &CreateOneInput<EffectChromaticAberration>);
  RegisterOneInput(*registry, SettingsEffectGlitchSecurityCam::CLASS_ID,
                   &CreateOneInput<EffectGlitchSecurityCam>);
  RegisterOneInput(*registry, SettingsEffectGlitchMpeg::CLASS_ID,
                   &CreateOneInput<EffectGlitchMpeg>);
  RegisterOneInput(*registry, SettingsEffectTelevision70s::CLASS_ID,
                   &CreateOneInput<EffectTelevision70s>);
  RegisterOneInput(*registry, SettingsEffectNeonLamp::CLASS_ID, &CreateOneInput<EffectNeonLamp>);
  RegisterOneInput(*registry, SettingsEffectTemplateZTL::CLASS_ID,
                   &CreateOneInput<EffectTemplateZTL>);
  RegisterOneInput(*registry, SettingsEffectLUT::CLASS_ID, &CreateOneInput<EffectLUT>);
  RegisterOneInput(*registry, SettingsEffectAim::CLASS_ID, &CreateOneInput<EffectAim>);
  RegisterOneInput(*registry, SettingsEffectAlphaChannelModifier::CLASS_ID,
                   &CreateOneInput<EffectAlphaChannelModifier>);
  RegisterOneInput(*registry, SettingsEffectColorCurves::CLASS_ID,
                   &CreateOneInput<EffectColorCurves>);
  RegisterOneInput(*registry, SettingsEffectGIMPBalanceChroma::CLASS_ID,
                   &CreateOneInput<EffectGIMPBalanceChroma>);
  RegisterOneInput(*registry, SettingsEffectColorCorrection::CLASS_ID,
                   &CreateOneInput<EffectColorCorrection>);
  RegisterOneInput(*registry, SettingsEffectGIMPHueSaturation::CLASS_ID,
                   &CreateOneInput<EffectGIMPHueSaturation>);
  RegisterOneInput(*registry, SettingsEffectGIMPShadowsHightlights::CLASS_ID,
                   &CreateOneInput<EffectGIMPShadowsHightlights>);
  RegisterOneInput(*registry, SettingsEffectGIMPColorTemperature::CLASS_ID,
                   &CreateOneInput<EffectGIMPColorTemperature>);
  RegisterOneInput(*registry, SettingsEffectGIMPColorize::CLASS_ID,
                   &CreateOneInput<EffectGIMPColorize>);
  RegisterOneInput(*registry, SettingsEffectChannelMixer::CLASS_ID,
                   &CreateOneInput<EffectChannelMixer>);
  RegisterOneInput(*registry, SettingsEffectFillBlurredBackground::CLASS_ID,
                   &CreateOneInput<EffectFillBlurredBackground>);
  RegisterOneInput(*registry, SettingsEffectISF::CLASS_ID, &CreateOneInput<EffectISF>);
  RegisterOneInput(*registry, SettingsEffectCrop::CLASS_ID, &CreateOneInput<EffectCrop>);
  RegisterOneInput(*registry, SettingsEffectDenoiseNLM::CLASS_ID,
                   &CreateOneInput<EffectDenoiseNLM>);
  RegisterOneInput(*registry, SettingsEffectBokehBlur::CLASS_ID, &CreateOneInput<EffectBokehBlur>);
  RegisterOneInput(*registry, SettingsEffectFlyingObjects::CLASS_ID,
                   &CreateOneInput<EffectFlyingObjects>);
  RegisterOneInput(*registry, SettingsEffectRetroArtefacts::CLASS_ID,
                   &CreateOneInput<EffectRetroArtefacts>);
  RegisterOneInput(*registry, SettingsResizer::CLASS_ID, &CreateImageResizer);
  RegisterOneInput(*registry, SettingsColorSpaceConverter::CLASS_ID, &CreateColorSpaceConverter);
  RegisterOneInput(*registry, SettingsEffectSaturation::CLASS_ID,
                   &CreateOneInput<EffectSaturation>);
  RegisterOneInput(*registry, SettingsEffectAutoWhiteBalance::CLASS_ID,
                   &CreateOneInput<EffectAutoWhiteBalance>);
  RegisterOneInput(*registry, SettingsEffectMagicEnhance2::CLASS_ID,
                   &CreateOneInput<EffectMagicEnhance>);
  RegisterOneInput(*registry, SettingsEffectAutoContrast::CLASS_ID,
                   &CreateOneInput<EffectAutoContrast>);
  RegisterOneInput(*registry, SettingsEffectShiftUV::CLASS_ID, &CreateOneInput<EffectShiftUV>);
  RegisterOneInput(*registry, SettingsEffectShiftLuma::CLASS_ID, &CreateOneInput<EffectShiftLuma>);
  RegisterOneInput(*registry, SettingsEffectColorBalance::CLASS_ID,
                   &CreateOneInput<EffectColorBalance>);
  RegisterTwoInput(*registry, SettingsEffectImageBlender::CLASS_ID,
                   &CreateColorBlender<SettingsEffectImageBlender>);
  RegisterTwoInput(*registry, SettingsEffectColorBlender::CLASS_ID,
                   &CreateColorBlender<SettingsEffectColorBlender>);
  RegisterTwoInput(*registry, SettingsEffectAlphaInserter::CLASS_ID,
                   &CreateTwoInput<EffectAlphaInserter>);
  RegisterTwoInput(*registry, SettingsTransitionWithEffects::CLASS_ID,
                   &CreateTransitionWithEffects);
  RegisterTwoInput(*registry, SettingsTransitionPageturn::CLASS_ID,
                   &CreateTwoInput<TransitionPageturn>);
  RegisterTwoInput(*registry, SettingsTransitionOrigamiValley::CLASS_ID,
                   &CreateTwoInput<TransitionOrigamiValley>);
  RegisterTwoInput(*registry, SettingsTransitionOrigamiFlips::CLASS_ID,
                   &CreateTwoInput<TransitionOrigamiFlips>);
  RegisterTwoInput(*registry, SettingsTransitionOrigamiPleats::CLASS_ID,
                   &CreateTwoInput<TransitionOrigamiPleats>);
  RegisterTwoInput(*registry, SettingsTransitionRipple::CLASS_ID,
                   &CreateTwoInput<TransitionRipple>);
  RegisterTwoInput(*registry, SettingsTransitionWaterbrush::CLASS_ID,
                   &CreateTwoInput<TransitionWaterbrush>);
  RegisterTwoInput(*registry, SettingsTransitionTwist::CLASS_ID, &CreateTwoInput<TransitionTwist>);
  RegisterTwoInput(*registry, SettingsTransitionRoll::CLASS_ID, &CreateTwoInput<TransitionRoll>);
  RegisterTwoInput(*registry, SettingsTransitionPinwheel::CLASS_ID,
                   &CreateTwoInput<TransitionPinwheel>);
  RegisterTwoInput(*registry, SettingsTransitionParallax::CLASS_ID,
                   &CreateTwoInput<TransitionParallax>);
  RegisterTwoInput(*registry, SettingsTransitionPixels::CLASS_ID,
                   &CreateTwoInput<TransitionPixels>);
  RegisterTwoInput(*registry, SettingsTransitionRippleSmooth::CLASS_ID,
                   &CreateTwoInput<TransitionRippleSmooth>);
  RegisterTwoInput(*registry, SettingsTransitionShatter::CLASS_ID,
                   &CreateTwoInput<TransitionShatter>);
  RegisterTwoInput(*registry, SettingsTransitionDisintegrate::CLASS_ID,
                   &CreateTwoInput<TransitionDisintegrate>);
  RegisterTwoInput(*registry, SettingsTransitionSpiral::CLASS_ID,
                   &CreateTwoInput<TransitionSpiral>);
  RegisterTwoInput(*registry, SettingsTransitionLens::CLASS_ID, &CreateTwoInput<TransitionLens>);
  RegisterTwoInput(*registry, SettingsTransitionPush::CLASS_ID, &CreateTwoInput<TransitionPush>);
  RegisterTwoInput(*registry, SettingsTransitionBlinds::CLASS_ID,
                   &CreateTwoInput<TransitionBlinds>);
  RegisterTwoInput(*registry, SettingsTransitionScale::CLASS_ID, &CreateTwoInput<TransitionScale>);
  RegisterTwoInput(*registry, SettingsTransitionZoom::CLASS_ID, &CreateTwoInput<TransitionZoom>);
  RegisterTwoInput(*registry, SettingsTransitionZoomBlur::CLASS_ID,
                   &CreateTwoInput<TransitionZoomBlur>);
  RegisterTwoInput(*registry, SettingsTransitionSmear::CLASS_ID, &CreateTwoInput<TransitionSmear>);
  RegisterTwoInput(*registry, SettingsTransitionBlur::CLASS_ID, &CreateTwoInput<TransitionBlur>);
  RegisterTwoInput(*registry, SettingsTransitionKenBurns::CLASS_ID,
                   &CreateTwoInput<TransitionKenBurns>);
  RegisterTwoInput(*registry, SettingsTransitionCrossfade::CLASS_ID,
                   &CreateTwoInput<TransitionCrossfade>);
  RegisterTwoInput(*registry, SettingsTransitionFadeInFadeOut::CLASS_ID,
                   &CreateTwoInput<TransitionFadeInFadeOut>);
  RegisterTwoInput(*registry, SettingsTransitionSnake::CLASS_ID, &CreateTwoInput<TransitionSnake>);
  RegisterTwoInput(*registry, SettingsTransitionCircle::CLASS_ID,
                   &CreateTwoInput<TransitionCircle>);
  RegisterTwoInput(*registry, SettingsTransitionCube::CLASS_ID, &CreateTwoInput<TransitionCube>);
  RegisterTwoInput(*registry, SettingsTransitionWipe::CLASS_ID, &CreateTwoInput<TransitionWipe>);
  RegisterTwoInput(*registry, SettingsTransitionSlide::CLASS_ID, &CreateTwoInput<TransitionSlide>);
  RegisterTwoInput(*registry, SettingsTransitionRadial::CLASS_ID,
                   &CreateTwoInput<TransitionRadial>);
  RegisterTwoInput(*registry, SettingsTransitionMatrix::CLASS_ID,
                   &CreateTwoInput<TransitionMatrix>);
  RegisterTwoInput(*registry, SettingsTransitionSlidingDoor::CLASS_ID,
                   &CreateTwoInput<TransitionSlidingDoor>);
  RegisterTwoInput(*registry, SettingsTransitionBarnDoor::CLASS_ID,
                   &CreateTwoInput<TransitionBarnDoor>);
  RegisterTwoInput(*registry, SettingsTransitionCross::CLASS_ID, &CreateTwoInput<TransitionCross>);
  RegisterTwoInput(*registry, SettingsTransitionPieces::CLASS_ID,
                   &CreateTwoInput<TransitionPieces>);
  RegisterTwoInput(*registry, SettingsTransitionFlash::CLASS_ID, &CreateTwoInput<TransitionFlash>);
  RegisterTwoInput(*registry, SettingsTransitionSpin::CLASS_ID, &CreateTwoInput<TransitionSpin>);
  RegisterTwoInput(*registry, SettingsTransitionPuzzle::CLASS_ID,
                   &CreateTwoInput<TransitionPuzzle>);
  RegisterTwoInput(*registry, SettingsTransitionMosaic::CLASS_ID,
                   &CreateTwoInput<TransitionMosaic>);
  RegisterTwoInput(*registry, SettingsTransitionTemplateZTL::CLASS_ID,
                   &CreateTwoInput<TransitionTemplateZTL>);
  RegisterTwoInput(*registry, SettingsTransitionWhoosh::CLASS_ID,
                   &CreateTwoInput<TransitionWhoosh>);
  RegisterTwoInput(*registry, SettingsTransitionRageZoom::CLASS_ID,
                   &CreateTwoInput<TransitionRageZoom>);
  RegisterTwoInput(*registry, SettingsTransitionGlitch::CLASS_ID,
                   &CreateTwoInput<TransitionGlitch>);
  RegisterTwoInput(*registry, SettingsTransitionMotionSpin::CLASS_ID,
                   &CreateTwoInput<TransitionMotionSpin>);
  RegisterTwoInput(*registry, SettingsTransitionModifiedMotionSpin::CLASS_ID,
                   &CreateTwoInput<TransitionModifiedMotionSpin>);
  RegisterTwoInput(*registry, SettingsTransitionThroughColor::CLASS_ID,
                   &CreateTwoInput<TransitionThroughColor>);
  RegisterTwoInput(*registry, SettingsTransitionWhipe::CLASS_ID, &CreateTwoInput<TransitionWhipe>);
  RegisterTwoInput(*registry, SettingsTransitionSlice::CLASS_ID, &CreateTwoInput<TransitionSlice>);
  RegisterTwoInput(*registry, SettingsTransitionISF::CLASS_ID, &CreateTwoInput<TransitionISF>);
  RegisterTwoInput(*registry, SettingsEffectDisplacementMap::CLASS_ID,
                   &CreateTwoInput<EffectDisplacementMap>);
  RegisterVarInput(*registry, SettingsEffectMaskedMix::CLASS_ID, &CreateVarInput<EffectMaskedMix>);
  RegisterVarInput(*registry, SettingsEffectMultiInputISF::CLASS_ID,
                   &CreateVarInput<EffectMultiInputISF>);
}
