#pragma once

#include <memory>
#include <vector>

#include "obrisk/host/Effect.h"
#include "obrisk/host/Registry.h"
#include "obrisk/host/Statistics.h"
#include "obrisk/settings/TemplateSettings.h"

namespace Obrisk::Ogl {

// A transition composed of the module's own effects: an optional inner
// transition over the middle of the duration (a cut at the midpoint without
// one), then a chain of one-input effects over the result, whose glitches
// grow toward the midpoint. Its parts come from the host's factory.
class TransitionWithEffects final : public RefCounted<Proc::ITwoInputEffectVideo> {
 public:
  TransitionWithEffects(const Ptr<Proc::IEffectFactory>& factory,
                        const Ptr<IRefCountable>& context);

  // Builds the inner transition and the chain of the settings; on a throw
  // (an unknown class, an effect of the wrong kind, settings that it
  // refuses) nothing changes.
  void SetSettingsObject(const Proc::Settings& settings) override;
  const Proc::Settings& GetSettingsObject() const override { return settings_; }
  void ResetCache() override {}
  std::uint8_t GetTraits() const override;
  Property GetStatistic() const override;
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  // The progress reaches the parts as well: the inner transition over its
  // share of the range, the effects unchanged.
  void SetProgress(const Proc::TimeToProgress& progress) override;
  void SetProgressController(const Ptr<Proc::IProgressController>& controller) override;

  using Proc::ITwoInputEffectVideo::ProcessData;
  // Exactly two entries: the first is processed with the second as second input.
  Ptr<Proc::IData> ProcessData(const std::vector<Ptr<Proc::IData>>& frames) override;

 protected:
  void Process(Ptr<Proc::IData>& first, const Ptr<Proc::IData>& second) override;

 private:
  // An effect of the chain; glitches keep their settings as given, whose
  // intensity the strength of each frame scales.
  struct ChainEffect {
    Ptr<Proc::IOneInputEffectVideo> effect;
    std::unique_ptr<Property> glitch;
  };

  Ptr<Proc::IEffect> Create(const Proc::Settings& settings) const;
  void PassOnProgress();
  // The inner transition's share of the progress, [begin, end).
  bool InInnerRange(double progress) const;
  void ScaleGlitches(double strength);

  Ptr<Proc::IEffectFactory> factory_;
  Ptr<IRefCountable> context_;
  Ptr<Proc::IOneInputEffectVideo> frameUploader_;
  std::vector<ChainEffect> effects_;
  Ptr<Proc::ITwoInputEffectVideo> transition_;
  Proc::SettingsTransitionWithEffects settings_;
  Proc::ProcessingCounters counters_;
};

}  // namespace Obrisk::Ogl
