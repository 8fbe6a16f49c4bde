// The draw of the geometry warps (zoom, pan and zoom, mirror, camera shake):
// the source through quads of their own, with no program of their own.
#pragma once

#include <array>

#include "frame/OglCache.h"
#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/Mesh.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {

// The quad that shows texture corners `uv` (bottom-left, bottom-right,
// top-right, top-left) over the clip rectangle from (-sx, -sy) to (sx, sy).
PackedMesh::QuadVertices CentredQuad(const std::array<std::array<double, 2>, 4>& uv,
                                     double sx = 1.0, double sy = 1.0);

// The cache the geometry warps create: the quads kept from frame to frame.
Ptr<OglCache> CreateGeometryWarpCache();

// Draws the source, in RGBA layout, through the quads of `mesh` over the
// target; what they leave uncovered is transparent black. `cache` is one
// from CreateGeometryWarpCache.
void DrawGeometryWarp(Frame& target, DataVideoOGL& source, const PackedMesh& mesh,
                      ShaderStorage& storage, const Ptr<OglCache>& cache);

}  // namespace Obrisk::Ogl
