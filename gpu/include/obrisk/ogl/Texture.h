// Textures and the pool that lends them.
#pragma once

#include <cstddef>
#include <list>
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
  // The storage of level 0 as the budget counts it.
  std::size_t Bytes() const { return bytes_; }

  // GPU memory budget: the storage of all live textures together. Allocate
  // refuses a texture that would pass it with OglException. The default is
  // kDefaultMemoryBudget; QUENVARA_GPU_MEMORY_MB overrides it at start-up.
  static constexpr std::size_t kDefaultMemoryBudget = std::size_t{4} << 30;
  static std::size_t MemoryBudget();
  static void SetMemoryBudget(std::size_t bytes);
  // Storage and number of the textures alive now.
  static std::size_t LiveBytes();
  static std::size_t LiveCount();
  // Throws OglException naming the limit when a texture of this size cannot
  // be made: not positive, beyond the driver's maximum texture size, or
  // beyond what is left of the memory budget.
  static void CheckSize(const Params& params);
  // Throws OglException naming the limit when a picture of this size is
  // larger than the driver's maximum texture size (any thread).
  static void CheckDimensions(int width, int height);

 private:
  void Release();

  GLuint id_ = 0;
  Params params_;
  std::size_t bytes_ = 0;
};

// Lends textures by parameter record and takes them back for reuse. Lives on
// the OpenGL thread; a lease dropped elsewhere is returned there. The free
// textures are bounded in number and storage; past either bound the least
// recently returned ones are freed, and all of them give way before a new
// texture would pass the memory budget.
class TexturePool {
 public:
  struct Return {
    void operator()(Texture* texture) const;
  };
  using Lease = std::unique_ptr<Texture, Return>;

  static constexpr std::size_t kMaxFreeCount = 32;
  static constexpr std::size_t kMaxFreeBytes = std::size_t{256} << 20;

  static TexturePool& GetInstance();

  // A texture with these parameters; contents undefined.
  Lease GetTex(const Texture::Params& params);
  void Put(std::unique_ptr<Texture> texture);
  void Clear() { free_.clear(); }
  std::size_t FreeCount() const { return free_.size(); }
  std::size_t FreeBytes() const;

 private:
  // Frees the least recently returned textures until at most `count` of
  // `bytes` in all remain.
  void Trim(std::size_t count, std::size_t bytes);

  // Most recently returned first.
  std::list<std::unique_ptr<Texture>> free_;
};

}  // namespace Obrisk::Ogl
