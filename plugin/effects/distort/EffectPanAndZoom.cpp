#include "effects/distort/EffectPanAndZoom.h"

#include "effects/distort/GeometryWarp.h"

namespace Obrisk::Ogl {

const std::string_view& EffectPanAndZoom::GetName() const {
  static constexpr std::string_view kName = "EffectPanAndZoom";
  return kName;
}

Ptr<OglCache> EffectPanAndZoom::CreateCache() {
  return CreateGeometryWarpCache();
}

void EffectPanAndZoom::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                  double progress, ShaderStorage& storage,
                                  const Ptr<OglCache>& cache) {
  const Proc::SettingsEffectPanAndZoom& settings = DrawingSettings();
  const Proc::TextureRect start = settings.GetStart();
  const Proc::TextureRect end = settings.GetEnd();
  const auto at = [progress](double from, double to) {
    return from * (1.0 - progress) + to * progress;
  };
  const double x0 = at(start.x0, end.x0);
  const double y0 = at(start.y0, end.y0);
  const double x1 = at(start.x1, end.x1);
  const double y1 = at(start.y1, end.y1);
  PackedMesh mesh;
  mesh.AddQuad(CentredQuad({{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}}));
  DrawGeometryWarp(*target, *source, mesh, storage, cache);
}

}  // namespace Obrisk::Ogl
