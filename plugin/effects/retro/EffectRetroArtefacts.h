#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/RetroSettings.h"

namespace Obrisk::Ogl {

// Old film: scratches that stay for 16 frames, dust and hairs new in every
// frame, drawn as coloured points and lines over the (shaken) picture.
class EffectRetroArtefacts final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectRetroArtefacts> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
