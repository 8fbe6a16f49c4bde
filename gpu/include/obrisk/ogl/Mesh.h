// Vertex data drawn with a program: the full-frame quad and quads of (s, t, x, y).
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "obrisk/ogl/Gl.h"

namespace Obrisk::Ogl {

class ShaderProgram;
bool IsOpenGLThread();

// A buffer object bound to `Target` (GL_ARRAY_BUFFER is 0x8892).
template <GLenum Target>
class GLBuffer {
 public:
  GLBuffer() { glGenBuffers(1, &id_); }
  // Off the OpenGL thread only once that thread has stopped (a cache released
  // late): the buffer went with the context then.
  ~GLBuffer() {
    if (IsOpenGLThread()) glDeleteBuffers(1, &id_);
  }
  GLBuffer(const GLBuffer&) = delete;
  GLBuffer& operator=(const GLBuffer&) = delete;

  void Bind() const { glBindBuffer(Target, id_); }
  // Replaces the whole store.
  void SetData(const void* data, std::size_t size, GLUsage usage) {
    Bind();
    glBufferData(Target, static_cast<GLsizeiptr>(size), data, usage);
    size_ = size;
  }
  // Rewrites part of the store.
  void UpdateBuffer(const void* data, std::size_t size, std::size_t offset) {
    Bind();
    glBufferSubData(Target, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(size), data);
  }
  std::size_t Size() const { return size_; }

 private:
  GLuint id_ = 0;
  std::size_t size_ = 0;
};

class Mesh {
 public:
  virtual ~Mesh() = default;
  // Binds the vertex data; call before Draw.
  virtual void Activate() = 0;
  // Draws with `program`, which must be in use.
  virtual void Draw(ShaderProgram& program) = 0;
};

// One vertex of a quad: texture coordinate (s, t) and clip position (x, y).
struct QuadVertex {
  float s, t, x, y;
};

// Quads gathered on the CPU. The four vertices of a quad are bottom-left,
// bottom-right, top-right, top-left; each is drawn as triangles 0-1-3 and 3-1-2.
class PackedMesh {
 public:
  using QuadVertices = std::array<QuadVertex, 4>;

  void ReserveQuad(std::size_t count) { quads_.reserve(count); }
  // Returns the quad's index.
  std::size_t AddQuad(const QuadVertices& quad);
  void ReplaceQuad(std::size_t index, const QuadVertices& quad) { quads_.at(index) = quad; }
  void Clear() { quads_.clear(); }
  std::size_t QuadCount() const { return quads_.size(); }
  const std::vector<QuadVertices>& Quads() const { return quads_; }

  // The quad covering the whole frame with the whole texture.
  static QuadVertices FullFrame();

 private:
  std::vector<QuadVertices> quads_;
};

class Quad final : public Mesh {
 public:
  // The full-frame quad.
  explicit Quad(GLUsage usage = GL_STATIC_DRAW);
  Quad(const PackedMesh& mesh, GLUsage usage);

  // Replaces the vertices; the quad count may change.
  void Upload(const PackedMesh& mesh);
  void Activate() override;
  void Draw(ShaderProgram& program) override;

 private:
  GLUsage usage_;
  std::size_t quadCount_ = 0;
  GLBuffer<GL_ARRAY_BUFFER> vertices_;
  GLBuffer<GL_ELEMENT_ARRAY_BUFFER> indices_;
};

}  // namespace Obrisk::Ogl
