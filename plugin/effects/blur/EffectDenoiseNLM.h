#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/BlurSettings.h"

namespace Obrisk::Ogl {

// Non-local means: each pixel averaged with the pixels of its search window,
// weighted by how alike the patches around them are.
class EffectDenoiseNLM final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectDenoiseNLM> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
