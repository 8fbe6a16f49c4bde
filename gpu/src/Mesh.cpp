#include "obrisk/ogl/Mesh.h"

#include "MeshAttributes.h"
#include "obrisk/ogl/ShaderProgram.h"

namespace Obrisk::Ogl {
namespace {

constexpr GLsizei kIndicesPerQuad = 6;
constexpr GLsizei kFloatsPerVertex = 4;

// Triangles 0-1-3 and 3-1-2 of each quad.
std::vector<GLuint> QuadIndices(std::size_t quadCount) {
  std::vector<GLuint> indices;
  indices.reserve(quadCount * kIndicesPerQuad);
  for (GLuint base = 0; base < quadCount * 4; base += 4) {
    for (GLuint corner : {0u, 1u, 3u, 3u, 1u, 2u}) indices.push_back(base + corner);
  }
  return indices;
}

}  // namespace

std::size_t PackedMesh::AddQuad(const QuadVertices& quad) {
  quads_.push_back(quad);
  return quads_.size() - 1;
}

PackedMesh::QuadVertices PackedMesh::FullFrame() {
  return {QuadVertex{0.0f, 0.0f, -1.0f, -1.0f}, QuadVertex{1.0f, 0.0f, 1.0f, -1.0f},
          QuadVertex{1.0f, 1.0f, 1.0f, 1.0f}, QuadVertex{0.0f, 1.0f, -1.0f, 1.0f}};
}

Quad::Quad(GLUsage usage) : usage_(usage) {
  PackedMesh mesh;
  mesh.AddQuad(PackedMesh::FullFrame());
  Upload(mesh);
}

Quad::Quad(const PackedMesh& mesh, GLUsage usage) : usage_(usage) {
  Upload(mesh);
}

void Quad::Upload(const PackedMesh& mesh) {
  const std::size_t bytes = mesh.QuadCount() * sizeof(PackedMesh::QuadVertices);
  if (bytes == vertices_.Size() && mesh.QuadCount() == quadCount_) {
    vertices_.UpdateBuffer(mesh.Quads().data(), bytes, 0);
    return;
  }
  vertices_.SetData(mesh.Quads().data(), bytes, usage_);
  const std::vector<GLuint> indices = QuadIndices(mesh.QuadCount());
  indices_.SetData(indices.data(), indices.size() * sizeof(GLuint), GL_STATIC_DRAW);
  quadCount_ = mesh.QuadCount();
}

void Quad::Activate() {
  vertices_.Bind();
  indices_.Bind();
  MeshAttributes::Enable(false, false);
  MeshAttributes::Point(Attribute::kPosition, kFloatsPerVertex, kFloatsPerVertex * sizeof(float),
                        0);
}

void Quad::Draw(ShaderProgram&) {
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(quadCount_) * kIndicesPerQuad, GL_UNSIGNED_INT,
                 nullptr);
}

}  // namespace Obrisk::Ogl
