#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ColorSettings.h"

namespace Obrisk::Ogl {

// Retro and seventies colour matrices, greyscale and sepia; alpha is kept.
class EffectRetroColors final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectRetroColors> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
