#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/OverlaySettings.h"

namespace Obrisk::Ogl {

// Coloured light from interfering waves that drift with the frame time,
// brightening the picture on one side of a curve; each type picks the waves,
// the palette and the curve, and its generated shader.
class EffectLightLeaks final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectLightLeaks> {
 public:
  class CacheImpl;

  // The fragment text for a type (types past the table take type 0's).
  static std::string FragmentText(std::int32_t type);

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
