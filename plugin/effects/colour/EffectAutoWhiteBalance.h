#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/AutoColorSettings.h"

namespace Obrisk::Ogl {

// Removes a colour cast: a chromatic adaptation that turns the reference
// colour, or the frame's mean colour when the reference is opaque black, into
// neutral grey.
class EffectAutoWhiteBalance final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectAutoWhiteBalance> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
