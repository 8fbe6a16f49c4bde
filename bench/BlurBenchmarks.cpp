// Blur benchmarks at 1920x1080: each GPU figure is the time to a finished
// frame (the output is waited for). Beside them, when the build found
// libavfilter, the comparable CPU filters on the same picture in the same run.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include <glog/logging.h>
#include "BenchSupport.h"

#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/BlurSettings.h"

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

void RunFrames(benchmark::State& state, const Proc::Settings& settings) {
  Bench::RunToFinishedFrames(state, settings, Picture());
}

// Amount in thousandths of the longer side: 3 takes the direct passes, the
// larger amounts the pyramid.
void BM_GaussianBlur(benchmark::State& state) {
  Proc::SettingsEffectBlurGaussian settings(static_cast<double>(state.range(0)) / 1000.0);
  settings.SwitchFastImpl(state.range(1) != 0);
  RunFrames(state, settings);
}
BENCHMARK(BM_GaussianBlur)
    ->ArgNames({"amount_milli", "fast"})
    ->ArgsProduct({{3, 10, 50, 200}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

std::shared_ptr<const Proc::BgraImage> Disc() {
  constexpr int kSide = 64;
  auto image = std::make_shared<Proc::BgraImage>();
  image->width = kSide;
  image->height = kSide;
  image->pixels.resize(kSide * kSide * 4);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const int dx = 2 * x + 1 - kSide;
      const int dy = 2 * y + 1 - kSide;
      image->pixels[(y * kSide + x) * 4 + 2] = dx * dx + dy * dy < kSide * kSide ? 255 : 0;
    }
  }
  return image;
}

// Kernel size in thousandths of the shorter side.
void BM_BokehBlur(benchmark::State& state) {
  Proc::SettingsEffectBokehBlur settings;
  settings.SetImage(Disc());
  settings.SetSize(static_cast<double>(state.range(0)) / 1000.0);
  RunFrames(state, settings);
}
BENCHMARK(BM_BokehBlur)
    ->ArgName("size_milli")
    ->Arg(20)
    ->Arg(300)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// Patch and search window sizes.
void BM_DenoiseNLM(benchmark::State& state) {
  Proc::SettingsEffectDenoiseNLM settings;
  settings.SetPatchSize(static_cast<std::int32_t>(state.range(0)));
  settings.SetSearchWindowSize(static_cast<std::int32_t>(state.range(1)));
  RunFrames(state, settings);
}
BENCHMARK(BM_DenoiseNLM)
    ->ArgNames({"patch", "window"})
    ->Args({1, 3})
    ->Args({3, 7})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

#ifdef QUENVARA_HAVE_FFMPEG

// FFmpeg's planar RGB, the format its blurs work in.
void RunFilter(benchmark::State& state, const std::string& filter) {
  Bench::RunFFmpegFilter(state, filter, {Picture()}, "gbrp");
}

// The Gaussian's deviation in pixels at an amount: longer side x amount / 3
// taps, two pixels per tap.
int GaussianSigmaPixels(std::int64_t amountMilli) {
  return static_cast<int>(kHdWidth * amountMilli * 2 / 3000);
}

void BM_LibavGblur(benchmark::State& state) {
  RunFilter(state, "gblur=sigma=" + std::to_string(GaussianSigmaPixels(state.range(0))));
}
BENCHMARK(BM_LibavGblur)
    ->ArgName("amount_milli")
    ->Arg(3)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// Box blur of the same radius as the Gaussian's deviation, applied twice.
void BM_LibavBoxblur(benchmark::State& state) {
  const std::string radius = std::to_string(GaussianSigmaPixels(state.range(0)));
  RunFilter(state, "boxblur=lr=" + radius + ":lp=2:cr=" + radius + ":cp=2");
}
BENCHMARK(BM_LibavBoxblur)
    ->ArgName("amount_milli")
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

void BM_LibavNlmeans(benchmark::State& state) {
  RunFilter(state,
            "nlmeans=p=" + std::to_string(state.range(0)) + ":r=" + std::to_string(state.range(1)));
}
BENCHMARK(BM_LibavNlmeans)
    ->ArgNames({"patch", "window"})
    ->Args({1, 3})
    ->Args({3, 7})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

#endif

}  // namespace
}  // namespace Obrisk
