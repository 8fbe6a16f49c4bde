#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/DistortSettings.h"

namespace Obrisk::Ogl {

// Each pixel of the first input moved by the second, the map: red moves it
// sideways, green up or down, blue scales both.
class EffectDisplacementMap final
    : public EffectAlgorithmWithSettings<TwoInputEffectAlgorithm,
                                         Proc::SettingsEffectDisplacementMap> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
