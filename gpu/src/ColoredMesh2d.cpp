#include "obrisk/ogl/ColoredMesh2d.h"

#include <cstdint>

#include "obrisk/ogl/ShaderProgram.h"

namespace Obrisk::Ogl {
namespace {

constexpr GLint kPositionFloats = 2;
constexpr GLint kColorFloats = 4;
static_assert(sizeof(ColoredMesh2d::Point) == (kPositionFloats + kColorFloats) * sizeof(float));

const void* ColorOffset() {
  return reinterpret_cast<const void*>(
      static_cast<std::uintptr_t>(kPositionFloats * sizeof(float)));
}

}  // namespace

void ColoredMesh2d::Upload(GLUsage usage) {
  vertices_.SetData(points_.data(), points_.size() * sizeof(Point), usage);
  uploaded_ = points_.size();
}

void ColoredMesh2d::Activate() {
  vertices_.Bind();
  glEnableVertexAttribArray(Attribute::kPosition);
  glVertexAttribPointer(Attribute::kPosition, kPositionFloats, GL_FLOAT, GL_FALSE, sizeof(Point),
                        nullptr);
  glEnableVertexAttribArray(Attribute::kSecond);
  glVertexAttribPointer(Attribute::kSecond, kColorFloats, GL_FLOAT, GL_FALSE, sizeof(Point),
                        ColorOffset());
}

void ColoredMesh2d::Draw(ShaderProgram&) {
  glDrawArrays(primitive_, 0, static_cast<GLsizei>(uploaded_));
  // The colour array stays off for meshes that feed only positions.
  glDisableVertexAttribArray(Attribute::kSecond);
}

}  // namespace Obrisk::Ogl
