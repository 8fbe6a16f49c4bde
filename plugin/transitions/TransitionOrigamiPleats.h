#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMeshSettings.h"

namespace Obrisk::Ogl {

// The first picture slides out sideways while the second unfolds behind it
// from a zig-zag of pleats that flattens as it ends.
class TransitionOrigamiPleats final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm,
                                         Proc::SettingsTransitionOrigamiPleats> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  // The camera and the meshes of the sheet and the pleats.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
