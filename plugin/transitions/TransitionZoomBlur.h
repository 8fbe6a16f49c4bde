#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// The first picture zooms and smears along the zoom, the second recovers from
// the opposite motion; the two mix around the midpoint.
class TransitionZoomBlur final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionZoomBlur> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
