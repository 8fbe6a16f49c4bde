// Pixel buffer objects: driver memory through which pixels move between main
// memory and textures. Uploads write a mapped pixel-unpack buffer and the
// texture takes its pixels from there; readbacks go into a pixel-pack buffer
// that is mapped and copied out later, so that the copy need not wait on the
// read. Everything here runs on the OpenGL thread unless said otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "obrisk/ogl/Gl.h"

namespace Obrisk::Ogl {

class Surface;
class Texture;

// How pixels travel between main memory and a texture.
enum class TransferPath {
  Direct,       // glTexSubImage2D and glReadPixels on main memory
  PixelBuffer,  // through pixel-unpack and pixel-pack buffer objects
};

// The path of each direction, for every later upload or readback of the
// layer (Texture::Update and Download, UploadFrame and DownloadFrame). Any
// thread. Both are Direct by default, the faster on the software renderer
// this runs on (see PixelBuffer.cpp).
TransferPath UploadPath();
TransferPath DownloadPath();
void SetUploadPath(TransferPath path);
void SetDownloadPath(TransferPath path);

// One buffer object of `target` (GL_PIXEL_UNPACK_BUFFER or
// GL_PIXEL_PACK_BUFFER) holding at least Capacity() bytes. Made on the
// OpenGL thread; deleted there from wherever it is dropped.
class PixelBuffer {
 public:
  PixelBuffer(GLenum target, std::size_t capacity);
  ~PixelBuffer();
  PixelBuffer(const PixelBuffer&) = delete;
  PixelBuffer& operator=(const PixelBuffer&) = delete;

  GLuint Id() const { return id_; }
  GLenum Target() const { return target_; }
  std::size_t Capacity() const { return capacity_; }
  // Makes room for `bytes`, dropping the contents when it grows.
  void Reserve(std::size_t bytes);

 private:
  GLuint id_ = 0;
  GLenum target_;
  std::size_t capacity_ = 0;
};

// Binds a buffer to its target for the scope, and unbinds it after: a pixel
// buffer left bound would turn the next transfer's memory address into an
// offset into the buffer.
class BindPixelBuffer {
 public:
  explicit BindPixelBuffer(const PixelBuffer& buffer);
  ~BindPixelBuffer();
  BindPixelBuffer(const BindPixelBuffer&) = delete;
  BindPixelBuffer& operator=(const BindPixelBuffer&) = delete;

 private:
  GLenum target_;
};

// A pixel-unpack buffer mapped for writing: fill Data() with rows as
// glTexSubImage2D takes them (bottom first, no padding), then pass it to
// Texture::Update, which unmaps it and uploads from it.
class MappedUpload {
 public:
  MappedUpload(PixelBuffer& buffer, std::size_t bytes);
  ~MappedUpload();
  MappedUpload(const MappedUpload&) = delete;
  MappedUpload& operator=(const MappedUpload&) = delete;

  std::uint8_t* Data() const { return data_; }
  std::size_t Bytes() const { return bytes_; }
  // Unmaps the buffer and leaves it bound to GL_PIXEL_UNPACK_BUFFER for the
  // upload that follows; the caller unbinds it.
  const PixelBuffer& Unmap();

 private:
  PixelBuffer& buffer_;
  std::uint8_t* data_ = nullptr;
  std::size_t bytes_;
};

// A pixel-pack buffer mapped for reading what a readback put into it.
class MappedReadback {
 public:
  MappedReadback(const PixelBuffer& buffer, std::size_t bytes);
  ~MappedReadback();
  MappedReadback(const MappedReadback&) = delete;
  MappedReadback& operator=(const MappedReadback&) = delete;

  const std::uint8_t* Data() const { return data_; }

 private:
  const PixelBuffer& buffer_;
  const std::uint8_t* data_ = nullptr;
};

// The OpenGL thread's pixel buffers: a ring of unpack buffers that uploads
// take in turn (the driver may still be reading the one before while the
// next is written), and pack buffers lent to readbacks that are still to be
// copied out, kept for reuse when returned.
class PixelBufferPool {
 public:
  struct Return {
    void operator()(PixelBuffer* buffer) const;
  };
  using Lease = std::unique_ptr<PixelBuffer, Return>;

  // Unpack buffers the uploads go round.
  static constexpr std::size_t kUploadRing = 3;
  // Returned pack buffers kept for reuse: enough for the few readbacks a
  // pipeline keeps in flight, each returned as the next one starts.
  static constexpr std::size_t kMaxFreePackBuffers = 4;

  // The pool of the OpenGL thread, made on first use.
  static PixelBufferPool& GetInstance();
  // Frees the pool's buffers; the OpenGL thread does so before its context
  // goes.
  static void Release();

  // The next unpack buffer of the ring, mapped for `bytes`.
  MappedUpload MapUpload(std::size_t bytes);
  // A pack buffer of at least `bytes`; contents undefined.
  Lease GetPackBuffer(std::size_t bytes);
  void Put(std::unique_ptr<PixelBuffer> buffer);
  std::size_t FreePackBuffers() const { return free_.size(); }

 private:
  std::vector<std::unique_ptr<PixelBuffer>> ring_;
  std::size_t next_ = 0;
  // Most recently returned last.
  std::vector<std::unique_ptr<PixelBuffer>> free_;
};

// Replaces the pixels of a texture's mip level with those of a mapped
// unpack buffer (laid out as `format` and `type`), which this unmaps.
void UpdateFromBuffer(Texture& texture, int level, MappedUpload& pixels, GLenum format,
                      GLenum type);
// Reads a texture's mip level into a pack buffer of at least
// DownloadBytes(texture, level, type) bytes, as Texture::Download reads it
// into memory (RGBA, rows bottom first).
void DownloadToBuffer(const Texture& texture, int level, const PixelBuffer& buffer,
                      Surface& surface, GLenum type);
// The bytes of a mip level's pixels laid out as `format` and `type` without
// padding; 0 for a layout not known here.
std::size_t UpdateBytes(const Texture& texture, int level, GLenum format, GLenum type);
// The bytes Texture::Download gives for a mip level (RGBA of `type`).
std::size_t DownloadBytes(const Texture& texture, int level, GLenum type);

}  // namespace Obrisk::Ogl
