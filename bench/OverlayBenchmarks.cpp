// Overlay effects at 1920x1080: each GPU figure is the time to a finished
// frame (the output is waited for). Beside the vignette, when the build found
// libavfilter, FFmpeg's `vignette` on the same picture in the same run; the
// other overlays have no FFmpeg counterpart and run alone.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "obrisk/settings/OverlaySettings.h"

#ifdef QUENVARA_HAVE_FFMPEG
#include "FFmpegFilter.h"
#endif

namespace Obrisk {
namespace {

Ptr<Proc::DataVideoMemory> Picture() {
  return Bench::PatternPicture();
}

// A new frame every 40 ms, as a 25 fps video: the animated overlays move.
constexpr std::int64_t kFrameStep = 40000;

template <class S>
void RunAnimated(benchmark::State& state, const S& settings) {
  Ptr<Proc::IEffect> effect = Bench::CreateEffect(settings);
  const Ptr<Ogl::DataVideoOGL> input = Bench::UploadedPattern(Bench::kHdWidth, Bench::kHdHeight);
  Bench::RunToFinishedFrames(state, *effect, input, kFrameStep);
}

// A circle on the picture as seen, eased, black from 0.3 to 0.8 of the width.
void BM_Vignette(benchmark::State& state) {
  Bench::RunToFinishedFrames(state, Proc::SettingsEffectVignetteFilter(), Picture());
}
BENCHMARK(BM_Vignette)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_LensFlare(benchmark::State& state, std::int32_t type) {
  Proc::SettingsEffectLensFlare settings;
  settings.SetType(type);
  RunAnimated(state, settings);
}
BENCHMARK_CAPTURE(BM_LensFlare, flares, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LensFlare, sun, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LightLeaks(benchmark::State& state) {
  RunAnimated(state, Proc::SettingsEffectLightLeaks());
}
BENCHMARK(BM_LightLeaks)->Unit(benchmark::kMillisecond)->UseRealTime();

// The default 24 stars.
void BM_FlyingObjects(benchmark::State& state) {
  RunAnimated(state, Proc::SettingsEffectFlyingObjects());
}
BENCHMARK(BM_FlyingObjects)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Aim(benchmark::State& state, std::int32_t type) {
  Proc::SettingsEffectAim settings;
  settings.SetType(type);
  RunAnimated(state, settings);
}
BENCHMARK_CAPTURE(BM_Aim, box, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Aim, cross, 1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FilmStrip(benchmark::State& state, std::int32_t style) {
  Proc::SettingsEffectFilmStrip settings;
  settings.SetStyle(style);
  RunAnimated(state, settings);
}
BENCHMARK_CAPTURE(BM_FilmStrip, grid, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_FilmStrip, mosaic, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef QUENVARA_HAVE_FFMPEG

// Beside BM_Vignette: FFmpeg's vignette at its default angle (pi / 5), on
// the same bytes.
void BM_FFmpegVignette(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "vignette", {Picture()}, "rgba");
}
BENCHMARK(BM_FFmpegVignette)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

#endif

}  // namespace
}  // namespace Obrisk
