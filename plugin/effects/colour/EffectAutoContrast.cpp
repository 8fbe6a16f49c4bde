#include "effects/colour/EffectAutoContrast.h"

#include "effects/colour/ColourPlanes.h"
#include "effects/colour/HistogramRescale.h"
#include "obrisk/effectcommon/Ranges.h"

namespace Obrisk::Ogl {
namespace {

// The luma target range, carried from frame to frame, and the level table.
class AutoContrastOglCache final : public OglCache {
 public:
  Proc::Range range = Proc::MPEG_I_RANGE;
  HistogramRescaleOglCache rescale;
};

}  // namespace

const std::string_view& EffectAutoContrast::GetName() const {
  static constexpr std::string_view kName = "EffectAutoContrast";
  return kName;
}

Ptr<OglCache> EffectAutoContrast::CreateCache() {
  return MakeRef<AutoContrastOglCache>();
}

// The luma plane alone is stretched; the chroma (and alpha) planes of the
// input are shared with the output unchanged.
void EffectAutoContrast::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                    double, double, ShaderStorage& storage,
                                    const Ptr<OglCache>& cache) {
  AutoContrastOglCache& state = CacheAs<AutoContrastOglCache>(cache);
  const Proc::SettingsEffectAutoContrast& settings = DrawingSettings();
  const bool alpha = Proc::PixFmtDescription::Find(target->GetPixelFormat()).HasAlpha() &&
                     !settings.GetAlphaIsDisabled();
  SourcePlanes split = SplitSource(*source, alpha, storage);
  const YUVTextures& input = split.planes;
  Texture& inputLuma = input.Plane(YUVTextures::kLuma);
  TexturePool::Lease outputLuma = PlaneLike(inputLuma);

  const Proc::Thresholds thresholds{settings.GetBlackSaturatedPixels(),
                                    settings.GetWhiteSaturatedPixels()};
  if (RescaleHistogram(*outputLuma, inputLuma, kRescaleY, thresholds, state.range, storage,
                       state.rescale)) {
    JoinPlanes(WithPlane(input, YUVTextures::kLuma, *outputLuma), split.converter,
               target->GetFirstTexture());
  } else {
    storage.FBO().Attach(target->GetFirstTexture());
    split.rgb->Draw(storage.FrameQuad(), storage);
  }
}

}  // namespace Obrisk::Ogl
