// Quads that the framing effects draw: a rectangle of the texture onto a
// rectangle of the target.
#pragma once

#include <memory>

#include "frame/OglCache.h"
#include "obrisk/ogl/Mesh.h"

namespace Obrisk::Ogl {

// A corner pair: texture coordinate (s, t) and clip position (x, y).
struct QuadCorner {
  float s, t, x, y;
};

// The quad from `bottomLeft` to `topRight` in the geometry-quad order
// (bottom-left, bottom-right, top-right, top-left).
inline PackedMesh::QuadVertices RectQuad(const QuadCorner& bottomLeft, const QuadCorner& topRight) {
  return {QuadVertex{bottomLeft.s, bottomLeft.t, bottomLeft.x, bottomLeft.y},
          QuadVertex{topRight.s, bottomLeft.t, topRight.x, bottomLeft.y},
          QuadVertex{topRight.s, topRight.t, topRight.x, topRight.y},
          QuadVertex{bottomLeft.s, topRight.t, bottomLeft.x, topRight.y}};
}

// A mesh of one such quad.
inline PackedMesh RectMesh(const QuadCorner& bottomLeft, const QuadCorner& topRight) {
  PackedMesh mesh;
  mesh.ReserveQuad(1);
  mesh.AddQuad(RectQuad(bottomLeft, topRight));
  return mesh;
}

// The one quad a framing effect draws, kept from frame to frame: its buffers
// are made once on the OpenGL thread and take each frame's vertices.
class FramingQuadCache final : public OglCache {
 public:
  Quad& With(const PackedMesh& mesh) {
    if (quad_) {
      quad_->Upload(mesh);
    } else {
      quad_ = std::make_unique<Quad>(mesh, GL_DYNAMIC_DRAW);
    }
    return *quad_;
  }

 private:
  std::unique_ptr<Quad> quad_;
};

}  // namespace Obrisk::Ogl
