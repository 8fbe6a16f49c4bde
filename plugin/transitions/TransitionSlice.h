#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionShaderSettings.h"

namespace Obrisk::Ogl {

// The frame cut into slices that each spin or swish to the second picture,
// one after the other.
class TransitionSlice final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionSlice> {
 public:
  const std::string_view& GetName() const override;
  // Raises EffectException "Can't find shader" for a key without a program.
  void SetSettings(const Proc::Settings& settings) override;
  // The numbering texture of the square types.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
