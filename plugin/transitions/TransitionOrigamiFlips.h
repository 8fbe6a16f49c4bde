#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMeshSettings.h"

namespace Obrisk::Ogl {

// The picture is cut into horizontal strips that flip over their top edges
// one after the other, from the top: each turns from the first picture to
// the second as it passes edge-on.
class TransitionOrigamiFlips final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm,
                                         Proc::SettingsTransitionOrigamiFlips> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  // The camera and the meshes of the flat strips and the strip in flight.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
