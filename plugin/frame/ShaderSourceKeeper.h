// The sources of one of an effect's programs, held in a global of its file.
#pragma once

#include "obrisk/ogl/ShaderSources.h"

namespace Obrisk::Ogl {

// Built at load from (name, vertex, fragment, source path); handed to
// ShaderStorage::MakeShader, which keeps the compiled program by the name.
template <class V, class F>
class ShaderSourceKeeper : public ShaderSources<V, F> {
 public:
  using ShaderSources<V, F>::ShaderSources;
};

template <class V, class F>
ShaderSourceKeeper(std::string, V, F, std::string)
    -> ShaderSourceKeeper<ShaderSourceDetail::Stored<V>, ShaderSourceDetail::Stored<F>>;

}  // namespace Obrisk::Ogl
