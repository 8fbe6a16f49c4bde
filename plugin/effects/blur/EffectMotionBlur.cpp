#include "effects/blur/EffectMotionBlur.h"

#include "effects/blur/BlurPasses.h"

namespace Obrisk::Ogl {

// The accumulated picture of the frames so far; empty until the first frame.
class EffectMotionBlur::CacheImpl final : public OglCache {
 public:
  Ptr<Frame> accumulation;
};

namespace {

bool SameGeometry(const Proc::FrameInfo& a, const Proc::FrameInfo& b) {
  return a.width == b.width && a.height == b.height && a.pixelAspectNum == b.pixelAspectNum &&
         a.pixelAspectDen == b.pixelAspectDen;
}

}  // namespace

const std::string_view& EffectMotionBlur::GetName() const {
  static constexpr std::string_view kName = "EffectMotionBlur";
  return kName;
}

Ptr<OglCache> EffectMotionBlur::CreateCache() {
  return MakeRef<CacheImpl>();
}

void EffectMotionBlur::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                  double, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  Ptr<Frame>& accumulation = CacheAs<CacheImpl>(cache).accumulation;
  // Planar input is drawn as RGBA: its first texture alone is the luma plane.
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  Frame& current = *rgba;
  if (!accumulation || !SameGeometry(accumulation->GetFrameInfo(), target->GetFrameInfo())) {
    // A new start: the accumulation begins as the current frame.
    accumulation = target->AllocateIntermediate();
    storage.FBO().Attach(accumulation->GetFirstTexture());
    current.Draw(storage.FrameQuad(), storage);
  }
  // accumulation = current * (1 - scale) + accumulation * scale
  storage.FBO().Attach(accumulation->GetFirstTexture());
  current.Draw(storage.FrameQuad(), storage,
               static_cast<float>(1.0 - DrawingSettings().GetScale()));
  storage.FBO().Attach(target->GetFirstTexture());
  accumulation->Draw(storage.FrameQuad(), storage);
}

}  // namespace Obrisk::Ogl
