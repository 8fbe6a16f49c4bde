#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/StyliseSettings.h"

namespace Obrisk::Ogl {

// Each pixel shows, at random and afresh in every frame, itself or the
// source at a random point within the radius.
class EffectDiffuse final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectDiffuse> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
