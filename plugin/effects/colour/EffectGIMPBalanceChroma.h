#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ColorToolSettings.h"

namespace Obrisk::Ogl {

// Shifts the colour of shadows, midtones and highlights, each weighted by the
// pixel's HSL lightness; optionally keeps that lightness. Alpha is kept.
class EffectGIMPBalanceChroma final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectGIMPBalanceChroma> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
