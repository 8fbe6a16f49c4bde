// The sources of one program, kept by name in the shader storage.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace Obrisk::Ogl {

namespace Shader {
// Built-in vertex shaders.
enum Id : int {
  FullFrame = 0,  // the full-frame quad; feeds TexCoord0 from vbo_xy_uv
  Mesh3d = 1      // a 3-D mesh (vbo_xyz, vbo_norm, vbo_uv) transformed by `MVP`
};
}  // namespace Shader

// A source built when the program is first made.
using ShaderSourceFunction = std::function<std::string()>;

// V is Shader::Id, std::string_view or ShaderSourceFunction; F is std::string_view or
// ShaderSourceFunction.
template <class V, class F>
class ShaderSources {
 public:
  ShaderSources(std::string name, V vertex, F fragment, std::string path = {})
      : name_(std::move(name)),
        vertex_(std::move(vertex)),
        fragment_(std::move(fragment)),
        path_(std::move(path)) {}

  const std::string& Name() const { return name_; }
  const V& Vertex() const { return vertex_; }
  const F& Fragment() const { return fragment_; }
  // The file the sources belong to, for messages.
  const std::string& Path() const { return path_; }

 private:
  std::string name_;
  V vertex_;
  F fragment_;
  std::string path_;
};

namespace ShaderSourceDetail {
template <class T>
using Stored = std::conditional_t<std::is_same_v<std::decay_t<T>, Shader::Id>, Shader::Id,
                                  std::conditional_t<std::is_convertible_v<T, std::string_view>,
                                                     std::string_view, ShaderSourceFunction>>;
}  // namespace ShaderSourceDetail

template <class V, class F>
ShaderSources(std::string, V, F, std::string)
    -> ShaderSources<ShaderSourceDetail::Stored<V>, ShaderSourceDetail::Stored<F>>;

}  // namespace Obrisk::Ogl
