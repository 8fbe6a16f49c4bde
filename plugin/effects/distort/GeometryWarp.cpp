#include "effects/distort/GeometryWarp.h"

#include "effects/transform/FramingQuads.h"

namespace Obrisk::Ogl {

PackedMesh::QuadVertices CentredQuad(const std::array<std::array<double, 2>, 4>& uv, double sx,
                                     double sy) {
  const auto vertex = [&](int corner, double x, double y) {
    return QuadVertex{static_cast<float>(uv[corner][0]), static_cast<float>(uv[corner][1]),
                      static_cast<float>(x), static_cast<float>(y)};
  };
  return {vertex(0, -sx, -sy), vertex(1, sx, -sy), vertex(2, sx, sy), vertex(3, -sx, sy)};
}

Ptr<OglCache> CreateGeometryWarpCache() {
  return Ptr<OglCache>(new FramingQuadCache());
}

void DrawGeometryWarp(Frame& target, DataVideoOGL& source, const PackedMesh& mesh,
                      ShaderStorage& storage, const Ptr<OglCache>& cache) {
  Ptr<Frame> rgba = source.FrameData()->ConvertToRGBA(storage);
  Quad& quad = CacheAs<FramingQuadCache>(cache).With(mesh);
  storage.FBO().Attach(target.GetFirstTexture());
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  rgba->Draw(quad, storage);
}

}  // namespace Obrisk::Ogl
