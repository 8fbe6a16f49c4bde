// Mask benchmarks at 1920x1080: each figure is the time to a finished frame
// (the output is waited for).
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "obrisk/settings/MaskSettings.h"

namespace Obrisk {
namespace {

constexpr int kHdWidth = 1920;
constexpr int kHdHeight = 1080;

// `count` feathered masks, ellipses and rectangles in turn, turned by
// different angles, spread over the frame and overlapping their neighbours,
// all with the fill `fill`.
Proc::SettingsEffectMask FeatheredMasks(int count, std::int32_t fill) {
  std::vector<Proc::MaskTrack> tracks;
  for (int i = 0; i < count; ++i) {
    Proc::MaskTrack track;
    track.shape = i % 2 == 0 ? Proc::FrameMask::kEllipse : Proc::FrameMask::kRectangle;
    track.fill = fill;
    track.frame = i % 3 == 0;
    Proc::MaskKeyframe& keyframe = track.keyframes.front();
    keyframe.centreX = 0.1 + 0.09 * i;
    keyframe.centreY = 0.3 + 0.05 * (i % 5);
    keyframe.width = 0.2;
    keyframe.height = 0.35;
    keyframe.feather = 0.5;
    keyframe.rotation = 15.0 * i;
    keyframe.opacity = 0.9;
    tracks.push_back(track);
  }
  Proc::SettingsEffectMask settings;
  settings.SetMasks(tracks);
  return settings;
}

// Mask count and fill (0 colour, 1 blur, 2 pixelate).
void BM_Mask(benchmark::State& state) {
  const auto settings =
      FeatheredMasks(static_cast<int>(state.range(0)), static_cast<std::int32_t>(state.range(1)));
  Bench::RunToFinishedFrames(state, *Bench::CreateEffect(settings),
                             Bench::UploadedPattern(kHdWidth, kHdHeight));
}
BENCHMARK(BM_Mask)
    ->ArgNames({"masks", "fill"})
    ->ArgsProduct({{1, 10}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace
}  // namespace Obrisk
