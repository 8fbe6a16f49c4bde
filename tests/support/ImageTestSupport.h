// Helpers shared by the effect tests that compare whole pictures: test
// pictures (CPU images in GPU orientation, blur/BlurTestSupport.h), their
// comparison, and ways to run an effect on one.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"

namespace Obrisk::Testing {

using Texel = std::array<float, 4>;
// Texture coordinates, (0, 0) at the bottom-left corner.
using Point = std::array<double, 2>;
// Where an output pixel's texture coordinate reads the source.
using Mapping = std::function<Point(Point)>;

// ---- Pictures ----------------------------------------------------------------

// One colour all over.
Image Flat(int width, int height, const Texel& colour);
// Unrelated values in every channel, alpha from 128 up.
Image RetroPattern(int width, int height);
// Random 8-bit colours from `seed`; alpha random too unless opaque.
Image Noise(int width, int height, unsigned seed, bool opaque = false);
// Gentle gradients in every channel, opaque: bilinear samples of it differ
// little wherever they fall, so a warp's mapping can be checked closely.
Image Smooth(int width, int height);
// Every texel its own value (varying in x and y, not smooth), opaque.
Image Numbered(int width, int height);

// The texture coordinate of texel i's centre along a side of n texels.
inline float Centre(int i, int n) {
  return (static_cast<float>(i) + 0.5f) / static_cast<float>(n);
}
// A value from 0 to 1 as the nearest 8-bit level (0 to 255).
float Level(double value);
// The texel at (x, y) counted from the top-left corner.
inline const Texel& TopDown(const Image& image, int x, int y) {
  return image.At(x, image.height - 1 - y);
}

// ---- Comparison --------------------------------------------------------------

// Both pictures of one size, no channel further apart than `tolerance`; a
// failure says where the largest difference lies.
::testing::AssertionResult Near(const Image& actual, const Image& expected, float tolerance = 0.0f);
// The same for every texel whose position `skip` does not leave out.
::testing::AssertionResult Near(const Image& actual, const Image& expected, float tolerance,
                                const std::function<bool(int x, int y)>& skip);

// ---- Running -------------------------------------------------------------------

// Runs an effect of class Effect with `settings` on `input`, `frames` times
// with one cache (frames of `duration` microseconds at `time` seconds), and
// returns the last result.
template <class Effect>
Image RunEffect(const typename Effect::SettingsType& settings, const Image& input,
                double time = 0.0, int frames = 1, std::int64_t duration = 0) {
  Effect effect;
  effect.SetSettings(settings);
  const Ptr<Ogl::OglCache> cache = effect.CreateCache();
  Image result;
  for (int frame = 0; frame < frames; ++frame) {
    result = RunDirect(effect, input, cache, Proc::PixFmt::RGBA, time, duration);
  }
  return result;
}

// Runs ProcessGpu on the OpenGL thread at `time` and `progress`, from a
// source of `sourceFormat` into a target of the input's size and
// `targetFormat`.
Image RunAt(Ogl::IOneInputEffectAlgorithm& algorithm, const Image& input, double time,
            double progress, const Ptr<Ogl::OglCache>& cache = nullptr,
            Proc::PixFmt sourceFormat = Proc::PixFmt::RGBA,
            Proc::PixFmt targetFormat = Proc::PixFmt::RGBA);
// The same for a two-input algorithm.
Image RunAt(Ogl::ITwoInputEffectAlgorithm& algorithm, const Image& first, const Image& second,
            double time, double progress);
// An effect of class Effect with `settings` and its own cache, run so.
template <class Effect>
Image RunAt(const typename Effect::SettingsType& settings, const Image& input, double time = 0.0,
            double progress = 0.0) {
  Effect effect;
  effect.SetSettings(settings);
  return RunAt(effect, input, time, progress, effect.CreateCache());
}

// A case of a table of effects that must give their input back unchanged.
struct IdentityCase {
  std::string name;
  std::function<Image(const Image&)> run;
};
// An Effect configured by `configure` and run `frames` times at `time`.
template <class Effect, class Configure>
IdentityCase Identity(std::string name, Configure configure, double time, int frames,
                      std::int64_t duration = 0) {
  return {std::move(name), [=](const Image& input) {
            typename Effect::SettingsType settings;
            configure(settings);
            return RunEffect<Effect>(settings, input, time, frames, duration);
          }};
}

// ---- Warps -----------------------------------------------------------------------

// The centre, the corners and the edge midpoints of a frame, as pixels.
std::vector<std::pair<int, int>> ChosenPixels(int width, int height);

// Each chosen output pixel equals the input sampled at its mapped position,
// within `tolerance` levels.
void ExpectWarp(const Image& output, const Image& input, const Mapping& mapping,
                float tolerance = 2.0f);

}  // namespace Obrisk::Testing
