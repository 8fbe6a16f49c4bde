#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMeshSettings.h"

namespace Obrisk::Ogl {

// The page's curl at a progress, in the page's own units (the frame's height
// is 2, its width twice the display aspect): how far the fold line has
// travelled from the lifted corner along the diagonal, and the radius of
// the roll the page wraps around past it.
struct PageCurl {
  double travel = 0.0;
  double radius = 0.0;
};

// The first picture is a page lifted at a corner: it wraps around a roll
// that runs along the diagonal and lies turned over beyond it, until it has
// left the frame and shows the second picture beneath.
class TransitionPageturn final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionPageturn> {
 public:
  class CacheImpl;

  // The curl on a page whose diagonal is `diagonal` long: from a flat page
  // at progress 0 to a page that has left the frame at 1.
  static PageCurl CurlAt(double progress, double diagonal);

  const std::string_view& GetName() const override;
  // The curl's curves and the page's meshes.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
