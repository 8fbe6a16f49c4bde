// OpenGL entry points (through libepoxy) and the small types the GPU layer shares.
#pragma once

#include <epoxy/gl.h>

#include "obrisk/host/Exception.h"

namespace Obrisk::Ogl {

// OpenGL buffer usage (GL_STATIC_DRAW, GL_STREAM_DRAW, ...).
using GLUsage = GLenum;

// Failures of the GPU layer: no context, a shader that does not build, bad frame formats.
class OglException : public Exception {};

// A colour with float components.
struct ColorF {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 1.0f;
};

// Enables an OpenGL capability (GL_BLEND, GL_CULL_FACE, ...) for its lifetime
// and restores the previous state afterwards.
class EnableState {
 public:
  explicit EnableState(GLenum capability);
  ~EnableState();
  EnableState(const EnableState&) = delete;
  EnableState& operator=(const EnableState&) = delete;

 private:
  GLenum capability_;
  GLboolean wasEnabled_;
};

}  // namespace Obrisk::Ogl
