#include "transitions/TransitionWithEffects.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "obrisk/host/Exception.h"
#include "obrisk/settings/RetroSettings.h"

namespace Obrisk::Ogl {
namespace {

constexpr std::uint8_t kMultiInputTraits = 7;
constexpr std::uint32_t kTransitionType = 8;
// The frame allocation type of effects that work on GPU frames in place of
// their input, and the value of effects that take any.
constexpr std::uint8_t kGpuFrameAllocType = 2;
constexpr std::uint8_t kAnyFrameAllocType = 255;
constexpr std::string_view kIntensityKey = "intensity";
constexpr double kMidpoint = 0.5;

bool IsGlitch(const std::string& classId) {
  return classId == Proc::SettingsEffectGlitchMpeg::CLASS_ID ||
         classId == Proc::SettingsEffectGlitchSecurityCam::CLASS_ID;
}

// Settings of a chain file travel as their Property; typed ones as they are.
void GiveSettings(Proc::IEffect& effect, const Proc::Settings& settings) {
  if (dynamic_cast<const Proc::SettingsRecord*>(&settings) != nullptr) {
    effect.SetSettings(settings.Serialize());
  } else {
    effect.SetSettingsObject(settings);
  }
}

double NumberOf(const Property& property) {
  const auto& value = property.GetValue();
  if (const auto* real = std::get_if<double>(&value)) return *real;
  if (const auto* whole = std::get_if<std::int64_t>(&value)) return static_cast<double>(*whole);
  return 0.0;
}

}  // namespace

TransitionWithEffects::TransitionWithEffects(const Ptr<Proc::IEffectFactory>& factory,
                                             const Ptr<IRefCountable>& context)
    : factory_(factory), context_(context) {
  Ptr<Proc::IEffect> uploader;
  if (factory_ && factory_->CreateEffect(uploader, Proc::SettingsFrameUploader::CLASS_ID,
                                         Proc::ImplNames::OGL, nullptr)) {
    frameUploader_ = dynamic_cast<Proc::IOneInputEffectVideo*>(uploader.get());
  }
}

Ptr<Proc::IEffect> TransitionWithEffects::Create(const Proc::Settings& settings) const {
  Ptr<Proc::IEffect> effect;
  if (!factory_ ||
      !factory_->CreateEffect(effect, settings.GetClassId(), Proc::ImplNames::OGL, context_)) {
    throw std::invalid_argument("No effect is registered for " + settings.GetClassId());
  }
  return effect;
}

void TransitionWithEffects::SetSettingsObject(const Proc::Settings& settings) {
  const auto& typed = dynamic_cast<const Proc::SettingsTransitionWithEffects&>(settings);
  Ptr<Proc::ITwoInputEffectVideo> transition;
  if (const auto& inner = typed.GetTransition()) {
    Ptr<Proc::IEffect> created = Create(*inner);
    transition = dynamic_cast<Proc::ITwoInputEffectVideo*>(created.get());
    if (!transition) {
      throw std::invalid_argument(inner->GetClassId() + " is not a transition");
    }
    GiveSettings(*transition, *inner);
  }
  std::vector<ChainEffect> effects;
  for (const auto& given : typed.GetEffects()) {
    Ptr<Proc::IEffect> created = Create(*given);
    const std::uint8_t allocType = created->GetTraits();
    if (allocType != kGpuFrameAllocType && allocType < kAnyFrameAllocType) {
      throw std::logic_error("Invalid FrameAllocType in using effect: " + given->GetClassId());
    }
    Ptr<Proc::IOneInputEffectVideo> effect(
        dynamic_cast<Proc::IOneInputEffectVideo*>(created.get()));
    if (!effect) throw std::invalid_argument(given->GetClassId() + " is not a one-input effect");
    GiveSettings(*effect, *given);
    std::unique_ptr<Property> glitch;
    if (IsGlitch(given->GetClassId())) glitch = std::make_unique<Property>(effect->GetSettings());
    effects.push_back({effect, std::move(glitch)});
  }
  settings_ = typed;
  transition_ = std::move(transition);
  effects_ = std::move(effects);
  PassOnProgress();
}

std::uint8_t TransitionWithEffects::GetTraits() const {
  return kMultiInputTraits;
}

Property TransitionWithEffects::GetStatistic() const {
  return counters_.Make("Obrisk::Ogl::TransitionWithEffects::GetStatistic", kTransitionType,
                        Proc::ImplNames::OGL);
}

void TransitionWithEffects::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  format->SetPixelFormat(Proc::kPixFmtAlpha);
  format->SetAlphaFlag(true);
}

