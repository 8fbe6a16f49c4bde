#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ColorSettings.h"

namespace Obrisk::Ogl {

// Each output channel is a weighted sum of the input's red, green and blue; alpha is kept.
class EffectChannelMixer final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectChannelMixer> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
