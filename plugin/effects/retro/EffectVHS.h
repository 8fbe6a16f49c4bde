#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/RetroSettings.h"

namespace Obrisk::Ogl {

// A rolling, wobbling tape picture: the frame time drives the roll.
class EffectVHS final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectVHS> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