void TransitionWithEffects::SetProgress(const Proc::TimeToProgress& progress) {
  ITwoInputEffectVideo::SetProgress(progress);
  PassOnProgress();
}

void TransitionWithEffects::SetProgressController(
    const Ptr<Proc::IProgressController>& controller) {
  ITwoInputEffectVideo::SetProgressController(controller);
  PassOnProgress();
}

// The inner transition plays from `begin` to 1 - `begin` of this object's
// progress: the middle `transitionFilling` of the range.
void TransitionWithEffects::PassOnProgress() {
  const Proc::TimeToProgress& outer = GetProgress();
  for (auto& chained : effects_) chained.effect->SetProgress(outer);
  if (!transition_) return;
  const double begin = (1.0 - settings_.GetTransitionFilling()) / 2.0;
  const double length = 1.0 - 2.0 * begin;
  transition_->SetProgress(Proc::TimeToProgress([outer, begin, length](std::int64_t time) {
    if (length <= 0.0) return 0.0;
    return std::clamp((outer.GetProgress(time) - begin) / length, 0.0, 1.0);
  }));
}

bool TransitionWithEffects::InInnerRange(double progress) const {
  const double begin = (1.0 - settings_.GetTransitionFilling()) / 2.0;
  return progress >= begin && progress < 1.0 - begin;
}

void TransitionWithEffects::ScaleGlitches(double strength) {
  for (auto& chained : effects_) {
    if (!chained.glitch) continue;
    Property scaled = *chained.glitch;
    const Property* given = chained.glitch->FindChild(kIntensityKey);
    scaled.SetChild(std::string(kIntensityKey),
                    Property(strength * (given != nullptr ? NumberOf(*given) : 0.0)));
    chained.effect->SetSettings(scaled);
  }
}

Ptr<Proc::IData> TransitionWithEffects::ProcessData(const std::vector<Ptr<Proc::IData>>& frames) {
  if (frames.size() != 2) BOOST_THROW_EXCEPTION(std::logic_error("invalid data count"));
  Ptr<Proc::IData> first = frames[0];
  ProcessData(first, frames[1]);
  return first;
}

void TransitionWithEffects::Process(Ptr<Proc::IData>& first, const Ptr<Proc::IData>& second) {
  if (!first || !second) return;
  const auto* a = dynamic_cast<const Proc::IDataVideo*>(first.get());
  const auto* b = dynamic_cast<const Proc::IDataVideo*>(second.get());
  if (a == nullptr || b == nullptr) {
    OBRISK_THROW(EffectException, std::string("Both inputs of a transition must be video frames"));
  }
  if (!(a->GetColorSpace() == b->GetColorSpace())) {
    OBRISK_THROW(EffectException,
                 std::string("Both frames must have the same color space to operate"));
  }
  const auto start = Proc::ProcessingCounters::Clock::now();
  const double q = GetProgress().GetProgress(first->GetStartTime() + first->GetDuration());
  const double fromEnd = q < kMidpoint ? q : std::abs(q - 1.0);
  ScaleGlitches(std::clamp(
      std::pow(2.0 * fromEnd, settings_.GetPowerScale()) * settings_.GetIntensityMultiplier(), 0.0,
      1.0));
  if (transition_ && InInnerRange(q)) {
    transition_->ProcessData(first, second);
  } else {
    if (q > kMidpoint) first = second;
    if (frameUploader_) frameUploader_->ProcessData(first);
  }
  for (auto& chained : effects_) chained.effect->ProcessData(first);
  counters_.CountFrame(start);
}

}  // namespace Obrisk::Ogl
