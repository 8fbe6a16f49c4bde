#pragma once

#include "effects/stylise/EffectFindEdges.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/BrushSettings.h"
#include "transitions/TransitionWaterbrush.h"

namespace Obrisk::Ogl {

// A sketch of the picture (its edges, or the picture mostly grey) painted
// over in colour by the brush-stroke transition as the progress runs.
class EffectColorBrush final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectColorBrush> {
 public:
  EffectColorBrush();

  const std::string_view& GetName() const override;
  // The brush-stroke transition's cache.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  EffectFindEdges edges_;
  TransitionWaterbrush brush_;
};

}  // namespace Obrisk::Ogl
