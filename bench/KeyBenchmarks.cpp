// Keying, selective colour and blend modes at 1920x1080: each GPU figure is
// the time to a finished frame (the output is waited for). Beside them, when
// the build found libavfilter, FFmpeg's chromakey, colorhold and blend on
// the same pictures in the same run.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/settings/BlendSettings.h"
#include "obrisk/settings/KeySettings.h"

#ifdef QUENVARA_HAVE_FFMPEG
#include "FFmpegFilter.h"
#endif

namespace Obrisk {
namespace {

using Bench::kHdHeight;
using Bench::kHdWidth;
using Mode = Proc::SettingsEffectImageBlender::BlendMode;

// A green screen behind a figure: green where the pattern's gradient is low,
// the pattern elsewhere.
Ptr<Proc::DataVideoMemory> GreenScreen() {
  static constexpr std::uint8_t kGreen[3] = {0, 177, 64};
  return Bench::MakePicture(kHdWidth, kHdHeight, [](int x, int y, int c) {
    const bool figure =
        (x - kHdWidth / 2) * (x - kHdWidth / 2) + (y - kHdHeight / 2) * (y - kHdHeight / 2) <
        (kHdHeight / 3) * (kHdHeight / 3);
    return figure ? static_cast<std::uint8_t>((x * (c + 1) + y) & 0xff) : kGreen[c];
  });
}

void BM_Chromakey(benchmark::State& state) {
  Bench::RunToFinishedFrames(state, Proc::SettingsEffectChromakey(), GreenScreen());
}
BENCHMARK(BM_Chromakey)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ColorSelect(benchmark::State& state) {
  Bench::RunToFinishedFrames(state, Proc::SettingsEffectColorSelect(), Bench::PatternPicture());
}
BENCHMARK(BM_ColorSelect)->Unit(benchmark::kMillisecond)->UseRealTime();

// The pattern under a second picture, blended in the mode given.
void BM_BlendMode(benchmark::State& state) {
  Proc::SettingsEffectImageBlender settings;
  settings.SetBlendMode(static_cast<Mode>(state.range(0)));
  Ptr<Proc::IEffect> blender = Bench::CreateEffect(settings);
  Bench::RunToFinishedFrames(
      state, *blender,
      {Ogl::UploadFrame(Bench::PatternPicture()), Ogl::UploadFrame(GreenScreen())});
}
BENCHMARK(BM_BlendMode)
    ->ArgName("mode")
    ->Arg(Mode::kMultiply)
    ->Arg(Mode::kScreen)
    ->Arg(Mode::kOverlay)
    ->Arg(Mode::kSoftLight)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#ifdef QUENVARA_HAVE_FFMPEG

// The key colour and bounds of our defaults, in FFmpeg's terms.
void BM_LibavChromakey(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "chromakey=color=0x00b140:similarity=0.12:blend=0.08",
                         {GreenScreen()}, "yuva444p");
}
BENCHMARK(BM_LibavChromakey)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LibavColorhold(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "colorhold=color=0xd02818:similarity=0.2:blend=0.1",
                         {Bench::PatternPicture()}, "rgba");
}
BENCHMARK(BM_LibavColorhold)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LibavBlend(benchmark::State& state, const std::string& mode) {
  Bench::RunFFmpegFilter(state, "[in0][in1]blend=all_mode=" + mode,
                         {Bench::PatternPicture(), GreenScreen()}, "gbrp");
}
BENCHMARK_CAPTURE(BM_LibavBlend, multiply, std::string("multiply"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_LibavBlend, screen, std::string("screen"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_LibavBlend, overlay, std::string("overlay"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_LibavBlend, softlight, std::string("softlight"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#endif

}  // namespace
}  // namespace Obrisk
