#include "OglCache.h"

#include <stdexcept>

#include <boost/throw_exception.hpp>

#include "obrisk/ogl/OglManager.h"

namespace Obrisk::Ogl {
namespace {

// Deletes a cache on the OpenGL thread.
class CacheDestroyer final : public IOglTask {
 public:
  explicit CacheDestroyer(const OglCache* cache) : IOglTask(1, "CacheDestroyer"), cache_(cache) {}

  void Execute(ShaderStorage&) override {
    delete cache_;
    cache_ = nullptr;
  }

 private:
  const OglCache* cache_;
};

}  // namespace

std::uint32_t OglCache::AddRef() const {
  return count_.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::uint32_t OglCache::GetRefCount() const {
  return count_.load(std::memory_order_acquire);
}

std::uint32_t OglCache::Release() const {
  const std::uint32_t count = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (count != 0) return count;
  if (IsOpenGLThread()) {
    delete this;
    return 0;
  }
  // Once the OpenGL thread has stopped, its context and every GL object of
  // the cache are gone: the cache is deleted here and frees nothing on the GPU.
  const bool queued = OglManager::IsRunning() &&
                      OglManager::GetInstance().DoBackgroundTask(MakeRef<CacheDestroyer>(this));
  if (!queued) delete this;
  return 0;
}

void throwOnNullptr(const Ptr<OglCache>& cache) {
  if (!cache) BOOST_THROW_EXCEPTION(std::logic_error("Wrong effect cache"));
}

}  // namespace Obrisk::Ogl
