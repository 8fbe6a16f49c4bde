// GPU state that an effect keeps from frame to frame, always freed on the OpenGL thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "obrisk/host/RefCount.h"

namespace Obrisk::Ogl {

// Base of every effect cache. Owned jointly by a wrapper (host thread) and its
// pending tasks (OpenGL thread); the last reference dropped anywhere but on
// the OpenGL thread hands the deletion to that thread as a "CacheDestroyer" task.
class OglCache : public IRefCountable {
 public:
  std::uint32_t AddRef() const override;
  std::uint32_t GetRefCount() const override;
  std::uint32_t Release() const override;

 protected:
  OglCache() = default;

 private:
  mutable std::atomic<std::uint32_t> count_{0};
};

// Raises std::logic_error "Wrong effect cache" for an empty cache.
void throwOnNullptr(const Ptr<OglCache>& cache);

// The cache as the effect's own class: "Wrong effect cache" when empty,
// std::bad_cast when it is another effect's.
template <class Cache>
Cache& CacheAs(const Ptr<OglCache>& cache) {
  throwOnNullptr(cache);
  return dynamic_cast<Cache&>(*cache);
}

}  // namespace Obrisk::Ogl
