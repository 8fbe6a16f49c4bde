#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/OverlaySettings.h"

namespace Obrisk::Ogl {

// Sprites laid over the picture where the settings' motion puts them at the
// frame's time: one turned square quad per object, blended by the sprite's
// alpha.
class EffectFlyingObjects final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectFlyingObjects> {
 public:
  class CacheImpl;

  // The objects' quads at `time` on a target of geometry `target`.
  static PackedMesh ObjectMesh(const Proc::SettingsEffectFlyingObjects& settings,
                               const Proc::FrameInfo& target, double time);

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
