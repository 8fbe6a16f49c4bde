// Stylising effects at 1920x1080: each GPU figure is the time to a finished
// frame (the output is waited for). Beside them, when the build found
// libavfilter, FFmpeg's comparable filters on the same picture in the same
// run: unsharp and cas for sharpen, edgedetect for find edges, erosion, and
// pixelize for the mosaic.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "obrisk/settings/StyliseSettings.h"

#ifdef QUENVARA_HAVE_FFMPEG
#include "FFmpegFilter.h"
#endif

namespace Obrisk {
namespace {

using Bench::kHdHeight;
using Bench::kHdWidth;
// Mosaic tiles of 16 x 16 pixels, as pixelize=w=16:h=16 makes them.
constexpr int kTilePixels = 16;

Ptr<Proc::DataVideoMemory> Picture() {
  return Bench::PatternPicture();
}

void RunFrames(benchmark::State& state, const Proc::Settings& settings) {
  Bench::RunToFinishedFrames(state, settings, Picture());
}

// Amount in hundredths; at 1080p the kernel is 5 x 5.
void BM_Sharpen(benchmark::State& state) {
  RunFrames(state, Proc::SettingsEffectSharpen(static_cast<double>(state.range(0)) / 100.0));
}
BENCHMARK(BM_Sharpen)
    ->ArgName("amount_centi")
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_FindEdges(benchmark::State& state) {
  RunFrames(state, Proc::SettingsEffectFindEdges());
}
BENCHMARK(BM_FindEdges)->Unit(benchmark::kMillisecond)->UseRealTime();

// Size in hundredths of a percent of the longer side: 6 is radius 1 (a 3 x 3
// square, as FFmpeg's erosion), 50 radius 9.
void BM_Erosion(benchmark::State& state) {
  RunFrames(state, Proc::SettingsEffectErosion(static_cast<double>(state.range(0)) / 100.0,
                                               Proc::SettingsEffectErosion::Mode::Erosion));
}
BENCHMARK(BM_Erosion)
    ->ArgName("size_centi")
    ->Arg(6)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Mosaic(benchmark::State& state) {
  RunFrames(state, Proc::SettingsEffectMosaic(static_cast<double>(kTilePixels) / kHdWidth,
                                              static_cast<double>(kTilePixels) / kHdHeight,
                                              Proc::SettingsEffectMosaic::Mode::Average));
}
BENCHMARK(BM_Mosaic)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef QUENVARA_HAVE_FFMPEG

void RunFilter(benchmark::State& state, const std::string& filter, const std::string& format) {
  Bench::RunFFmpegFilter(state, filter, {Picture()}, format);
}

void BM_LibavUnsharp(benchmark::State& state) {
  RunFilter(state, "unsharp=5:5:1.0", "yuv444p");
}
BENCHMARK(BM_LibavUnsharp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LibavCas(benchmark::State& state) {
  RunFilter(state, "cas", "gbrp");
}
BENCHMARK(BM_LibavCas)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LibavEdgedetect(benchmark::State& state) {
  RunFilter(state, "edgedetect=mode=colormix", "gbrp");
}
BENCHMARK(BM_LibavEdgedetect)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LibavErosion(benchmark::State& state) {
  RunFilter(state, "erosion", "gbrp");
}
BENCHMARK(BM_LibavErosion)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LibavPixelize(benchmark::State& state) {
  RunFilter(state,
            "pixelize=w=" + std::to_string(kTilePixels) + ":h=" + std::to_string(kTilePixels),
            "gbrp");
}
BENCHMARK(BM_LibavPixelize)->Unit(benchmark::kMillisecond)->UseRealTime();

#endif

}  // namespace
}  // namespace Obrisk
