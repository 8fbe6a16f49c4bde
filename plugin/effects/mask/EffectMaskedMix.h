#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/MaskSettings.h"

namespace Obrisk::Ogl {

// Three inputs, left, right and mask: each colour channel mixes the left and
// right pictures (alpha premultiplied) by the mask's channel; opaque output.
class EffectMaskedMix final
    : public EffectAlgorithmWithSettings<VarInputEffectAlgorithm, Proc::SettingsEffectMaskedMix> {
 public:
  const std::string_view& GetName() const override;
  // Raises EffectException "Expecting three input frames" for another count.
  Ptr<DataVideoOGL> CreateDst(const DataVideoList& sources, double progress) override;
  void ProcessGpu(const Ptr<Frame>& target, const DataVideoList& sources, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
