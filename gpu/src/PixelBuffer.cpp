#include "obrisk/ogl/PixelBuffer.h"

#include <algorithm>
#include <atomic>

#include <fmt/format.h>

#include "obrisk/ogl/OglManager.h"

namespace Obrisk::Ogl {
namespace {

// Main memory directly in both directions: on Mesa's llvmpipe, where the
// "GPU" is the CPU, a pixel buffer is one more copy and one more mapping
// (bench/FrameBenchmarks.cpp at 1920x1080: upload 1.4 ms direct against
// 1.9 ms through a buffer, readback 0.9 ms against 2.3 ms).
std::atomic<TransferPath> gUploadPath{TransferPath::Direct};
std::atomic<TransferPath> gDownloadPath{TransferPath::Direct};

// The OpenGL thread's pool, made on first use there.
std::unique_ptr<PixelBufferPool> gPool;

// Raises the driver's refusal of a buffer or of its mapping.
void ThrowIfNull(const void* mapped, GLenum target, std::size_t bytes) {
  if (mapped != nullptr) return;
  const GLenum error = glGetError();
  OBRISK_THROW(OglException,
               fmt::format("PixelBuffer: the driver refused to map {} bytes of a {} buffer "
                           "(error 0x{:x})",
                           bytes, target == GL_PIXEL_PACK_BUFFER ? "pack" : "unpack", error));
}

}  // namespace

TransferPath UploadPath() {
  return gUploadPath.load();
}

TransferPath DownloadPath() {
  return gDownloadPath.load();
}

void SetUploadPath(TransferPath path) {
  gUploadPath = path;
}

void SetDownloadPath(TransferPath path) {
  gDownloadPath = path;
}

PixelBuffer::PixelBuffer(GLenum target, std::size_t capacity) : target_(target) {
  glGenBuffers(1, &id_);
  Reserve(capacity);
}

PixelBuffer::~PixelBuffer() {
  OglManager::DoOnOpenGLThread([id = id_] { glDeleteBuffers(1, &id); });
}

void PixelBuffer::Reserve(std::size_t bytes) {
  if (bytes <= capacity_) return;
  glBindBuffer(target_, id_);
  // Written once and read once per transfer.
  const GLenum usage = target_ == GL_PIXEL_PACK_BUFFER ? GL_STREAM_READ : GL_STREAM_DRAW;
  glBufferData(target_, static_cast<GLsizeiptr>(bytes), nullptr, usage);
  glBindBuffer(target_, 0);
  capacity_ = bytes;
}

BindPixelBuffer::BindPixelBuffer(const PixelBuffer& buffer) : target_(buffer.Target()) {
  glBindBuffer(target_, buffer.Id());
}

BindPixelBuffer::~BindPixelBuffer() {
  glBindBuffer(target_, 0);
}

MappedUpload::MappedUpload(PixelBuffer& buffer, std::size_t bytes)
    : buffer_(buffer), bytes_(bytes) {
  buffer.Reserve(bytes);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer.Id());
  // The previous contents are not needed: the driver may hand out fresh
  // memory rather than wait for an upload still reading the old.
  data_ = static_cast<std::uint8_t*>(
      glMapBufferRange(GL_PIXEL_UNPACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes),
                       GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT));
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  ThrowIfNull(data_, GL_PIXEL_UNPACK_BUFFER, bytes);
}

MappedUpload::~MappedUpload() {
  if (data_ == nullptr) return;
  const BindPixelBuffer bound(buffer_);
  glUnmapBuffer(GL_PIXEL_UNPACK_BUFFER);
}

const PixelBuffer& MappedUpload::Unmap() {
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer_.Id());
  if (data_ != nullptr) glUnmapBuffer(GL_PIXEL_UNPACK_BUFFER);
  data_ = nullptr;
  return buffer_;
}

MappedReadback::MappedReadback(const PixelBuffer& buffer, std::size_t bytes) : buffer_(buffer) {
  const BindPixelBuffer bound(buffer);
  data_ = static_cast<const std::uint8_t*>(
      glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes), GL_MAP_READ_BIT));
  ThrowIfNull(data_, GL_PIXEL_PACK_BUFFER, bytes);
}

MappedReadback::~MappedReadback() {
  const BindPixelBuffer bound(buffer_);
  glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
}

void PixelBufferPool::Return::operator()(PixelBuffer* buffer) const {
  const bool taken = OglManager::DoOnOpenGLThread(
      [buffer] { PixelBufferPool::GetInstance().Put(std::unique_ptr<PixelBuffer>(buffer)); });
  if (!taken) delete buffer;
}

PixelBufferPool& PixelBufferPool::GetInstance() {
  if (!gPool) gPool = std::make_unique<PixelBufferPool>();
  return *gPool;
}

void PixelBufferPool::Release() {
  gPool.reset();
}

MappedUpload PixelBufferPool::MapUpload(std::size_t bytes) {
  if (ring_.size() < kUploadRing) {
    ring_.push_back(std::make_unique<PixelBuffer>(GL_PIXEL_UNPACK_BUFFER, bytes));
    next_ = ring_.size() - 1;
  }
  PixelBuffer& buffer = *ring_[next_];
  next_ = (next_ + 1) % kUploadRing;
  return MappedUpload(buffer, bytes);
}

PixelBufferPool::Lease PixelBufferPool::GetPackBuffer(std::size_t bytes) {
  // The most recently returned buffer that holds `bytes`, else the most
  // recently returned one grown to it.
  auto fits = std::find_if(free_.rbegin(), free_.rend(),
                           [bytes](const auto& buffer) { return buffer->Capacity() >= bytes; });
  if (fits == free_.rend() && !free_.empty()) fits = free_.rbegin();
  if (fits == free_.rend()) return Lease(new PixelBuffer(GL_PIXEL_PACK_BUFFER, bytes));
  Lease lease(fits->release());
  free_.erase(std::next(fits).base());
  lease->Reserve(bytes);
  return lease;
}

void PixelBufferPool::Put(std::unique_ptr<PixelBuffer> buffer) {
  free_.push_back(std::move(buffer));
  if (free_.size() > kMaxFreePackBuffers) free_.erase(free_.begin());
}

}  // namespace Obrisk::Ogl
