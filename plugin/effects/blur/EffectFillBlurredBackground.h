#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/BlurSettings.h"

namespace Obrisk::Ogl {

// The source over a blurred, stretched copy of a part of itself.
class EffectFillBlurredBackground final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectFillBlurredBackground> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
