#pragma once

#include "effects/mask/EffectAlphaEnvelope.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionSettings.h"

namespace Obrisk::Ogl {

// The first input fades out to transparent in the first half of the
// progress, the second fades in in the second half, through an embedded
// alpha envelope.
class TransitionFadeInFadeOut final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm,
                                         Proc::SettingsTransitionFadeInFadeOut> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  EffectAlphaEnvelope envelope_;
};

}  // namespace Obrisk::Ogl
