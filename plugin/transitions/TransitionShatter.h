#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMeshSettings.h"

namespace Obrisk::Ogl {

// The first picture breaks into tiles that turn, fly away and fade over the
// second.
class TransitionShatter final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionShatter> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  // The tiles' random turns, speeds and growths, drawn for each grid size.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
