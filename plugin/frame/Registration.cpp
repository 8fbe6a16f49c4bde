// The plug-in's entry point and its registration table: the one place that
// names effect classes.
#include <cstdlib>
#include <ctime>
#include <memory>

#include "frame/EffectWrapper.h"
#include "frame/Registrator.h"

#include "effects/blur/EffectBokehBlur.h"
#include "effects/blur/EffectCensored.h"
#include "effects/blur/EffectDenoiseNLM.h"
#include "effects/blur/EffectFillBlurredBackground.h"
#include "effects/blur/EffectGaussianBlur.h"
#include "effects/blur/EffectMotionBlur.h"
#include "effects/blur/EffectTiltShift.h"
#include "effects/colour/EffectInvert.h"
#include "effects/mask/EffectAlphaChannelModifier.h"
#include "effects/mask/EffectAlphaEnvelope.h"
#include "effects/mask/EffectAlphaInserter.h"
#include "effects/mask/EffectMask.h"
#include "effects/mask/EffectMaskedMix.h"
#include "effects/service/ColorSpaceConverter.h"
#include "effects/service/EffectResizer.h"
#include "isf/EffectISF.h"
#include "isf/EffectMultiInputISF.h"
#include "isf/TransitionISF.h"

namespace Obrisk::Ogl {
namespace {

// Effects draw their random values from the C runtime's generator, seeded
// once when the library loads.
const bool kRandomSeeded = [] {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  return true;
}();

template <class Effect>
Ptr<Proc::IEffect> CreateOneInput(const Ptr<Proc::IEffectFactory>& factory,
                                  const Ptr<IRefCountable>&) {
  return Ptr<Proc::IEffect>(new OneInputEffectWrapper(factory, std::make_shared<Effect>()));
}

template <class Effect>
Ptr<Proc::IEffect> CreateTwoInput(const Ptr<Proc::IEffectFactory>& factory,
                                  const Ptr<IRefCountable>&) {
  return Ptr<Proc::IEffect>(new TwoInputEffectWrapper(factory, std::make_shared<Effect>()));
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
  RegisterOneInput(*registry, SettingsEffectTiltShiftQRW::CLASS_ID,
                   &CreateOneInput<EffectTiltShift>);
  RegisterOneInput(*registry, SettingsEffectMask::CLASS_ID, &CreateOneInput<EffectMask>);
  RegisterOneInput(*registry, SettingsEffectInvert::CLASS_ID, &CreateOneInput<EffectInvert>);
  RegisterOneInput(*registry, SettingsEffectBlurGaussian::CLASS_ID,
                   &CreateOneInput<EffectGaussianBlur>);
  RegisterOneInput(*registry, SettingsEffectMotionBlur::CLASS_ID,
                   &CreateOneInput<EffectMotionBlur>);
  RegisterOneInput(*registry, SettingsEffectVideoAlphaEnvelope::CLASS_ID,
                   &CreateOneInput<EffectAlphaEnvelope>);
  RegisterOneInput(*registry, SettingsEffectCensored::CLASS_ID, &CreateOneInput<EffectCensored>);
  RegisterOneInput(*registry, SettingsEffectAlphaChannelModifier::CLASS_ID,
                   &CreateOneInput<EffectAlphaChannelModifier>);
  RegisterOneInput(*registry, SettingsEffectFillBlurredBackground::CLASS_ID,
                   &CreateOneInput<EffectFillBlurredBackground>);
  RegisterOneInput(*registry, SettingsEffectISF::CLASS_ID, &CreateOneInput<EffectISF>);
  RegisterOneInput(*registry, SettingsEffectDenoiseNLM::CLASS_ID,
                   &CreateOneInput<EffectDenoiseNLM>);
  RegisterOneInput(*registry, SettingsEffectBokehBlur::CLASS_ID, &CreateOneInput<EffectBokehBlur>);
  RegisterOneInput(*registry, SettingsResizer::CLASS_ID, &CreateImageResizer);
  RegisterOneInput(*registry, SettingsColorSpaceConverter::CLASS_ID, &CreateColorSpaceConverter);
  RegisterTwoInput(*registry, SettingsEffectAlphaInserter::CLASS_ID,
                   &CreateTwoInput<EffectAlphaInserter>);
  RegisterTwoInput(*registry, SettingsTransitionISF::CLASS_ID, &CreateTwoInput<TransitionISF>);
  RegisterVarInput(*registry, SettingsEffectMaskedMix::CLASS_ID, &CreateVarInput<EffectMaskedMix>);
  RegisterVarInput(*registry, SettingsEffectMultiInputISF::CLASS_ID,
                   &CreateVarInput<EffectMultiInputISF>);
}
