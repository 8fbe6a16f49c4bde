// ISF package benchmarks. GPU figures time each frame to completion (the
// output is waited for).
#include <benchmark/benchmark.h>

#include <glog/logging.h>
#include "BenchSupport.h"

#include "isf/ISFBaseEffect.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/IsfSettings.h"

namespace Obrisk {
namespace {

constexpr int kHdWidth = 1920;
constexpr int kHdHeight = 1080;
constexpr std::int64_t kFrameDuration = 40000;  // microseconds at 25 frames per second

// A typical header: a few parameters of each kind, an image and two passes,
// the first into a half-size target.
constexpr const char* kHeader = R"({
  "DESCRIPTION": "Soft glow: a half-size blurred copy added back to the picture",
  "CREDIT": "benchmark package",
  "CATEGORIES": ["Stylize"],
  "INPUTS": [
    {"NAME": "inputImage", "TYPE": "image"},
    {"NAME": "radius", "TYPE": "float", "DEFAULT": 2.0, "MIN": 0.0, "MAX": 8.0},
    {"NAME": "gain", "TYPE": "float", "DEFAULT": 0.6, "MIN": 0.0, "MAX": 2.0},
    {"NAME": "tint", "TYPE": "color", "DEFAULT": [1.0, 0.9, 0.8, 1.0]},
    {"NAME": "centre", "TYPE": "point2D", "DEFAULT": [0.5, 0.5], "MIN": [0, 0], "MAX": [1, 1]},
    {"NAME": "taps", "TYPE": "long", "DEFAULT": 4, "VALUES": [2, 4, 8], "LABELS": ["2", "4", "8"]},
    {"NAME": "enabled", "TYPE": "bool", "DEFAULT": true}
  ],
  "PASSES": [
    {"TARGET": "glow", "WIDTH": "$WIDTH/2", "HEIGHT": "$HEIGHT/2", "PERSISTENT": false},
    {}
  ]
})";

constexpr const char* kFragment = R"(
void main() {
  if (PASSINDEX == 0) {
    vec2 texel = radius / RENDERSIZE;
    vec4 sum = IMG_NORM_PIXEL(inputImage, isf_FragNormCoord + vec2(texel.x, 0.0))
             + IMG_NORM_PIXEL(inputImage, isf_FragNormCoord - vec2(texel.x, 0.0))
             + IMG_NORM_PIXEL(inputImage, isf_FragNormCoord + vec2(0.0, texel.y))
             + IMG_NORM_PIXEL(inputImage, isf_FragNormCoord - vec2(0.0, texel.y));
    gl_FragColor = sum * 0.25 * tint;
  } else {
    vec4 color = IMG_THIS_PIXEL(inputImage);
    vec4 halo = IMG_NORM_PIXEL(glow, isf_FragNormCoord);
    gl_FragColor = enabled ? vec4(color.rgb + halo.rgb * gain, color.a) : color;
  }
}
)";

// One pass, for the cost of the engine's own copies around a package.
constexpr const char* kOnePassHeader = R"({"INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]})";
constexpr const char* kOnePassFragment = R"(
void main() {
  vec4 color = IMG_THIS_PIXEL(inputImage);
  gl_FragColor = vec4(1.0 - color.rgb, color.a);
}
)";

Proc::SettingsEffectISF PackageSettings(const char* header = kHeader,
                                        const char* fragment = kFragment) {
  Proc::SettingsEffectISF settings;
  settings.SetConfig(header);
  settings.SetPixelShader(fragment);
  return settings;
}

// A package at 1920x1080 from GPU input to a finished frame.
void RunPackage1080p(benchmark::State& state, const Proc::SettingsEffectISF& settings) {
  Bench::RunToFinishedFrames(state, *Bench::CreateEffect(settings),
                             Bench::UploadedPattern(kHdWidth, kHdHeight), kFrameDuration);
}

void BM_IsfTwoPass1080p(benchmark::State& state) {
  RunPackage1080p(state, PackageSettings());
}
BENCHMARK(BM_IsfTwoPass1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_IsfOnePass1080p(benchmark::State& state) {
  RunPackage1080p(state, PackageSettings(kOnePassHeader, kOnePassFragment));
}
BENCHMARK(BM_IsfOnePass1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

// Configure: parsing the header and rewriting the shaders of the package.
void BM_IsfConfigure(benchmark::State& state) {
  const auto settings = PackageSettings();
  Ogl::ISF::ISFBaseEffect engine;
  for (auto _ : state) engine.Configure(settings);
}
BENCHMARK(BM_IsfConfigure)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace Obrisk
