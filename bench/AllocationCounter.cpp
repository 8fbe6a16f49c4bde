#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local std::int64_t tAllocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  ++tAllocations;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}

namespace Obrisk::Bench {
std::int64_t ThreadAllocations() {
  return tAllocations;
}
}  // namespace Obrisk::Bench
