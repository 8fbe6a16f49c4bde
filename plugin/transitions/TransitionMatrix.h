#pragma once

#include <glm/mat3x3.hpp>

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// Every cell of a grid switches from the first picture to the second at its
// own random moment, the same for every frame of one transition object.
class TransitionMatrix final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionMatrix> {
 public:
  TransitionMatrix();
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  // The noise seeds of the cell order, drawn once.
  glm::mat3 seeds_;
};

}  // namespace Obrisk::Ogl
