// Geometric distortion benchmarks at 1920x1080: each GPU figure is the time
// to a finished frame (the output is waited for). Beside them, when the build
// found libavfilter, FFmpeg's equivalent filters on the same pictures.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/settings/DistortSettings.h"

#ifdef QUENVARA_HAVE_FFMPEG
#include "FFmpegFilter.h"
#endif

namespace Obrisk {
namespace {

using Bench::kHdHeight;
using Bench::kHdWidth;

// One radial term of the lens, in both contenders.
constexpr double kLensDistortion = 0.2;

Ptr<Proc::DataVideoMemory> Picture() {
  return Bench::PatternPicture();
}

// A displacement map: slow waves in red and green, blue full.
Ptr<Proc::DataVideoMemory> Map() {
  return Bench::MakePicture(kHdWidth, kHdHeight, [](int x, int y, int c) {
    constexpr int kWave = 256;
    if (c == 2) return std::uint8_t{255};
    return static_cast<std::uint8_t>(c == 0 ? x % kWave : y % kWave);
  });
}

void Configure(benchmark::internal::Benchmark* benchmark) {
  benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
}

void BM_LensDistortion(benchmark::State& state) {
  Bench::RunToFinishedFrames(state, Proc::SettingsEffectLensDistortion(kLensDistortion, 0.0, 1),
                             Picture());
}
BENCHMARK(BM_LensDistortion)->Apply(Configure);

void BM_360View(benchmark::State& state) {
  Bench::RunToFinishedFrames(state, Proc::SettingsEffect360Cylindrical(), Picture());
}
BENCHMARK(BM_360View)->Apply(Configure);

void BM_DisplacementMap(benchmark::State& state) {
  Ptr<Proc::IEffect> effect = Bench::CreateEffect(Proc::SettingsEffectDisplacementMap());
  Bench::RunToFinishedFrames(state, *effect,
                             {Ogl::UploadFrame(Picture()), Ogl::UploadFrame(Map())});
}
BENCHMARK(BM_DisplacementMap)->Apply(Configure);

void BM_PanAndZoom(benchmark::State& state) {
  Bench::RunToFinishedFrames(state, Proc::SettingsEffectPanAndZoom(), Picture());
}
BENCHMARK(BM_PanAndZoom)->Apply(Configure);

void BM_Mirror(benchmark::State& state) {
  Proc::SettingsEffectMirror settings;
  settings.SetVertical(Proc::SettingsEffectMirror::FirstHalf);
  Bench::RunToFinishedFrames(state, settings, Picture());
}
BENCHMARK(BM_Mirror)->Apply(Configure);

#ifdef QUENVARA_HAVE_FFMPEG
void BM_FFmpegLenscorrection(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "lenscorrection=k1=0.2:k2=0", {Picture()});
}
BENCHMARK(BM_FFmpegLenscorrection)->Apply(Configure);

// A 60-degree view of aspect 16:9 from the middle of the footage.
void BM_FFmpegV360(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "v360=e:flat:v_fov=60:h_fov=91.49:w=1920:h=1080", {Picture()});
}
BENCHMARK(BM_FFmpegV360)->Apply(Configure);

void BM_FFmpegDisplace(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "[in0][in1][in2]displace", {Picture(), Map(), Map()});
}
BENCHMARK(BM_FFmpegDisplace)->Apply(Configure);

void BM_FFmpegZoompan(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "zoompan=z=2:d=1:s=1920x1080", {Picture()});
}
BENCHMARK(BM_FFmpegZoompan)->Apply(Configure);

// The mirror's top-right quarter mirrored into the other three.
void BM_FFmpegMirror(benchmark::State& state) {
  Bench::RunFFmpegFilter(state,
                         "crop=iw/2:ih/2:iw/2:0,split[q][c];[c]hflip[f];[f][q]hstack,"
                         "split[t][d];[d]vflip[b];[t][b]vstack",
                         {Picture()});
}
BENCHMARK(BM_FFmpegMirror)->Apply(Configure);
#endif

}  // namespace
}  // namespace Obrisk
