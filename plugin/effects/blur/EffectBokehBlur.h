#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/BlurSettings.h"

namespace Obrisk::Ogl {

// Bokeh blur: the frame, with its highlights boosted, convolved with the
// shape image through a two-dimensional FFT on the GPU; the cost does not
// depend on the kernel's size. Without a usable shape image the source
// passes through.
class EffectBokehBlur final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectBokehBlur> {
 public:
  class CacheImpl;

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

// The base-2 logarithm of the FFT grid's length for a frame side of `size`
// pixels: a quarter of the power of two (at least 256) that holds the side
// plus a 256-pixel margin.
int BokehGridLog2(int size);

// The kernel's side in pixels: trunc(shorter frame side x intensity x size), at least 3.
int BokehKernelSize(int width, int height, const Proc::SettingsEffectBokehBlur& settings);

}  // namespace Obrisk::Ogl
