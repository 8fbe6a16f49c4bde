#include "effects/transform/EffectCrop.h"

#include "effects/transform/FramingQuads.h"

namespace Obrisk::Ogl {
namespace {

// The texture rectangle of the kept part onto the whole target. Texture
// coordinates run up from the picture's bottom row.
PackedMesh CropMesh(const Proc::SettingsEffectCrop& settings, const Proc::FrameInfo& source) {
  const auto [left, top] = settings.GetOffsets(source);
  const Proc::FrameInfo kept = settings.GetOutputFrame(source);
  const auto width = static_cast<float>(source.width);
  const auto height = static_cast<float>(source.height);
  const auto uLeft = static_cast<float>(left) / width;
  const auto uRight = static_cast<float>(left + kept.width) / width;
  const auto vTop = static_cast<float>(source.height - top) / height;
  const auto vBottom = static_cast<float>(source.height - top - kept.height) / height;
  return RectMesh({uLeft, vBottom, -1.0f, -1.0f}, {uRight, vTop, 1.0f, 1.0f});
}

}  // namespace

const std::string_view& EffectCrop::GetName() const {
  static constexpr std::string_view kName = "EffectCrop";
  return kName;
}

void EffectCrop::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  const Proc::FrameInfo output = CurrentSettings().GetOutputFrame(format->GetFrameInfo());
  format->InitByPixelAspect(output.width, output.height, output.pixelAspectNum,
                            output.pixelAspectDen);
  OneInputEffectAlgorithm::UpdateFormatCodecVideo(format);
}

Ptr<DataVideoOGL> EffectCrop::CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                                        const Proc::FrameInfo& info, double progress) {
  return OneInputEffectAlgorithm::CreateDst(colorSpace, format,
                                            CurrentSettings().GetOutputFrame(info), progress);
}

Ptr<OglCache> EffectCrop::CreateCache() {
  return Ptr<OglCache>(new FramingQuadCache());
}

void EffectCrop::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                            double, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  Quad& quad =
      CacheAs<FramingQuadCache>(cache).With(CropMesh(DrawingSettings(), source->GetFrameInfo()));
  storage.FBO().Attach(target->GetFirstTexture());
  rgba->Draw(quad, storage);
}

}  // namespace Obrisk::Ogl
