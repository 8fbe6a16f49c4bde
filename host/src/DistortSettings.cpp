#include "obrisk/settings/DistortSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace Obrisk::Proc {
namespace {

// The movements of the camera shake, each with a noise of its own.
enum class Axis : std::uint32_t { X = 1, Y = 2, Rotation = 3 };

// Gradient noise is zero at whole times; each layer of each movement is
// shifted by a different fraction (multiples of the golden ratio's, which
// spread evenly) so that the layers and the movements never rest together.
constexpr double kStagger = 0.6180339887498949;

// A 32-bit mixing function (MurmurHash3's finaliser): nearby inputs give
// unrelated outputs.
std::uint32_t Mix(std::uint32_t h) {
  h ^= h >> 16;
  h *= 0x85ebca6bu;
  h ^= h >> 13;
  h *= 0xc2b2ae35u;
  h ^= h >> 16;
  return h;
}

// The slope of the noise at whole time `cell`, -1 to 1, fixed by the seed.
double Gradient(std::uint32_t seed, Axis axis, std::int64_t cell) {
  const auto low = static_cast<std::uint32_t>(cell);
  const auto high = static_cast<std::uint32_t>(static_cast<std::uint64_t>(cell) >> 32);
  const std::uint32_t h = Mix(seed ^ Mix(static_cast<std::uint32_t>(axis) ^ Mix(low ^ Mix(high))));
  return 2.0 * (static_cast<double>(h) / std::numeric_limits<std::uint32_t>::max()) - 1.0;
}

// One layer: gradient noise of period 1, -1 to 1, zero on average, with
// continuous first and second derivatives (the quintic fade).
double GradientNoise(std::uint32_t seed, Axis axis, double t) {
  const double cell = std::floor(t);
  const double f = t - cell;
  const auto i = static_cast<std::int64_t>(cell);
  const double left = Gradient(seed, axis, i) * f;
  const double right = Gradient(seed, axis, i + 1) * (f - 1.0);
  const double fade = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
  // One layer reaches at most half a slope; doubled to span -1 to 1.
  return 2.0 * (left + (right - left) * fade);
}

double LayeredNoise(std::int32_t seed, Axis axis, double t, int octaves, double persistence) {
  const auto key = static_cast<std::uint32_t>(seed);
  double sum = 0.0;
  double weights = 0.0;
  double weight = 1.0;
  double frequency = 1.0;
  for (int layer = 0; layer < std::max(octaves, 1); ++layer) {
    const double shift = kStagger * (layer + static_cast<double>(axis));
    sum += weight * GradientNoise(key, axis, t * frequency + shift);
    weights += weight;
    weight *= persistence;
    frequency *= 2.0;
  }
  return sum / weights;
}

}  // namespace

TextureRect SettingsEffectZoom::GetRect() const {
  return {std::min(x0_, x1_), std::min(y0_, y1_), std::max(x0_, x1_), std::max(y0_, y1_)};
}

FrameInfo SettingsEffectZoom::GetOutputFrame(const FrameInfo& source) const {
  if (!crop_) return source;
  const TextureRect rect = GetRect();
  const auto pixels = [](double extent, std::int32_t size) {
    return std::max(static_cast<std::int32_t>(std::trunc(extent * size + 0.5)), 1);
  };
  FrameInfo output = source;
  output.width = pixels(rect.x1 - rect.x0, source.width);
  output.height = pixels(rect.y1 - rect.y0, source.height);
  return output;
}

double SettingsEffectCameraShake::GetNoizeX(double t, int octaves, double persistence) const {
  return LayeredNoise(seed_, Axis::X, t, octaves, persistence);
}

double SettingsEffectCameraShake::GetNoizeY(double t, int octaves, double persistence) const {
  return LayeredNoise(seed_, Axis::Y, t, octaves, persistence);
}

double SettingsEffectCameraShake::GetNoizeR(double t, int octaves, double persistence) const {
  return LayeredNoise(seed_, Axis::Rotation, t, octaves, persistence);
}

}  // namespace Obrisk::Proc
