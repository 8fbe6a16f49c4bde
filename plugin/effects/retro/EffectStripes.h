#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/RetroSettings.h"

namespace Obrisk::Ogl {

// Horizontal cosine stripes, mixed with the picture by the intensity.
class EffectStripes final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectStripes> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
