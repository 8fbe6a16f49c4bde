#include "obrisk/ogl/ShaderProgram.h"

#include <glm/gtc/type_ptr.hpp>

namespace Obrisk::Ogl {
namespace {

std::string InfoLog(GLuint object, bool isProgram) {
  GLint length = 0;
  isProgram ? glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length)
            : glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
  isProgram ? glGetProgramInfoLog(object, length, nullptr, log.data())
            : glGetShaderInfoLog(object, length, nullptr, log.data());
  log.resize(std::char_traits<char>::length(log.c_str()));
  return log;
}

GLuint Compile(const std::string& programName, GLenum stage, const std::string& source) {
  GLuint shader = glCreateShader(stage);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint compiled = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (compiled != GL_TRUE) {
    const std::string log = InfoLog(shader, false);
    glDeleteShader(shader);
    OBRISK_THROW(ShaderException, "Shader program \"" + programName + "\": the " +
                                      (stage == GL_VERTEX_SHADER ? "vertex" : "fragment") +
                                      " shader does not compile:\n" + log);
  }
  return shader;
}

// Attribute names of the built-in and custom vertex shaders, by location.
constexpr std::pair<GLuint, const char*> kAttributes[] = {
    {Attribute::kPosition, "vbo_xy_uv"}, {Attribute::kPosition, "vbo_xy"},
    {Attribute::kPosition, "vbo_xyz"},   {Attribute::kSecond, "vbo_color"},
    {Attribute::kSecond, "vbo_norm"},    {Attribute::kThird, "vbo_uv"},
};

}  // namespace

ShaderProgram::ShaderProgram(std::string name, const std::string& vertexSource,
                             const std::string& fragmentSource)
    : name_(std::move(name)) {
  const GLuint vertex = Compile(name_, GL_VERTEX_SHADER, vertexSource);
  GLuint fragment = 0;
  try {
    fragment = Compile(name_, GL_FRAGMENT_SHADER, fragmentSource);
  } catch (...) {
    glDeleteShader(vertex);
    throw;
  }
  id_ = glCreateProgram();
  glAttachShader(id_, vertex);
  glAttachShader(id_, fragment);
  for (const auto& [location, attribute] : kAttributes) {
    glBindAttribLocation(id_, location, attribute);
  }
  glLinkProgram(id_);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  glGetProgramiv(id_, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    const std::string log = InfoLog(id_, true);
    glDeleteProgram(id_);
    id_ = 0;
    OBRISK_THROW(ShaderException, "Shader program \"" + name_ + "\" does not link:\n" + log);
  }
}

ShaderProgram::~ShaderProgram() {
  if (id_ != 0) glDeleteProgram(id_);
}

void ShaderProgram::Use() const {
  glUseProgram(id_);
}

GLint ShaderProgram::Location(std::string_view name) const {
  auto found = locations_.find(name);
  if (found != locations_.end()) return found->second;
  std::string key(name);
  const GLint location = glGetUniformLocation(id_, key.c_str());
  locations_.emplace(std::move(key), location);
  return location;
}

void ShaderProgram::Uniform(std::string_view name, int value) const {
  glUniform1i(Location(name), value);
}
void ShaderProgram::Uniform(std::string_view name, float value) const {
  glUniform1f(Location(name), value);
}
void ShaderProgram::Uniform(std::string_view name, double value) const {
  glUniform1f(Location(name), static_cast<float>(value));
}
void ShaderProgram::Uniform(std::string_view name, float x, float y) const {
  glUniform2f(Location(name), x, y);
}
void ShaderProgram::Uniform(std::string_view name, float x, float y, float z) const {
  glUniform3f(Location(name), x, y, z);
}
void ShaderProgram::Uniform(std::string_view name, float x, float y, float z, float w) const {
  glUniform4f(Location(name), x, y, z, w);
}
void ShaderProgram::Uniform(std::string_view name, double x, double y) const {
  Uniform(name, static_cast<float>(x), static_cast<float>(y));
}
void ShaderProgram::Uniform(std::string_view name, double x, double y, double z) const {
  Uniform(name, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}
void ShaderProgram::Uniform(std::string_view name, double x, double y, double z, double w) const {
  Uniform(name, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
          static_cast<float>(w));
}
void ShaderProgram::Uniform(std::string_view name, const glm::vec2& value) const {
  glUniform2fv(Location(name), 1, glm::value_ptr(value));
}
void ShaderProgram::Uniform(std::string_view name, const glm::vec3& value) const {
  glUniform3fv(Location(name), 1, glm::value_ptr(value));
}
void ShaderProgram::Uniform(std::string_view name, const glm::vec4& value) const {
  glUniform4fv(Location(name), 1, glm::value_ptr(value));
}
void ShaderProgram::Uniform(std::string_view name, const glm::ivec4& value) const {
  glUniform4iv(Location(name), 1, glm::value_ptr(value));
}
void ShaderProgram::Uniform(std::string_view name, const glm::mat2& value, bool transpose) const {
  glUniformMatrix2fv(Location(name), 1, transpose ? GL_TRUE : GL_FALSE, glm::value_ptr(value));
}
void ShaderProgram::Uniform(std::string_view name, const glm::mat3& value, bool transpose) const {
  glUniformMatrix3fv(Location(name), 1, transpose ? GL_TRUE : GL_FALSE, glm::value_ptr(value));
}
void ShaderProgram::Uniform(std::string_view name, const glm::mat4& value, bool transpose) const {
  glUniformMatrix4fv(Location(name), 1, transpose ? GL_TRUE : GL_FALSE, glm::value_ptr(value));
}
void ShaderProgram::Uniform(std::string_view name, const std::vector<float>& values) const {
  glUniform1fv(Location(name), static_cast<GLsizei>(values.size()), values.data());
}
void ShaderProgram::Uniform(std::string_view name, const ColorF& color) const {
  glUniform4f(Location(name), color.r, color.g, color.b, color.a);
}

}  // namespace Obrisk::Ogl
