// The tile, particle and zoom transitions at 1920x1080: each figure is the
// time to a finished frame (the output is waited for), at progress 0.45,
// where every member draws its full work (the rage zoom cuts to the plain
// second picture from the midpoint on). Beside them, when the build found
// libavfilter, FFmpeg's xfade zoom-in on the same pictures (its pixelize and
// dissolve run in the same binary).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/settings/TransitionTileSettings.h"

#ifdef QUENVARA_HAVE_FFMPEG
#include "FFmpegFilter.h"
#endif

namespace Obrisk {
namespace {

using namespace Proc;

constexpr double kProgress = 0.45;

// The families' test picture, and a second one of other gradients.
const Ptr<DataVideoMemory>& FirstPicture() {
  static const Ptr<DataVideoMemory> picture = Bench::PatternPicture();
  return picture;
}
const Ptr<DataVideoMemory>& SecondPicture() {
  static const Ptr<DataVideoMemory> picture =
      Bench::MakePicture(Bench::kHdWidth, Bench::kHdHeight, [](int x, int y, int c) {
        return static_cast<std::uint8_t>((y * (c + 2) + x * (2 - c)) / 8 + ((x ^ (y + 7)) & 31));
      });
  return picture;
}

void RunTransition(benchmark::State& state, const Settings& settings) {
  Ptr<IEffect> effect = Bench::CreateEffect(settings);
  effect->SetProgress(TimeToProgress([](std::int64_t) { return kProgress; }));
  Bench::RunToFinishedFrames(state, *effect,
                             {Ogl::UploadFrame(FirstPicture()), Ogl::UploadFrame(SecondPicture())});
}

template <class S>
std::function<std::unique_ptr<Settings>()> Typed(std::int32_t type) {
  return [type] {
    auto settings = std::make_unique<S>();
    settings->SetType(static_cast<decltype(settings->GetType())>(type));
    return std::unique_ptr<Settings>(std::move(settings));
  };
}

template <class S>
std::unique_ptr<Settings> Defaults() {
  return std::make_unique<S>();
}

struct Member {
  std::string name;
  std::function<std::unique_ptr<Settings>()> settings;
};

// Each member with its default settings; each type that draws with other
// programs or passes as a member of its own.
std::vector<Member> Members() {
  std::vector<Member> members{
      {"Matrix", Defaults<SettingsTransitionMatrix>},
      {"Pixels_Scatter", Typed<SettingsTransitionPixels>(0)},
      {"Pixels_Sweep", Typed<SettingsTransitionPixels>(1)},
      {"RageZoom", Defaults<SettingsTransitionRageZoom>},
      {"ZoomBlur", Defaults<SettingsTransitionZoomBlur>},
      {"KenBurns", Defaults<SettingsTransitionKenBurns>},
      {"Mosaic", Defaults<SettingsTransitionMosaic>},
      {"Puzzle", Defaults<SettingsTransitionPuzzle>},
      {"Disintegrate", Defaults<SettingsTransitionDisintegrate>},
      {"Pieces", Defaults<SettingsTransitionPieces>},
      {"Parallax", Defaults<SettingsTransitionParallax>},
  };
  const char* glitches[] = {"Pixel", "Grayscale", "Mpeg", "Vhs"};
  for (std::int32_t type = 0; type < 4; ++type) {
    members.push_back(
        {std::string("Glitch_") + glitches[type], Typed<SettingsTransitionGlitch>(type)});
  }
  return members;
}

void Timed(benchmark::internal::Benchmark* benchmark) {
  benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
}

const bool kRegistered = [] {
  for (const Member& member : Members()) {
    benchmark::RegisterBenchmark(
        ("BM_Transition" + member.name + "_1080p").c_str(),
        [make = member.settings](benchmark::State& state) { RunTransition(state, *make()); })
        ->Apply(Timed);
  }
  return true;
}();

#ifdef QUENVARA_HAVE_FFMPEG

// xfade's zoom-in in its own planar RGB, over a minute so that every timed
// frame is inside the transition.
void BM_LibavXfadeZoomIn(benchmark::State& state) {
  Bench::RunFFmpegFilter(state, "[in0][in1]xfade=transition=zoomin:duration=60:offset=0",
                         {FirstPicture(), SecondPicture()}, "gbrp");
}
BENCHMARK(BM_LibavXfadeZoomIn)->Apply(Timed);

#endif

}  // namespace
}  // namespace Obrisk
