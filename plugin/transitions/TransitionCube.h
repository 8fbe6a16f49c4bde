#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMeshSettings.h"

namespace Obrisk::Ogl {

// The camera orbits a cube a quarter turn: the first picture on its front
// face gives way to the second on its right face.
class TransitionCube final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionCube> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  // The two faces, uploaded on the first frame.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
