#include "obrisk/ogl/Texture.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/PixelBuffer.h"
#include "obrisk/ogl/Surface.h"

namespace Obrisk::Ogl {
namespace {

constexpr std::size_t kBytesPerMiB = std::size_t{1} << 20;

std::size_t BudgetFromEnvironment() {
  const char* text = std::getenv("QUENVARA_GPU_MEMORY_MB");
  if (text == nullptr) return Texture::kDefaultMemoryBudget;
  char* end = nullptr;
  const unsigned long long mebibytes = std::strtoull(text, &end, 10);
  if (end == text || *end != '\0' || mebibytes == 0) return Texture::kDefaultMemoryBudget;
  return static_cast<std::size_t>(mebibytes) * kBytesPerMiB;
}

std::atomic<std::size_t> gBudget{BudgetFromEnvironment()};
std::atomic<std::size_t> gLiveBytes{0};
std::atomic<std::size_t> gLiveCount{0};

// Bytes per texel of the internal formats in use; others count as the
// widest (four 32-bit channels), so that the budget errs on the safe side.
std::size_t BytesPerTexel(GLint internalFormat) {
  switch (internalFormat) {
    case GL_R8:
    case GL_R8UI:
    case GL_ALPHA:
    case GL_LUMINANCE:
    case GL_RED:
      return 1;
    case GL_RG8:
    case GL_RG:
      return 2;
    case GL_RGB8:
    case GL_RGB:
      return 3;
    case GL_RGBA8:
    case GL_RGBA:
    case GL_RG16F:
    case GL_R32F:
      return 4;
    case GL_RGBA16F:
      return 8;
    default:
      return 16;
  }
}

std::size_t StorageOf(const Texture::Params& params) {
  return static_cast<std::size_t>(params.width) * static_cast<std::size_t>(params.height) *
         BytesPerTexel(params.internalFormat);
}

// Components a pixel has in a client-side layout; 0 for layouts not in use here.
std::size_t ComponentsOf(GLenum format) {
  switch (format) {
    case GL_RED:
    case GL_RED_INTEGER:
    case GL_ALPHA:
    case GL_LUMINANCE:
      return 1;
    case GL_RG:
    case GL_RG_INTEGER:
      return 2;
    case GL_RGB:
    case GL_BGR:
    case GL_RGB_INTEGER:
    case GL_BGR_INTEGER:
      return 3;
    case GL_RGBA:
    case GL_BGRA:
    case GL_RGBA_INTEGER:
    case GL_BGRA_INTEGER:
      return 4;
    default:
      return 0;
  }
}

// Bytes of one component of a client-side type; 0 for packed and other types.
std::size_t ComponentBytes(GLenum type) {
  switch (type) {
    case GL_UNSIGNED_BYTE:
    case GL_BYTE:
      return 1;
    case GL_UNSIGNED_SHORT:
    case GL_SHORT:
    case GL_HALF_FLOAT:
      return 2;
    case GL_UNSIGNED_INT:
    case GL_INT:
    case GL_FLOAT:
      return 4;
    default:
      return 0;
  }
}

int LevelWidth(const Texture& texture, int level) {
  return std::max(1, texture.Width() >> level);
}

int LevelHeight(const Texture& texture, int level) {
  return std::max(1, texture.Height() >> level);
}

// glReadPixels of a mip level into the bound pack buffer or main memory.
void ReadPixels(const Texture& texture, int level, void* target, Surface& surface, GLenum type) {
  glBindFramebuffer(GL_FRAMEBUFFER, surface.Id());
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.Id(), level);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, LevelWidth(texture, level), LevelHeight(texture, level),
               texture.IsInteger() ? GL_RGBA_INTEGER : GL_RGBA, type, target);
}

void ClearGlErrors() {
  while (glGetError() != GL_NO_ERROR) {
  }
}

// Raises the driver's error after an allocation: without it a texture the
// driver refused renders as zeros and the failure goes unnoticed.
void ThrowOnGlError(const Texture::Params& params) {
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return;
  ClearGlErrors();
  OBRISK_THROW(OglException,
               fmt::format("Texture: the driver refused a {}x{} texture (error 0x{:x})",
                           params.width, params.height, error));
}

}  // namespace

