#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/DistortSettings.h"

namespace Obrisk::Ogl {

// One half of the picture mirrored onto the other, across either middle line or both.
class EffectMirror final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectMirror> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
