// Transition benchmarks at 1920x1080, half way through each transition: each
// GPU figure is the time to a finished frame (the output is waited for).
// Beside them, when the build found libavfilter, FFmpeg's xfade transitions
// on the same two pictures in the same run.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/settings/TemplateSettings.h"
#include "obrisk/settings/TransitionMeshSettings.h"
#include "obrisk/settings/TransitionSettings.h"
#include "obrisk/settings/TransitionShaderSettings.h"

#ifdef QUENVARA_HAVE_FFMPEG
#include "FFmpegFilter.h"
#endif

namespace Obrisk {
namespace {

using namespace Proc;

constexpr int kHdWidth = 1920;
constexpr int kHdHeight = 1080;
constexpr double kHalfWay = 0.5;

// Two pictures, smooth gradients with a fine pattern on them, different in
// every channel; the same bytes for every contender.
std::uint8_t Channel(int picture, int x, int y, int c) {
  const int slope = picture == 0 ? x * (c + 1) + y * (3 - c) : y * (c + 2) + x * (2 - c);
  return static_cast<std::uint8_t>(slope / 8 + ((x ^ (y + picture * 7)) & 31));
}

Ptr<DataVideoMemory> Picture(int picture) {
  return Bench::MakePicture(kHdWidth, kHdHeight,
                            [picture](int x, int y, int c) { return Channel(picture, x, y, c); });
}

template <class S>
void BM_Transition(benchmark::State& state, S settings) {
  Ptr<IEffect> effect = Bench::CreateEffect(settings);
  effect->SetProgress(TimeToProgress([](std::int64_t) { return kHalfWay; }));
  Bench::RunToFinishedFrames(state, *effect,
                             {Ogl::UploadFrame(Picture(0)), Ogl::UploadFrame(Picture(1))});
}

template <class S, class Value>
S With(void (S::*set)(Value), Value value) {
  S settings;
  (settings.*set)(value);
  return settings;
}

SettingsTransitionWipe Wipe(TransitionWipeDirection direction) {
  SettingsTransitionWipe settings;
  settings.SetDirection(direction);
  return settings;
}

// The crossfade as a template text, to set beside the built-in one.
SettingsTransitionTemplateZTL TemplateCrossfade() {
  SettingsTransitionTemplateZTL settings;
  settings.SetShader(R"(uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float prg;
varying vec2 TexCoord0;
void main() { gl_FragColor = mix(texture2D(tex0, TexCoord0), texture2D(tex1, TexCoord0), prg); }
)");
  return settings;
}

// Every figure: milliseconds per finished frame over at least a second.
void Timed(benchmark::internal::Benchmark* benchmark) {
  benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
}

BENCHMARK_CAPTURE(BM_Transition, Crossfade, SettingsTransitionCrossfade())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, TemplateCrossfade, TemplateCrossfade())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, FadeInFadeOut, SettingsTransitionFadeInFadeOut())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, ThroughColor, SettingsTransitionThroughColor())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Flash, SettingsTransitionFlash())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, BlurOut,
                  With(&SettingsTransitionBlur::SetDirection, TransitionBlurDirection::BlurOut))
    ->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, BlurOutAndIn,
                  With(&SettingsTransitionBlur::SetDirection,
                       TransitionBlurDirection::BlurOutAndIn))
    ->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, ZoomBoth,
                  With(&SettingsTransitionZoom::SetType, TransitionZoomType::ZoomBoth))
    ->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Circle, SettingsTransitionCircle())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Radial, SettingsTransitionRadial())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Pinwheel, SettingsTransitionPinwheel())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, WipeFromLeft, Wipe(TransitionWipeDirection::FromLeft))
    ->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, WipeWedgeFromLeft, Wipe(TransitionWipeDirection::WedgeFromLeft))
    ->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, SlidingDoor, SettingsTransitionSlidingDoor())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Snake, SettingsTransitionSnake())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Lens, SettingsTransitionLens())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Spiral, SettingsTransitionSpiral())->Apply(Timed);

// The spins, the swish and the slices; the blur is longest half way.
BENCHMARK_CAPTURE(BM_Transition, ModifiedMotionSpin, SettingsTransitionModifiedMotionSpin())
    ->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Whipe, SettingsTransitionWhipe())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, SliceSwish, SettingsTransitionSlice())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, SliceSpinSquares,
                  [] {
                    SettingsTransitionSlice settings;
                    settings.SetBaseTransitionType(SliceBase::Spin);
                    settings.SetSlicesType(SlicesType::SquaresSpiral);
                    settings.SetSlicesCount(16);
                    return settings;
                  }())
    ->Apply(Timed);
// After its first frame the motion spin draws its five sub-frames through
// the motion blur every frame (half way: the second input's only).
BENCHMARK_CAPTURE(BM_Transition, MotionSpin, SettingsTransitionMotionSpin())->Apply(Timed);

// The surfaces in space and the pieces, each with its default settings.
BENCHMARK_CAPTURE(BM_Transition, Pageturn, SettingsTransitionPageturn())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Cube, SettingsTransitionCube())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, OrigamiValley, SettingsTransitionOrigamiValley())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, OrigamiFlips, SettingsTransitionOrigamiFlips())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, OrigamiPleats, SettingsTransitionOrigamiPleats())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Roll, SettingsTransitionRoll())->Apply(Timed);
BENCHMARK_CAPTURE(BM_Transition, Shatter, SettingsTransitionShatter())->Apply(Timed);

#ifdef QUENVARA_HAVE_FFMPEG

// xfade in its own planar RGB, over a minute (xfade's longest) so that every
// timed frame is inside the transition.
void BM_LibavXfade(benchmark::State& state, const std::string& transition) {
  Bench::RunFFmpegFilter(state,
                         "[in0][in1]xfade=transition=" + transition + ":duration=60:offset=0",
                         {Picture(0), Picture(1)}, "gbrp");
}

BENCHMARK_CAPTURE(BM_LibavXfade, fade, "fade")->Apply(Timed);
BENCHMARK_CAPTURE(BM_LibavXfade, wipeleft, "wipeleft")->Apply(Timed);
BENCHMARK_CAPTURE(BM_LibavXfade, slideleft, "slideleft")->Apply(Timed);
BENCHMARK_CAPTURE(BM_LibavXfade, circleopen, "circleopen")->Apply(Timed);
BENCHMARK_CAPTURE(BM_LibavXfade, radial, "radial")->Apply(Timed);
BENCHMARK_CAPTURE(BM_LibavXfade, pixelize, "pixelize")->Apply(Timed);
BENCHMARK_CAPTURE(BM_LibavXfade, dissolve, "dissolve")->Apply(Timed);
BENCHMARK_CAPTURE(BM_LibavXfade, hlslice, "hlslice")->Apply(Timed);
BENCHMARK_CAPTURE(BM_LibavXfade, squeezeh, "squeezeh")->Apply(Timed);
BENCHMARK_CAPTURE(BM_LibavXfade, zoomin, "zoomin")->Apply(Timed);
// Beside the blur transition: xfade's horizontal blur between the pictures.
BENCHMARK_CAPTURE(BM_LibavXfade, hblur, "hblur")->Apply(Timed);

#endif

}  // namespace
}  // namespace Obrisk
