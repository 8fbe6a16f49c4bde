#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/MaskSettings.h"

namespace Obrisk::Ogl {

// The first input's colour with its alpha multiplied by the second input's
// brightness (the mean of red, green and blue).
class EffectAlphaInserter final
    : public EffectAlgorithmWithSettings<TwoInputEffectAlgorithm,
                                         Proc::SettingsEffectAlphaInserter> {
 public:
  const std::string_view& GetName() const override;
  // The two-input default, with the alpha flag set.
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
