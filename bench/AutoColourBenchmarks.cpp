// The colour effects that measure each frame, at 1920x1080: each GPU figure
// is the time to a finished frame (the output is waited for). Beside them,
// where the build has FFmpeg, its nearest filters on the same picture in the
// same run.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "FFmpegFilter.h"

#include "effects/colour/HistogramRescale.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/AutoColorSettings.h"

namespace Obrisk {
namespace {

using Bench::kHdHeight;
using Bench::kHdWidth;

Ptr<Proc::DataVideoMemory> Picture() {
  return Bench::PatternPicture();
}

void RunFrames(benchmark::State& state, const Proc::Settings& settings) {
  Bench::RunToFinishedFrames(state, settings, Picture());
  state.SetLabel(Ogl::OglManager::GetInstance().Renderer());
}

void BM_ComputeHistogram(benchmark::State& state) {
  Ptr<Ogl::DataVideoOGL> frame = Ogl::UploadFrame(Picture());
  Ogl::FinishFrame(frame);
  for (auto _ : state) {
    Ogl::OglManager::GetInstance().Invoke([&](Ogl::ShaderStorage& storage) {
      benchmark::DoNotOptimize(
          Ogl::ComputeHistogram(frame->FrameData()->GetFirstTexture(), 1, storage));
    });
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ComputeHistogram)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_AutoContrast(benchmark::State& state) {
  RunFrames(state, Proc::SettingsEffectAutoContrast{});
}
BENCHMARK(BM_AutoContrast)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_MagicEnhance(benchmark::State& state) {
  RunFrames(state, Proc::SettingsEffectMagicEnhance2{});
}
BENCHMARK(BM_MagicEnhance)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// measured: the mean colour is measured on every frame; otherwise a set reference.
void BM_AutoWhiteBalance(benchmark::State& state) {
  Proc::SettingsEffectAutoWhiteBalance settings;
  if (state.range(0) == 0) settings.SetColor({200, 170, 140, 255});
  RunFrames(state, settings);
}
BENCHMARK(BM_AutoWhiteBalance)
    ->ArgName("measured")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

// Saturation in thousandths; 1000 measures the gain.
void BM_Saturation(benchmark::State& state) {
  Proc::SettingsEffectSaturation settings;
  settings.SetSaturation(static_cast<double>(state.range(0)) / 1000.0);
  RunFrames(state, settings);
}
BENCHMARK(BM_Saturation)
    ->ArgName("saturation_milli")
    ->Arg(1500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

#ifdef QUENVARA_HAVE_FFMPEG

void RunFFmpeg(benchmark::State& state, const std::string& filter, const std::string& format) {
  Bench::RunFFmpegFilter(state, filter, {Picture()}, format);
}

// Histogram equalisation: the nearest FFmpeg has to an automatic contrast.
void BM_FFmpegHisteq(benchmark::State& state) {
  RunFFmpeg(state, "histeq", "rgba");
}
BENCHMARK(BM_FFmpegHisteq)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// Levels stretched with 0.5 % saturating: channels linked (auto contrast) or
// each on its own (magic enhance); no smoothing between frames.
void BM_FFmpegNormalize(benchmark::State& state) {
  RunFFmpeg(state,
            "normalize=smoothing=0:independence=" + std::to_string(state.range(0)) + ":strength=1",
            "rgba");
}
BENCHMARK(BM_FFmpegNormalize)
    ->ArgName("independence")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

// Grey-world white balance, in FFmpeg's float planar RGB.
void BM_FFmpegGrayworld(benchmark::State& state) {
  RunFFmpeg(state, "grayworld", "gbrpf32le");
}
BENCHMARK(BM_FFmpegGrayworld)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// Saturation 1.5 on planar Y'CbCr 4:4:4, the format it works in.
void BM_FFmpegHueSaturation(benchmark::State& state) {
  RunFFmpeg(state, "hue=s=1.5", "yuv444p");
}
BENCHMARK(BM_FFmpegHueSaturation)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

#endif

}  // namespace
}  // namespace Obrisk
