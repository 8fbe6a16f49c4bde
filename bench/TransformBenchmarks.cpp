// Transform and framing benchmarks at 1920x1080: each GPU figure is the time
// to a finished frame (the output is waited for). Beside them, when the build
// found libavfilter, FFmpeg's equivalent filters on the same picture.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "obrisk/settings/TransformSettings.h"

#ifdef QUENVARA_HAVE_FFMPEG
#include "FFmpegFilter.h"
#endif

namespace Obrisk {
namespace {

using Bench::kHdHeight;
using Bench::kHdWidth;
constexpr double kTurnDegrees = 30.0;

Ptr<Proc::DataVideoMemory> Landscape() {
  return Bench::PatternPicture();
}

// A phone's upright video: 1080 x 1920.
Ptr<Proc::DataVideoMemory> Portrait() {
  return Bench::PatternPicture(kHdHeight, kHdWidth);
}

void Configure(benchmark::internal::Benchmark* benchmark) {
  benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
}

void BM_Transpose(benchmark::State& state) {
  Proc::SettingsEffectTranspose settings;
  settings.SetMode(Proc::SettingsEffectTranspose::kClockwise);
  Bench::RunToFinishedFrames(state, settings, Landscape());
}
BENCHMARK(BM_Transpose)->Apply(Configure);

void BM_Flip(benchmark::State& state) {
  Bench::RunToFinishedFrames(state, Proc::SettingsEffectFlip(), Landscape());
}
BENCHMARK(BM_Flip)->Apply(Configure);

void BM_Crop(benchmark::State& state) {
  Proc::SettingsEffectCrop settings;
  settings.SetMargins(160, 90, 160, 90);
  Bench::RunToFinishedFrames(state, settings, Landscape());
}
BENCHMARK(BM_Crop)->Apply(Configure);

void BM_Rotate(benchmark::State& state) {
  Proc::TransformKeyframe keyframe;
  keyframe.rotationZ = kTurnDegrees;
  Proc::SettingsEffectTransform settings;
  settings.SetKeyframes({keyframe});
  Bench::RunToFinishedFrames(state, settings, Landscape());
}
BENCHMARK(BM_Rotate)->Apply(Configure);

void BM_FixVertVideo(benchmark::State& state) {
  Proc::SettingsEffectFixVertVideo settings;
  settings.SetFrameInfo({kHdWidth, kHdHeight, 1, 1});
  Bench::RunToFinishedFrames(state, settings, Portrait());
}
BENCHMARK(BM_FixVertVideo)->Apply(Configure);

#ifdef QUENVARA_HAVE_FFMPEG
void BM_FFmpegTranspose(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "transpose=clock", {Landscape()});
}
BENCHMARK(BM_FFmpegTranspose)->Apply(Configure);

void BM_FFmpegHflip(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "hflip", {Landscape()});
}
BENCHMARK(BM_FFmpegHflip)->Apply(Configure);

void BM_FFmpegCrop(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "crop=1600:900:160:90", {Landscape()});
}
BENCHMARK(BM_FFmpegCrop)->Apply(Configure);

void BM_FFmpegRotate(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "rotate=PI/6:c=none", {Landscape()});
}
BENCHMARK(BM_FFmpegRotate)->Apply(Configure);

// The fixer's picture as a graph: a blurred copy stretched to the frame, the
// picture fitted over it.
void BM_FFmpegFixVertVideo(benchmark::State& state) {
  Bench::RunFFmpegFilter(state,
                         "split[a][b];[a]scale=1920:1080,boxblur=32[bg];[b]scale=-2:1080[fg];"
                         "[bg][fg]overlay=(W-w)/2:0",
                         {Portrait()});
}
BENCHMARK(BM_FFmpegFixVertVideo)->Apply(Configure);
#endif

}  // namespace
}  // namespace Obrisk
