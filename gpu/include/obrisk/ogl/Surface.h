// A framebuffer that renders into one texture at a time.
#pragma once

#include "obrisk/ogl/Gl.h"

namespace Obrisk::Ogl {

class Texture;

class Surface {
 public:
  Surface();
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // Makes the texture the render target and sets the viewport to its size.
  void Attach(Texture& texture);
  GLuint Id() const { return id_; }

 private:
  GLuint id_ = 0;
};

}  // namespace Obrisk::Ogl
