#include "obrisk/ogl/Mesh3d.h"

#include <cstddef>
#include <stdexcept>
#include <string>

#include "MeshAttributes.h"

namespace Obrisk::Ogl {
namespace {

constexpr GLint kXY = 2;
constexpr GLint kXYZ = 3;
constexpr GLint kUV = 2;
constexpr GLint kRGBA = 4;

// Uploads `records` into `buffer` when they changed since the last upload.
template <class Record>
void UploadIfDirty(GLBuffer<GL_ARRAY_BUFFER>& buffer, const std::vector<Record>& records,
                   GLUsage usage, bool& dirty) {
  if (dirty) {
    buffer.SetData(records.data(), records.size() * sizeof(Record), usage);
    dirty = false;
  }
  buffer.Bind();
}

}  // namespace

void Mesh2d::AddPoint(const glm::vec2& point) {
  points_.push_back(point);
  dirty_ = true;
}

void Mesh2d::Clear() {
  points_.clear();
  dirty_ = true;
}

void Mesh2d::Activate() {
  UploadIfDirty(buffer_, points_, usage_, dirty_);
  MeshAttributes::Enable(false, false);
  MeshAttributes::Point(Attribute::kPosition, kXY, sizeof(glm::vec2), 0);
}

void Mesh2d::Draw(ShaderProgram&) {
  glDrawArrays(mode_, 0, static_cast<GLsizei>(points_.size()));
}

void ColoredMesh2d::AddPoint(const glm::vec2& point, const glm::vec4& color) {
  vertices_.push_back({point, color});
  dirty_ = true;
}

void ColoredMesh2d::Clear() {
  vertices_.clear();
  dirty_ = true;
}

void ColoredMesh2d::Activate() {
  UploadIfDirty(buffer_, vertices_, usage_, dirty_);
  MeshAttributes::Enable(true, false);
  MeshAttributes::Point(Attribute::kPosition, kXY, sizeof(Vertex), offsetof(Vertex, point));
  MeshAttributes::Point(Attribute::kSecond, kRGBA, sizeof(Vertex), offsetof(Vertex, color));
}

void ColoredMesh2d::Draw(ShaderProgram&) {
  glDrawArrays(mode_, 0, static_cast<GLsizei>(vertices_.size()));
}

PackedMesh3d::Index PackedMesh3d::AddPoint(const glm::vec3& position, const glm::vec2& uv,
                                           const glm::vec3& normal) {
  vertices_.push_back({position, normal, uv});
  return static_cast<Index>(vertices_.size() - 1);
}

void PackedMesh3d::CheckIndex(Index index) const {
  if (index >= vertices_.size()) {
    throw std::out_of_range("PackedMesh3d: point " + std::to_string(index) + " of " +
                            std::to_string(vertices_.size()));
  }
}

void PackedMesh3d::AddTriangle(Index i, Index j, Index k) {
  for (Index index : {i, j, k}) CheckIndex(index);
  indices_.insert(indices_.end(), {i, j, k});
}

std::size_t PackedMesh3d::AddQuad(Index bottomLeft, Index bottomRight, Index topRight,
                                  Index topLeft) {
  AddTriangle(bottomLeft, bottomRight, topLeft);
  AddTriangle(topLeft, bottomRight, topRight);
  quads_.push_back({bottomLeft, bottomRight, topRight, topLeft});
  return quads_.size() - 1;
}

void PackedMesh3d::Replace(Index index, const glm::vec3& position, const glm::vec2& uv) {
  CheckIndex(index);
  vertices_[index].position = position;
  vertices_[index].uv = uv;
}

void PackedMesh3d::ReplaceQuadUV(std::size_t quad, const std::array<glm::vec2, 4>& uv) {
  const auto& corners = quads_.at(quad);
  for (std::size_t corner = 0; corner < corners.size(); ++corner) {
    vertices_[corners[corner]].uv = uv[corner];
  }
}

void PackedMesh3d::Clear() {
  vertices_.clear();
  indices_.clear();
  quads_.clear();
}

void Mesh3d::Upload(const PackedMesh3d& mesh, GLUsage usage) {
  using Vertex = PackedMesh3d::Vertex;
  vertices_.SetData(mesh.Vertices().data(), mesh.Vertices().size() * sizeof(Vertex), usage);
  indices_.SetData(mesh.Indices().data(), mesh.Indices().size() * sizeof(PackedMesh3d::Index),
                   usage);
  indexCount_ = mesh.Indices().size();
}

void Mesh3d::Activate() {
  using Vertex = PackedMesh3d::Vertex;
  vertices_.Bind();
  indices_.Bind();
  MeshAttributes::Enable(true, true);
  MeshAttributes::Point(Attribute::kPosition, kXYZ, sizeof(Vertex), offsetof(Vertex, position));
  MeshAttributes::Point(Attribute::kSecond, kXYZ, sizeof(Vertex), offsetof(Vertex, normal));
  MeshAttributes::Point(Attribute::kThird, kUV, sizeof(Vertex), offsetof(Vertex, uv));
}

void Mesh3d::Draw(ShaderProgram&) {
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indexCount_), GL_UNSIGNED_INT, nullptr);
}

}  // namespace Obrisk::Ogl
