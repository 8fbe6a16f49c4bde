// What the benchmarks share: the plug-in's effects, test frames on the GPU,
// and timing each frame to completion.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "obrisk/host/Data.h"
#include "obrisk/host/Registry.h"
#include "obrisk/ogl/DataVideoOGL.h"

namespace Obrisk::Bench {

// The plug-in's effects and the host's frame uploader, registered once.
Proc::EffectRegistry& Registry();
Ptr<Proc::IEffect> CreateEffect(const std::string& classId);
// A new effect of the settings' class, with those settings.
Ptr<Proc::IEffect> CreateEffect(const Proc::Settings& settings);

// An opaque RGBX memory picture, rows from the top, whose channel c (0 red,
// 1 green, 2 blue) at (x, y) is channel(x, y, c): one set of bytes that our
// effects and FFmpeg's filters both get.
Ptr<Proc::DataVideoMemory> MakePicture(int width, int height,
                                       const std::function<std::uint8_t(int, int, int)>& channel);

// The size the families are compared at.
constexpr int kHdWidth = 1920;
constexpr int kHdHeight = 1080;
// The families' test picture: a smooth gradient with a fine pattern on it,
// at width x height (1080p unless told), the same bytes for every contender.
Ptr<Proc::DataVideoMemory> PatternPicture(int width = kHdWidth, int height = kHdHeight);

// A finished GPU frame of a byte pattern (x ^ y), RGBA.
Ptr<Ogl::DataVideoOGL> UploadedPattern(int width, int height);

// Runs `input` through the effect once untimed (programs and caches are
// built), then once per iteration, waiting for each
// output to be rendered (glFinish); reports frames per second. A non-zero
// `frameStep` moves the input's start time on by that much each frame.
void RunToFinishedFrames(benchmark::State& state, Proc::IEffect& effect,
                         const Ptr<Ogl::DataVideoOGL>& input, std::int64_t frameStep = 0);
// Runs a new effect of the settings' class on `picture`, uploaded once.
void RunToFinishedFrames(benchmark::State& state, const Proc::Settings& settings,
                         const Ptr<Proc::DataVideoMemory>& picture);
// The same for effects of several inputs (transitions, mixes), in order.
void RunToFinishedFrames(benchmark::State& state, Proc::IEffect& effect,
                         const std::vector<Ptr<Ogl::DataVideoOGL>>& inputs,
                         std::int64_t frameStep = 0);

}  // namespace Obrisk::Bench
