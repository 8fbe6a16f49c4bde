#include "effects/transform/EffectSubFrame.h"

#include "effects/transform/FramingQuads.h"

namespace Obrisk::Ogl {
namespace {

// The source rectangle onto the output rectangle. Both are measured from the
// top-left corner; texture and clip coordinates run upwards.
PackedMesh SubFrameMesh(const Proc::Rectangle& source, const Proc::Rectangle& output) {
  auto f = [](double value) { return static_cast<float>(value); };
  return RectMesh(
      {f(source.x0), f(1.0 - source.y1), f(2.0 * output.x0 - 1.0), f(1.0 - 2.0 * output.y1)},
      {f(source.x1), f(1.0 - source.y0), f(2.0 * output.x1 - 1.0), f(1.0 - 2.0 * output.y0)});
}

}  // namespace

const std::string_view& EffectSubFrame::GetName() const {
  static constexpr std::string_view kName = "EffectSubFrame";
  return kName;
}

void EffectSubFrame::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  format->SetPixelFormat(Proc::kPixFmtAlpha);
}

Ptr<DataVideoOGL> EffectSubFrame::CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt,
                                            const Proc::FrameInfo& info, double) {
  return DataVideoOGL::Create(colorSpace, Proc::kPixFmtAlpha, info);
}

Ptr<OglCache> EffectSubFrame::CreateCache() {
  return Ptr<OglCache>(new FramingQuadCache());
}

void EffectSubFrame::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                double, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const Proc::SettingsEffectSubFrame& settings = DrawingSettings();
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  Quad& quad = CacheAs<FramingQuadCache>(cache).With(
      SubFrameMesh(settings.GetSourceRect(), settings.GetOutputRect()));
  storage.FBO().Attach(target->GetFirstTexture());
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  rgba->Draw(quad, storage);
}

}  // namespace Obrisk::Ogl
