#include "effects/colour/EffectOpacity.h"

#include "frame/SinglePass.h"

namespace Obrisk::Ogl {

const std::string_view& EffectOpacity::GetName() const {
  static constexpr std::string_view kName = "EffectOpacity";
  return kName;
}

// The output has alpha whatever the input: announce it as well as create it.
void EffectOpacity::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  format->SetPixelFormat(Proc::kPixFmtAlpha);
}

Ptr<DataVideoOGL> EffectOpacity::CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt,
                                           const Proc::FrameInfo& info, double) {
  return DataVideoOGL::Create(colorSpace, Proc::kPixFmtAlpha, info);
}

// A plain copy through the blender: the source times the constant colour
// (1, 1, 1, opacity), nothing of the destination. Planar sources are drawn as
// RGBA first, since drawing a frame copies only its first texture.
void EffectOpacity::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                               double, ShaderStorage& storage, const Ptr<OglCache>&) {
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  storage.FBO().Attach(target->GetFirstTexture());
  EnableState blend(GL_BLEND);
  glBlendColor(1.0f, 1.0f, 1.0f, static_cast<float>(DrawingSettings().GetOpacity()));
  glBlendFunc(GL_CONSTANT_COLOR, GL_ZERO);
  const NearestSampling sampling(storage, 1);
  rgba->Draw(storage.Quad(), storage);
}

}  // namespace Obrisk::Ogl
