// Helpers for the retro effect tests: pictures, running an effect of given
// settings directly, and the random generator's seed.
#pragma once

#include <array>
#include <cstdint>

#include "blur/BlurTestSupport.h"

namespace Obrisk::Testing {

// Unrelated values in every channel, alpha from 128 up.
Image RetroPattern(int width, int height);
// One colour all over.
Image Flat(int width, int height, const std::array<float, 4>& colour);

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

// The texture coordinate of texel i's centre along a side of n texels.
inline float Centre(int i, int n) {
  return (static_cast<float>(i) + 0.5f) / static_cast<float>(n);
}

}  // namespace Obrisk::Testing
