// The 64-bit FNV-1a hash, which names the programs made from package texts.
#pragma once

#include <cstdint>
#include <string_view>

namespace Obrisk::Ogl::ISF {

constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;

// Continues the hash `hash` over `text`.
constexpr std::uint64_t Fnv1a(std::string_view text, std::uint64_t hash = kFnvOffsetBasis) {
  for (const char c : text) {
    hash ^= static_cast<std::uint8_t>(c);
    hash *= kFnvPrime;
  }
  return hash;
}

}  // namespace Obrisk::Ogl::ISF
