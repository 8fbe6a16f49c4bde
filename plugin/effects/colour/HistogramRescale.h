// Histograms of texture components measured on the GPU, and the level
// stretch that the automatic contrast effects draw from them.
#pragma once

#include "frame/OglCache.h"
#include "obrisk/effectcommon/HistogramMath.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/Texture.h"

namespace Obrisk::Ogl {

// The 256-bin histogram of one component (0 red, 1 green, 2 blue, 3 alpha)
// of a texture. Textures up to 513 pixels on their longer side are counted
// whole; from 514 each 2 x 2 block, from 771 each 3 x 3 block is averaged
// first (the reduced image has at least one pixel each way). Only the
// reduced single-channel image is read back.
Proc::Histogram ComputeHistogram(Texture& texture, int component, ShaderStorage& storage);

// The longer sides at which ComputeHistogram starts averaging blocks.
inline constexpr int kHistogramHalveFrom = 514;
inline constexpr int kHistogramThirdFrom = 771;

// What RescaleHistogram stretches.
inline constexpr int kRescaleRGB = 0;  // red, green and blue of RGBA textures
inline constexpr int kRescaleY = 1;    // the one component of a luma plane

// The level table texture of a rescale, kept from frame to frame.
class HistogramRescaleOglCache : public OglCache {
 public:
  // Set once the table texture has storage (for `tableMode`).
  bool allocated = false;
  int tableMode = kRescaleRGB;
  Texture normalization;
};

// Measures `source` and, when its levels do not already span `range`,
// draws it into `destination` with each stretched component's quantiles
// (thresholds in percent) mapped onto the range. `range` is the target range
// carried between frames: it is widened to the measured levels first
// (UpdateRange). Returns false, drawing nothing, when the caller should pass
// its input through: nothing to stretch, or (logged at error level) invalid
// thresholds, textures with too few components or an unknown mode.
bool RescaleHistogram(Texture& destination, Texture& source, int mode,
                      const Proc::Thresholds& thresholds, Proc::Range& range,
                      ShaderStorage& storage, HistogramRescaleOglCache& cache);

// The measuring half of RescaleHistogram, for passes that draw the stretch
// themselves: true, with the cache's table texture set, when `source` is to
// be stretched (`source` unchecked: the mode's components must be there).
bool PrepareRescale(Texture& source, int mode, const Proc::Thresholds& thresholds,
                    Proc::Range& range, ShaderStorage& storage, HistogramRescaleOglCache& cache);

}  // namespace Obrisk::Ogl
