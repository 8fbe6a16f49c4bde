#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/StyliseSettings.h"

namespace Obrisk::Ogl {

// Sobel gradient of the luma, drawn as the picture's colours scaled by the
// edge strength or as dark edges on white. Other effects embed it.
class EffectFindEdges final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectFindEdges> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
