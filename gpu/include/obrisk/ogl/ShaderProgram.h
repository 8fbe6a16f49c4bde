// A linked GLSL program and its uniforms.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <glm/glm.hpp>

#include "obrisk/ogl/Gl.h"

namespace Obrisk::Ogl {

// A shader that fails to compile or link; the message holds the program's
// name, the stage and the driver's log.
class ShaderException : public OglException {};

// Fixed attribute locations shared by the built-in and custom vertex shaders.
namespace Attribute {
constexpr GLuint kPosition = 0;  // vbo_xy_uv, vbo_xy, vbo_xyz
constexpr GLuint kSecond = 1;    // vbo_color, vbo_norm
constexpr GLuint kThird = 2;     // vbo_uv
}  // namespace Attribute

class ShaderProgram {
 public:
  // Compiles and links; throws ShaderException with the driver's log.
  ShaderProgram(std::string name, const std::string& vertexSource,
                const std::string& fragmentSource);
  ~ShaderProgram();
  ShaderProgram(const ShaderProgram&) = delete;
  ShaderProgram& operator=(const ShaderProgram&) = delete;

  void Use() const;
  const std::string& Name() const { return name_; }
  GLuint Id() const { return id_; }
  bool UniformExists(const std::string& name) const { return Location(name) >= 0; }

  // Setting a uniform the program does not use is not an error (as in OpenGL).
  // Doubles are passed as floats: the legacy dialect has no double uniforms.
  void Uniform(std::string_view name, int value) const;
  void Uniform(std::string_view name, float value) const;
  void Uniform(std::string_view name, double value) const;
  void Uniform(std::string_view name, float x, float y) const;
  void Uniform(std::string_view name, float x, float y, float z) const;
  void Uniform(std::string_view name, float x, float y, float z, float w) const;
  void Uniform(std::string_view name, double x, double y) const;
  void Uniform(std::string_view name, double x, double y, double z) const;
  void Uniform(std::string_view name, double x, double y, double z, double w) const;
  void Uniform(std::string_view name, const glm::vec2& value) const;
  void Uniform(std::string_view name, const glm::vec3& value) const;
  void Uniform(std::string_view name, const glm::vec4& value) const;
  void Uniform(std::string_view name, const glm::ivec4& value) const;
  void Uniform(std::string_view name, const glm::mat2& value, bool transpose) const;
  void Uniform(std::string_view name, const glm::mat3& value, bool transpose) const;
  void Uniform(std::string_view name, const glm::mat4& value, bool transpose) const;
  // A float array uniform.
  void Uniform(std::string_view name, const std::vector<float>& values) const;
  void Uniform(std::string_view name, const ColorF& color) const;

 private:
  GLint Location(std::string_view name) const;

  std::string name_;
  GLuint id_ = 0;
  mutable std::map<std::string, GLint, std::less<>> locations_;
};

}  // namespace Obrisk::Ogl
