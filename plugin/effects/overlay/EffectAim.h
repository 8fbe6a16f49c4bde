#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/OverlaySettings.h"

namespace Obrisk::Ogl {

// A tracking marker: at each frame the first tracked box whose interval
// holds the frame's time gets a green box or an orange cross and ring;
// outside every interval the picture passes through.
class EffectAim final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectAim> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
