#pragma once

#include "effects/blur/EffectGaussianBlur.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/StyliseSettings.h"

namespace Obrisk::Ogl {

// A grid of copies of the slightly blurred picture, each posterised to a
// few lightness levels in a hue of its own.
class EffectPopArt final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectPopArt> {
 public:
  const std::string_view& GetName() const override;
  // With unequal rows and columns the output grows (enlarge) or shrinks so
  // that every copy keeps the source's proportions.
  Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                              const Proc::FrameInfo& info, double progress) override;
  // The embedded blur's cache.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  EffectGaussianBlur blur_;
};

// The output size for a source of `info` with these settings.
Proc::FrameInfo PopArtFrameInfo(const Proc::SettingsEffectPopArt& settings,
                                const Proc::FrameInfo& info);

}  // namespace Obrisk::Ogl
