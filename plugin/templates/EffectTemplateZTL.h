#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TemplateSettings.h"

namespace Obrisk::Ogl {

// Runs the fragment shader text of its settings over the picture.
class EffectTemplateZTL final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectTemplateZTL> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
