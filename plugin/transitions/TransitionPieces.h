#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// The second picture's outer pieces of a 3 x 3 grid slide in from the frame's
// edges around its centre piece, mixed in over the first picture.
class TransitionPieces final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionPieces> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
