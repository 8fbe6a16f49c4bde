// Textures and the pool that lends them.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "obrisk/ogl/Gl.h"

namespace Obrisk::Ogl {

class Surface;

class Texture {
 public:
  // The texture parameter record: size, storage format and sampling.
  struct Params {
    int width = 0;
    int height = 0;
    GLint internalFormat = GL_RGBA8;
    GLenum format = GL_RGBA;  // layout of data handed to Allocate and Update
    GLenum type = GL_UNSIGNED_BYTE;
    GLint filter = GL_LINEAR;
    GLint wrap = GL_CLAMP_TO_EDGE;

    auto Key() const { return std::tie(width, height, internalFormat, format, type, filter, wrap); }
    bool operator<(const Params& other) const { return Key() < other.Key(); }
  };

  Texture() = default;
  Texture(const Params& params, const void* data);
  ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // (Re)creates the storage; `data` may be null (contents undefined).
  void Allocate(const Params& params, const void* data);
  // Replaces the pixels of a mip level with `data` laid out as Params::format/type.
  void Update(int level, const void* data);
  // The same with data in another layout (for example GL_BGRA).
  void Update(int level, const void* data, GLenum format, GLenum type);
  // Reads a level into `buffer` (RGBA, 8-bit unless the texture is float and
  // `type` says GL_FLOAT), through `surface`; rows bottom first. Integer
  // textures give their values unnormalised (GL_RGBA_INTEGER).
  void Download(int level, void* buffer, Surface& surface, GLenum type = GL_UNSIGNED_BYTE);
  // glTexParameteri on this texture; also keeps Params in step for filter and wrap.
  void Tweak(GLenum parameter, GLint value);
  int ComponentsPerPixel() const;
  // True for textures of unnormalised integers (Params::format GL_*_INTEGER).
  bool IsInteger() const;
  // Binds the texture to texture unit `unit`.
  void Use(int unit) const;

  GLuint Id() const { return id_; }
  const Params& GetParams() const { return params_; }
  int Width() const { return params_.width; }
  int Height() const { return params_.height; }

 private:
  GLuint id_ = 0;
  Params params_;
};

// Lends textures by parameter record and takes them back for reuse. Lives on
// the OpenGL thread; a lease dropped elsewhere is returned there.
class TexturePool {
 public:
  struct Return {
    void operator()(Texture* texture) const;
  };
  using Lease = std::unique_ptr<Texture, Return>;

  static TexturePool& GetInstance();

  // A texture with these parameters; contents undefined.
  Lease GetTex(const Texture::Params& params);
  void Put(std::unique_ptr<Texture> texture);
  void Clear() { free_.clear(); }
  std::size_t FreeCount() const;

 private:
  // Textures kept per parameter record; more are freed at once.
  static constexpr std::size_t kMaxFreePerParams = 8;
  std::map<Texture::Params, std::vector<std::unique_ptr<Texture>>> free_;
};

}  // namespace Obrisk::Ogl
