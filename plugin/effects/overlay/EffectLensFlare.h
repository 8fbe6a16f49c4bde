#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/OverlaySettings.h"

namespace Obrisk::Ogl {

// Types 0 to 3 (and 6 up): a layer of seven lens flares, drawn once per
// cache and added over the picture swaying about its centre. Types 4 and 5:
// a sun glare on a slow circle, drawn over the picture each frame.
class EffectLensFlare final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectLensFlare> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
