#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/AutoColorSettings.h"

namespace Obrisk::Ogl {

// Scales the chroma of each pixel about neutral grey, keeping its hue; at a
// setting of exactly 1 the gain is measured from the frame.
class EffectSaturation final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectSaturation> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
