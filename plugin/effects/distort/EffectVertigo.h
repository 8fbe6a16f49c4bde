#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/DistortSettings.h"

namespace Obrisk::Ogl {

// Rocking, zooming echoes of the picture over it, moving with time.
class EffectVertigo final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectVertigo> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
