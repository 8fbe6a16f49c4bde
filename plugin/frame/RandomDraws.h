// The processor-side random source of the effects: the C runtime's generator,
// seeded once when the library loads (Registration.cpp). Draws happen on the
// OpenGL thread only.
#pragma once

#include <optional>
#include <string_view>

#include <glm/mat4x4.hpp>

namespace Obrisk::Ogl {

// Fixes the generator's seed when set to a whole number (0 to 4294967295), so
// that a render repeats frame for frame; read once at load.
constexpr const char* kSeedVariable = "QUENVARA_SEED";

// The seed that `text` names, or none when it is not a whole number in range.
std::optional<unsigned> ParseSeed(std::string_view text);
// $QUENVARA_SEED when it names a seed, else the current time.
unsigned SeedAtLoad();
// Restarts the generator's sequence from `seed`.
void SeedRandom(unsigned seed);

// A uniform value in [0, 1].
double UniformDraw();
// 0 or 1, evenly.
bool CoinDraw();
// A whole number from 0 to RAND_MAX.
int RawDraw();
// Sixteen values u + 10, each u drawn afresh: the `seeds` uniform of the
// noise shaders (obrisk_rand_).
glm::mat4 SeedMatrix();

}  // namespace Obrisk::Ogl
