// Retro effects at 1920x1080: each GPU figure is the time to a finished frame
// (the output is waited for). Beside them, when the build found libavfilter,
// FFmpeg's nearest filters on the same picture in the same run.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "obrisk/settings/RetroSettings.h"

#ifdef QUENVARA_HAVE_FFMPEG
#include "FFmpegFilter.h"
#endif

namespace Obrisk {
namespace {

using Bench::kHdHeight;
using Bench::kHdWidth;

Ptr<Proc::DataVideoMemory> Picture() {
  return Bench::PatternPicture();
}

// Colour grain at a fifth of the picture, new in every frame.
void BM_AddNoize(benchmark::State& state) {
  Proc::SettingsEffectAddNoize settings;
  settings.SetAmount(0.2);
  settings.SetColour(true);
  Bench::RunToFinishedFrames(state, settings, Picture());
}
BENCHMARK(BM_AddNoize)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// At the first frame the shift is 0.00625 of the width: 12 pixels.
void BM_ChromaticAberration(benchmark::State& state) {
  Proc::SettingsEffectChromaticAberration settings;
  settings.SetIntensity(1.0f);
  Bench::RunToFinishedFrames(state, settings, Picture());
}
BENCHMARK(BM_ChromaticAberration)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// FFmpeg has no plain filter for cosine stripes (only its expression filter).
void BM_Stripes(benchmark::State& state) {
  Proc::SettingsEffectStripes settings;
  settings.SetCount(40);
  settings.SetIntensity(0.5f);
  Bench::RunToFinishedFrames(state, settings, Picture());
}
BENCHMARK(BM_Stripes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

#ifdef QUENVARA_HAVE_FFMPEG

void BM_FFmpeg(benchmark::State& state, const std::string& filter, const std::string& format) {
  Bench::RunFFmpegFilter(state, filter, {Picture()}, format);
}

#define QUENVARA_FFMPEG_BENCHMARK(name, filter, format) \
  BENCHMARK_CAPTURE(BM_FFmpeg, name, filter, format)    \
      ->Unit(benchmark::kMillisecond)                   \
      ->UseRealTime()                                   \
      ->MinTime(1.0)

// Beside AddNoize: temporal uniform noise of strength 20 on every plane.
QUENVARA_FFMPEG_BENCHMARK(noise, std::string("noise=alls=20:allf=t"), std::string("rgba"));
// Beside ChromaticAberration: red and blue 12 pixels apart either way.
QUENVARA_FFMPEG_BENCHMARK(rgbashift, std::string("rgbashift=rh=-12:bh=12"), std::string("rgba"));

#endif

}  // namespace
}  // namespace Obrisk
