#include "obrisk/ogl/Texture.h"

#include <stdexcept>

#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/Surface.h"

namespace Obrisk::Ogl {

Texture::Texture(const Params& params, const void* data) {
  Allocate(params, data);
}

Texture::~Texture() {
  if (id_ == 0) return;
  OglManager::DoOnOpenGLThread([id = id_] { glDeleteTextures(1, &id); });
}

void Texture::Allocate(const Params& params, const void* data) {
  if (params.width <= 0 || params.height <= 0) {
    OBRISK_THROW(OglException, "Texture: invalid size " + std::to_string(params.width) + "x" +
                                   std::to_string(params.height));
  }
  if (id_ == 0) glGenTextures(1, &id_);
  params_ = params;
  glBindTexture(GL_TEXTURE_2D, id_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, params.internalFormat, params.width, params.height, 0,
               params.format, params.type, data);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, params.filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, params.filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, params.wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, params.wrap);
}

void Texture::Update(int level, const void* data) {
  Update(level, data, params_.format, params_.type);
}

void Texture::Update(int level, const void* data, GLenum format, GLenum type) {
  glBindTexture(GL_TEXTURE_2D, id_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, std::max(1, params_.width >> level),
                  std::max(1, params_.height >> level), format, type, data);
}

void Texture::Download(int level, void* buffer, Surface& surface, GLenum type) {
  glBindFramebuffer(GL_FRAMEBUFFER, surface.Id());
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, id_, level);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, std::max(1, params_.width >> level), std::max(1, params_.height >> level),
               IsInteger() ? GL_RGBA_INTEGER : GL_RGBA, type, buffer);
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
  switch (params_.format) {
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
      return 3;
    default:
      return 4;
  }
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
  auto found = free_.find(params);
  if (found != free_.end() && !found->second.empty()) {
    Lease lease(found->second.back().release());
    found->second.pop_back();
    return lease;
  }
  return Lease(new Texture(params, nullptr));
}

void TexturePool::Put(std::unique_ptr<Texture> texture) {
  auto& list = free_[texture->GetParams()];
  if (list.size() < kMaxFreePerParams) list.push_back(std::move(texture));
}

std::size_t TexturePool::FreeCount() const {
  std::size_t count = 0;
  for (const auto& [params, list] : free_) count += list.size();
  return count;
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
