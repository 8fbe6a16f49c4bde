// Meshes of free vertices: 2-D point lists (plain or coloured) and indexed
// 3-D triangle meshes with texture coordinates and normals.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

#include "obrisk/ogl/Mesh.h"

namespace Obrisk::Ogl {

// Points in clip space (attribute vbo_xy), drawn as `mode` (GL_TRIANGLES,
// GL_TRIANGLE_STRIP, GL_LINES, ...). Points added after a draw are uploaded
// at the next Activate.
class Mesh2d final : public Mesh {
 public:
  explicit Mesh2d(GLenum mode = GL_TRIANGLES, GLUsage usage = GL_STATIC_DRAW)
      : mode_(mode), usage_(usage) {}

  void AddPoint(const glm::vec2& point);
  void Clear();
  std::size_t PointCount() const { return points_.size(); }
  void Activate() override;
  void Draw(ShaderProgram& program) override;

 private:
  GLenum mode_;
  GLUsage usage_;
  std::vector<glm::vec2> points_;
  bool dirty_ = true;
  GLBuffer<GL_ARRAY_BUFFER> buffer_;
};

// Points with a colour each (attributes vbo_xy and vbo_color), drawn as `mode`.
class ColoredMesh2d final : public Mesh {
 public:
  explicit ColoredMesh2d(GLenum mode = GL_TRIANGLES, GLUsage usage = GL_STATIC_DRAW)
      : mode_(mode), usage_(usage) {}

  void AddPoint(const glm::vec2& point, const glm::vec4& color);
  void Reserve(std::size_t count) { vertices_.reserve(count); }
  void Clear();
  std::size_t PointCount() const { return vertices_.size(); }
  void Activate() override;
  void Draw(ShaderProgram& program) override;

  struct Vertex {
    glm::vec2 point;
    glm::vec4 color;
  };
  // A point to change in place; it is uploaded again at the next Activate.
  Vertex& At(std::size_t index) {
    dirty_ = true;
    return vertices_.at(index);
  }

 private:
  GLenum mode_;
  GLUsage usage_;
  std::vector<Vertex> vertices_;
  bool dirty_ = true;
  GLBuffer<GL_ARRAY_BUFFER> buffer_;
};

// An indexed triangle mesh gathered on the CPU: points of position, normal
// and texture coordinate, and triangles of three point indices.
class PackedMesh3d {
 public:
  using Index = std::uint32_t;
  struct Vertex {
    glm::vec3 position;
    glm::vec3 normal;
    glm::vec2 uv;
  };

  // Returns the point's index. The normal defaults to +z (towards the viewer).
  Index AddPoint(const glm::vec3& position, const glm::vec2& uv,
                 const glm::vec3& normal = glm::vec3(0.0f, 0.0f, 1.0f));
  // Throws std::out_of_range for an index that names no point.
  void AddTriangle(Index i, Index j, Index k);
  // Four points in the order bottom-left, bottom-right, top-right, top-left,
  // as triangles 0-1-3 and 3-1-2. Returns the quad's number for ReplaceQuadUV.
  std::size_t AddQuad(Index bottomLeft, Index bottomRight, Index topRight, Index topLeft);
  // Moves a point and gives it a new texture coordinate.
  void Replace(Index index, const glm::vec3& position, const glm::vec2& uv);
  // New texture coordinates for the four points of quad `quad`, in its order.
  void ReplaceQuadUV(std::size_t quad, const std::array<glm::vec2, 4>& uv);
  void Clear();

  const std::vector<Vertex>& Vertices() const { return vertices_; }
  const std::vector<Index>& Indices() const { return indices_; }

 private:
  void CheckIndex(Index index) const;

  std::vector<Vertex> vertices_;
  std::vector<Index> indices_;
  std::vector<std::array<Index, 4>> quads_;
};

// A PackedMesh3d on the GPU (attributes vbo_xyz, vbo_norm, vbo_uv), drawn as
// triangles; empty until the first Upload.
class Mesh3d final : public Mesh {
 public:
  // Replaces the vertices and triangles.
  void Upload(const PackedMesh3d& mesh, GLUsage usage);
  bool IsEmpty() const { return indexCount_ == 0; }
  void Activate() override;
  void Draw(ShaderProgram& program) override;

 private:
  std::size_t indexCount_ = 0;
  GLBuffer<GL_ARRAY_BUFFER> vertices_;
  GLBuffer<GL_ELEMENT_ARRAY_BUFFER> indices_;
};

}  // namespace Obrisk::Ogl
