#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ColorToolSettings.h"

namespace Obrisk::Ogl {

// Maps each colour through a 3-D lookup table (nearest, trilinear or
// tetrahedral) held in a float texture, mixed with the source by intensity.
class EffectLUT final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectLUT> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  // Raises Exception "Unknow interpolation type" for a type other than 0 to
  // 2, and EffectException when the table's texture exceeds the driver's
  // largest texture size.
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

// The texture a table of edge n is laid out in: W = 2^ceil(log2(sqrt(n^3)))
// by H = 2^ceil(log2(n^3 / W)) texels, entries in table order row by row.
struct LutTextureSize {
  int width = 0;
  int height = 0;
};
LutTextureSize LutTextureSizeFor(int edge);

}  // namespace Obrisk::Ogl
