// Counts the heap allocations (operator new) of the calling thread.
#pragma once

#include <cstdint>

namespace Obrisk::Bench {
std::int64_t ThreadAllocations();
}  // namespace Obrisk::Bench