std::size_t Texture::MemoryBudget() {
  return gBudget.load();
}

void Texture::SetMemoryBudget(std::size_t bytes) {
  gBudget = bytes;
}

std::size_t Texture::LiveBytes() {
  return gLiveBytes.load();
}

std::size_t Texture::LiveCount() {
  return gLiveCount.load();
}

void Texture::CheckSize(const Params& params) {
  if (params.width <= 0 || params.height <= 0) {
    OBRISK_THROW(OglException,
                 fmt::format("Texture: invalid size {}x{}", params.width, params.height));
  }
  CheckDimensions(params.width, params.height);
  const std::size_t budget = MemoryBudget();
  const std::size_t bytes = StorageOf(params);
  if (bytes > budget || LiveBytes() > budget - bytes) {
    OBRISK_THROW(OglException,
                 fmt::format("Texture: a {}x{} texture ({} MiB) would pass the GPU memory budget "
                             "of {} MiB ({} MiB in use; QUENVARA_GPU_MEMORY_MB sets the budget)",
                             params.width, params.height, bytes / kBytesPerMiB,
                             budget / kBytesPerMiB, LiveBytes() / kBytesPerMiB));
  }
}

void Texture::CheckDimensions(int width, int height) {
  const int limit = OglManager::GetInstance().MaxTextureSize();
  if (width > limit || height > limit) {
    OBRISK_THROW(OglException,
                 fmt::format("{}x{} is larger than the driver's maximum texture size {}", width,
                             height, limit));
  }
}

Texture::Texture(const Params& params, const void* data) {
  Allocate(params, data);
}

Texture::~Texture() {
  Release();
  if (id_ == 0) return;
  OglManager::DoOnOpenGLThread([id = id_] { glDeleteTextures(1, &id); });
}

void Texture::Release() {
  if (bytes_ == 0) return;
  gLiveBytes -= bytes_;
  gLiveCount -= 1;
  bytes_ = 0;
}

void Texture::Allocate(const Params& params, const void* data) {
  Release();
  CheckSize(params);
  if (id_ == 0) glGenTextures(1, &id_);
  params_ = params;
  glBindTexture(GL_TEXTURE_2D, id_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  ClearGlErrors();
  glTexImage2D(GL_TEXTURE_2D, 0, params.internalFormat, params.width, params.height, 0,
               params.format, params.type, data);
  ThrowOnGlError(params);
  bytes_ = StorageOf(params);
  gLiveBytes += bytes_;
  gLiveCount += 1;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, params.filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, params.filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, params.wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, params.wrap);
}

void Texture::Update(int level, const void* data) {
  Update(level, data, params_.format, params_.type);
}

void Texture::Update(int level, const void* data, GLenum format, GLenum type) {
  const std::size_t bytes = UpdateBytes(*this, level, format, type);
  if (UploadPath() == TransferPath::PixelBuffer && bytes > 0 && data != nullptr) {
    MappedUpload staged = PixelBufferPool::GetInstance().MapUpload(bytes);
    std::memcpy(staged.Data(), data, bytes);
    UpdateFromBuffer(*this, level, staged, format, type);
    return;
  }
  glBindTexture(GL_TEXTURE_2D, id_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, LevelWidth(*this, level), LevelHeight(*this, level),
                  format, type, data);
}

void Texture::Download(int level, void* buffer, Surface& surface, GLenum type) {
  const std::size_t bytes = DownloadBytes(*this, level, type);
  if (DownloadPath() == TransferPath::PixelBuffer && bytes > 0) {
    const PixelBufferPool::Lease staged = PixelBufferPool::GetInstance().GetPackBuffer(bytes);
    DownloadToBuffer(*this, level, *staged, surface, type);
    const MappedReadback pixels(*staged, bytes);
    std::memcpy(buffer, pixels.Data(), bytes);
    return;
  }
  ReadPixels(*this, level, buffer, surface, type);
}

void UpdateFromBuffer(Texture& texture, int level, MappedUpload& pixels, GLenum format,
                      GLenum type) {
  const BindPixelBuffer bound(pixels.Unmap());
  glBindTexture(GL_TEXTURE_2D, texture.Id());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  // With an unpack buffer bound the data argument is an offset into it.
  glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, LevelWidth(texture, level),
                  LevelHeight(texture, level), format, type, nullptr);
}

