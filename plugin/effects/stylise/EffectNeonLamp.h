#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/StyliseSettings.h"

namespace Obrisk::Ogl {

// A glow of three radii around the picture (or around its opaque part in
// one colour), added in linear light and tone-mapped; alpha follows the
// brightness.
class EffectNeonLamp final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectNeonLamp> {
 public:
  const std::string_view& GetName() const override;
  // Holds the float textures of the glow, at the size of the last frame.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
