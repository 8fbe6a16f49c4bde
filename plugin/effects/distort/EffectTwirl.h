#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/DistortSettings.h"

namespace Obrisk::Ogl {

// A swirl about the centre, turning and twisting with time.
class EffectTwirl final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectTwirl> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
