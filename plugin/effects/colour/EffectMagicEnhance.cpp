#include "effects/colour/EffectMagicEnhance.h"

#include "effects/colour/HistogramRescale.h"
#include "obrisk/effectcommon/Ranges.h"

namespace Obrisk::Ogl {

const std::string_view& EffectMagicEnhance::GetName() const {
  static constexpr std::string_view kName = "EffectMagicEnhance";
  return kName;
}

Ptr<OglCache> EffectMagicEnhance::CreateCache() {
  return MakeRef<HistogramRescaleOglCache>();
}

// Every frame is stretched onto the full range on its own: nothing of the
// measurement is carried to the next frame.
void EffectMagicEnhance::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                    double, double, ShaderStorage& storage,
                                    const Ptr<OglCache>& cache) {
  HistogramRescaleOglCache& rescale = CacheAs<HistogramRescaleOglCache>(cache);
  const Proc::SettingsEffectMagicEnhance2& settings = DrawingSettings();
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  Proc::Range range = Proc::JPEG_RANGE;
  const Proc::Thresholds thresholds{settings.GetBlackSaturatedPixels(),
                                    settings.GetWhiteSaturatedPixels()};
  if (!RescaleHistogram(target->GetFirstTexture(), rgba->GetFirstTexture(), kRescaleRGB, thresholds,
                        range, storage, rescale)) {
    storage.FBO().Attach(target->GetFirstTexture());
    rgba->Draw(storage.FrameQuad(), storage);
  }
}

}  // namespace Obrisk::Ogl
