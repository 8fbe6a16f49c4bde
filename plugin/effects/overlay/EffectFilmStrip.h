#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/OverlaySettings.h"

namespace Obrisk::Ogl {

// Recent frames in a grid: each frame is reduced by tile averages into a
// history, and each slot of the style's layout shows one history frame (0
// the newest) in its cells, kept at the frame's aspect. Slots whose frame
// has not been seen yet stay transparent.
class EffectFilmStrip final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectFilmStrip> {
 public:
  class CacheImpl;

  // A style's layout: grid side (also the scale divisor) and, per slot, the
  // cells it covers (row-major from the bottom-left cell).
  struct Layout {
    int grid = 0;
    std::vector<std::vector<int>> slotCells;
  };
  static Layout LayoutOf(std::int32_t style);

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
