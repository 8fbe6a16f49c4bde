#include "effects/distort/EffectZoom.h"

#include <algorithm>

#include "effects/distort/GeometryWarp.h"

namespace Obrisk::Ogl {
namespace {

// How far the view has closed in on the rectangle at `progress`: 0 the
// whole frame, 1 the rectangle.
double RampAt(const Proc::SettingsEffectZoom& settings, double progress) {
  if (settings.GetRampIn() > progress) return progress / settings.GetRampIn();
  if (settings.GetRampOut() > 1.0 - progress) return (1.0 - progress) / settings.GetRampOut();
  return 1.0;
}

PackedMesh ZoomMesh(const Proc::SettingsEffectZoom& settings, double progress) {
  const double k = RampAt(settings, progress);
  const Proc::TextureRect rect = settings.GetRect();
  // The view grows from the whole frame (k = 0) to the rectangle (k = 1).
  const double x0 = k * rect.x0;
  const double y0 = k * rect.y0;
  const double x1 = k * rect.x1 + (1.0 - k);
  const double y1 = k * rect.y1 + (1.0 - k);
  double sx = 1.0;
  double sy = 1.0;
  if (!settings.GetCrop()) {
    // Fitted with its shape kept, touching the frame on its longer side; an
    // empty rectangle draws nothing.
    const double w = x1 - x0;
    const double h = y1 - y0;
    const double longer = std::max(w, h);
    const double m = longer > 0.0 ? 1.0 / longer : 0.0;
    sx = m * w;
    sy = m * h;
  }
  PackedMesh mesh;
  mesh.AddQuad(CentredQuad({{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}}, sx, sy));
  return mesh;
}

}  // namespace

const std::string_view& EffectZoom::GetName() const {
  static constexpr std::string_view kName = "EffectZoom";
  return kName;
}

Ptr<OglCache> EffectZoom::CreateCache() {
  return CreateGeometryWarpCache();
}

void EffectZoom::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  const Proc::FrameInfo output = CurrentSettings().GetOutputFrame(format->GetFrameInfo());
  format->InitByPixelAspect(output.width, output.height, output.pixelAspectNum,
                            output.pixelAspectDen);
  OneInputEffectAlgorithm::UpdateFormatCodecVideo(format);
}

Ptr<DataVideoOGL> EffectZoom::CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                                        const Proc::FrameInfo& info, double progress) {
  return OneInputEffectAlgorithm::CreateDst(colorSpace, format,
                                            CurrentSettings().GetOutputFrame(info), progress);
}

void EffectZoom::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                            double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  DrawGeometryWarp(*target, *source, ZoomMesh(DrawingSettings(), progress), storage, cache);
}

}  // namespace Obrisk::Ogl
