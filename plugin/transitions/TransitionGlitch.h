#pragma once

#include "effects/retro/EffectGlitchMpeg.h"
#include "effects/retro/EffectVHS.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// Passes from the first picture to the second through a glitch: pixelation
// (type 0), grey displacement (1), a broken compressed stream with a hard
// swap half way (2), or a rolling tape picture (3).
class TransitionGlitch final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionGlitch> {
 public:
  const std::string_view& GetName() const override;
  // Holds the broken-stream effect's caches, one per input, made when that
  // type first draws.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  void DrawBrokenStream(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                        const Ptr<DataVideoOGL>& second, double time, double progress,
                        ShaderStorage& storage, const Ptr<OglCache>& cache);
  void DrawTape(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                const Ptr<DataVideoOGL>& second, double time, double progress,
                ShaderStorage& storage);

  EffectGlitchMpeg mpeg_;
  EffectVHS vhs_;
};

}  // namespace Obrisk::Ogl
