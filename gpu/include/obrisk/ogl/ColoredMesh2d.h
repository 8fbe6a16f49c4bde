// Coloured points in clip coordinates, drawn as points or line segments.
#pragma once

#include <cstddef>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include "obrisk/ogl/Mesh.h"

namespace Obrisk::Ogl {

// Each point feeds `vbo_xy` (x, y) and `vbo_color` (r, g, b, a). Points are
// gathered on the CPU and drawn as uploaded last.
class ColoredMesh2d final : public Mesh {
 public:
  struct Point {
    glm::vec2 position;
    glm::vec4 color;
  };

  // `primitive`: GL_POINTS, GL_LINES, GL_LINE_STRIP, ...
  explicit ColoredMesh2d(GLenum primitive) : primitive_(primitive) {}

  void Reserve(std::size_t count) { points_.reserve(count); }
  void Clear() { points_.clear(); }
  void AddPoint(const glm::vec2& position, const glm::vec4& color) {
    points_.push_back({position, color});
  }
  Point& At(std::size_t index) { return points_.at(index); }
  std::size_t PointCount() const { return points_.size(); }

  // Hands the points to the GPU.
  void Upload(GLUsage usage);
  void Activate() override;
  void Draw(ShaderProgram& program) override;

 private:
  GLenum primitive_;
  std::vector<Point> points_;
  std::size_t uploaded_ = 0;
  GLBuffer<GL_ARRAY_BUFFER> vertices_;
};

}  // namespace Obrisk::Ogl
