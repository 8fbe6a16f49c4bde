#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/MaskSettings.h"

namespace Obrisk::Ogl {

// Multiplies the picture by the progress with fixed-function blending: the
// alpha when the target has alpha, otherwise the colour (a fade from black).
// Needs no cache and reads no settings, so other algorithms embed it and call
// ProcessGpu directly with a progress of their own.
class EffectAlphaEnvelope final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectVideoAlphaEnvelope> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
