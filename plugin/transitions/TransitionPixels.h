#pragma once

#include <glm/mat4x4.hpp>

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// The second picture's pixels fly in scattered and settle (type 0), or random
// pixels of the first linger at the sides (type 1); the pattern is drawn once
// per transition object.
class TransitionPixels final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionPixels> {
 public:
  TransitionPixels();
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  glm::mat4 seeds_;
};

}  // namespace Obrisk::Ogl
