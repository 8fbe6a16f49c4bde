// The vertex attribute arrays a mesh feeds; shared by the mesh classes.
#pragma once

#include "obrisk/ogl/ShaderProgram.h"

namespace Obrisk::Ogl::MeshAttributes {

// Enables the position array and, as asked, the second and third; the
// others are disabled so that no draw reads arrays another mesh left bound.
inline void Enable(bool second, bool third) {
  glEnableVertexAttribArray(Attribute::kPosition);
  if (second) {
    glEnableVertexAttribArray(Attribute::kSecond);
  } else {
    glDisableVertexAttribArray(Attribute::kSecond);
  }
  if (third) {
    glEnableVertexAttribArray(Attribute::kThird);
  } else {
    glDisableVertexAttribArray(Attribute::kThird);
  }
}

// Points attribute `location` at `components` floats at `offset` bytes into
// records of `stride` bytes of the bound array buffer.
inline void Point(GLuint location, GLint components, GLsizei stride, std::size_t offset) {
  glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offset));
}

}  // namespace Obrisk::Ogl::MeshAttributes
