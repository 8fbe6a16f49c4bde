#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/AutoColorSettings.h"

namespace Obrisk::Ogl {

// Stretches the red, green and blue levels of each frame, each channel on its
// own, over the full range.
class EffectMagicEnhance final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectMagicEnhance2> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
