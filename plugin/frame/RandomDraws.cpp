#include "frame/RandomDraws.h"

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace Obrisk::Ogl {
namespace {

// Keeps the seed matrix's values away from zero, where the hash of
// obrisk_rand_ degenerates.
constexpr double kSeedOffset = 10.0;

}  // namespace

std::optional<unsigned> ParseSeed(std::string_view text) {
  unsigned long long value = 0;
  const char* end = text.data() + text.size();
  const auto [last, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || last != end ||
      value > std::numeric_limits<unsigned>::max()) {
    return std::nullopt;
  }
  return static_cast<unsigned>(value);
}

unsigned SeedAtLoad() {
  const char* text = std::getenv(kSeedVariable);
  if (text != nullptr) {
    if (const std::optional<unsigned> seed = ParseSeed(text)) return *seed;
  }
  return static_cast<unsigned>(std::time(nullptr));
}

void SeedRandom(unsigned seed) {
  std::srand(seed);
}

double UniformDraw() {
  // RAND_MAX is 32767 on some platforms and far larger on others.
  return static_cast<double>(std::rand()) / RAND_MAX;
}

bool CoinDraw() {
  return (std::rand() & 1) != 0;
}

int RawDraw() {
  return std::rand();
}

glm::mat4 SeedMatrix() {
  glm::mat4 seeds;
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      seeds[column][row] = static_cast<float>(UniformDraw() + kSeedOffset);
    }
  }
  return seeds;
}

}  // namespace Obrisk::Ogl
