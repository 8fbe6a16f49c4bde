#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TemplateSettings.h"

namespace Obrisk::Ogl {

// A transition drawn by the fragment shader text of its settings.
class TransitionTemplateZTL final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionTemplateZTL> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
