// An ISF package run as one input: the source frame.
#pragma once

#include "frame/EffectAlgorithm.h"
#include "isf/ISFBaseEffect.h"
#include "obrisk/settings/IsfSettings.h"

namespace Obrisk::Ogl {

class EffectISF final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectISF> {
 public:
  const std::string_view& GetName() const override;
  // Configures the package first: a package that does not parse raises and
  // leaves the settings as they were.
  void SetSettings(const Proc::Settings& settings) override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  ISF::ISFBaseEffect engine_;
};

}  // namespace Obrisk::Ogl
