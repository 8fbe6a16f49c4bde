#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/KeySettings.h"

namespace Obrisk::Ogl {

// Pixels brighter than the threshold become the filler colour shaded by
// their luma and the contrast; the others are kept.
class EffectColorMixField final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectColorMixField> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
