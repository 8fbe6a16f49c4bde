#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionMeshSettings.h"

namespace Obrisk::Ogl {

// The first picture rolls up onto a cylinder that grows as it winds,
// uncovering the second; or, played backwards, the second unrolls over it.
class TransitionRoll final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionRoll> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

// Where the roll lies at progress q for a paper of thickness `size`, along
// the rolling direction in texture units from where it started: `axis` is
// the roll's axis, `radius` its radius and [from, to] the band it covers.
// No band (all zero) at q = 0.
struct RollBand {
  double axis = 0.0;
  double radius = 0.0;
  double from = 0.0;
  double to = 0.0;
};
RollBand RollBandAt(double q, int size);

}  // namespace Obrisk::Ogl
