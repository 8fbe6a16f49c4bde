#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMeshSettings.h"

namespace Obrisk::Ogl {

// The first picture splits at its centre line and its halves slide apart;
// the second unfolds between them from a valley that flattens as it ends.
class TransitionOrigamiValley final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm,
                                         Proc::SettingsTransitionOrigamiValley> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  // The camera and the meshes of both pictures' halves.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