void DownloadToBuffer(const Texture& texture, int level, const PixelBuffer& buffer,
                      Surface& surface, GLenum type) {
  const BindPixelBuffer bound(buffer);
  // With a pack buffer bound the data argument is an offset into it.
  ReadPixels(texture, level, nullptr, surface, type);
}

std::size_t UpdateBytes(const Texture& texture, int level, GLenum format, GLenum type) {
  return static_cast<std::size_t>(LevelWidth(texture, level)) *
         static_cast<std::size_t>(LevelHeight(texture, level)) * ComponentsOf(format) *
         ComponentBytes(type);
}

std::size_t DownloadBytes(const Texture& texture, int level, GLenum type) {
  constexpr GLenum kReadLayout = GL_RGBA;
  return UpdateBytes(texture, level, kReadLayout, type);
}

void Texture::Tweak(GLenum parameter, GLint value) {
  glBindTexture(GL_TEXTURE_2D, id_);
  glTexParameteri(GL_TEXTURE_2D, parameter, value);
  if (parameter == GL_TEXTURE_MIN_FILTER || parameter == GL_TEXTURE_MAG_FILTER) {
    params_.filter = value;
  } else if (parameter == GL_TEXTURE_WRAP_S || parameter == GL_TEXTURE_WRAP_T) {
    params_.wrap = value;
  }
}

int Texture::ComponentsPerPixel() const {
  // Layouts not named there are read as four components.
  const std::size_t components = ComponentsOf(params_.format);
  return components == 0 ? 4 : static_cast<int>(components);
}

bool Texture::IsInteger() const {
  switch (params_.format) {
    case GL_RED_INTEGER:
    case GL_RG_INTEGER:
    case GL_RGB_INTEGER:
    case GL_BGR_INTEGER:
    case GL_RGBA_INTEGER:
    case GL_BGRA_INTEGER:
      return true;
    default:
      return false;
  }
}

void Texture::Use(int unit) const {
  glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
  glBindTexture(GL_TEXTURE_2D, id_);
  glActiveTexture(GL_TEXTURE0);
}

void TexturePool::Return::operator()(Texture* texture) const {
  const bool taken = OglManager::DoOnOpenGLThread(
      [texture] { TexturePool::GetInstance().Put(std::unique_ptr<Texture>(texture)); });
  if (!taken) delete texture;
}

TexturePool& TexturePool::GetInstance() {
  return OglManager::GetInstance().Pool();
}

TexturePool::Lease TexturePool::GetTex(const Texture::Params& params) {
  for (auto it = free_.begin(); it != free_.end(); ++it) {
    if ((*it)->GetParams().Key() == params.Key()) {
      Lease lease(it->release());
      free_.erase(it);
      return lease;
    }
  }
  // Free textures give way before a new one would pass the budget.
  const std::size_t budget = Texture::MemoryBudget();
  const std::size_t need = StorageOf(params);
  if (need <= budget && Texture::LiveBytes() > budget - need) Trim(0, 0);
  return Lease(new Texture(params, nullptr));
}

void TexturePool::Put(std::unique_ptr<Texture> texture) {
  free_.push_front(std::move(texture));
  Trim(kMaxFreeCount, kMaxFreeBytes);
}

std::size_t TexturePool::FreeBytes() const {
  std::size_t bytes = 0;
  for (const auto& texture : free_) bytes += texture->Bytes();
  return bytes;
}

void TexturePool::Trim(std::size_t count, std::size_t bytes) {
  std::size_t kept = FreeBytes();
  while (!free_.empty() && (free_.size() > count || kept > bytes)) {
    kept -= free_.back()->Bytes();
    free_.pop_back();
  }
}

Surface::Surface() {
  glGenFramebuffers(1, &id_);
}

Surface::~Surface() {
  glDeleteFramebuffers(1, &id_);
}

void Surface::Attach(Texture& texture) {
  glBindFramebuffer(GL_FRAMEBUFFER, id_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.Id(), 0);
  glViewport(0, 0, texture.Width(), texture.Height());
}

}  // namespace Obrisk::Ogl
