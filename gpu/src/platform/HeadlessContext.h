// The one platform seam of the GPU layer: a headless desktop OpenGL context
// (compatibility profile) made current on the calling thread.
#pragma once

#include <memory>
#include <string>

namespace Obrisk::Ogl {

class HeadlessContext {
 public:
  virtual ~HeadlessContext() = default;
  // Throws OglException naming every attempt and what is missing.
  static std::unique_ptr<HeadlessContext> CreateCurrent(bool debug);
  // How the context was made, e.g. "EGL device platform".
  virtual const std::string& Describe() const = 0;
};

}  // namespace Obrisk::Ogl
