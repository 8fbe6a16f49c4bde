#include "transitions/TransitionRippleSmooth.h"

#include <cmath>
#include <numbers>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionRippleSmooth", Shader::FullFrame, R"(
uniform sampler2D tex1;
uniform sampler2D tex2;
uniform float extAlpha;
uniform vec2 aspect;
uniform float phase;
uniform float freq;
uniform float amplitude;
varying vec2 TexCoord0;

// Both pictures pulled towards the centre by a wave running outwards, mixed
// by progress.
void main() {
  vec2 r = TexCoord0 - 0.5;
  float a = 1.0 - amplitude * (1.0 + sin(length(aspect * r) * freq - phase));
  vec2 c = r * a + 0.5;
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex1, c), texture2D(tex2, c), extAlpha);
}
)",
                                 "Proc/Effects/Quenvara/TransitionRippleSmooth"};

// The wave runs three periods over the transition.
constexpr double kPhasePerProgress = 6.0 * std::numbers::pi;
constexpr double kFrequencyScale = 0.4 * std::numbers::pi;
// Amplitude 100 pulls by half the distance from the centre at the peak.
constexpr double kAmplitudeScale = 200.0;

}  // namespace

const std::string_view& TransitionRippleSmooth::GetName() const {
  static constexpr std::string_view kName = "TransitionRippleSmooth";
  return kName;
}

void TransitionRippleSmooth::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                        const Ptr<DataVideoOGL>& second, double, double progress,
                                        ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  // The wave swells to its peak half way and has settled at either end.
  const double swell = 1.0 - std::abs(1.0 - 2.0 * progress);

  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex1", 0);
  program.Uniform("tex2", 1);
  program.Uniform("extAlpha", progress);
  program.Uniform("aspect", SizeAspect(*frames.first));
  program.Uniform("phase", kPhasePerProgress * progress);
  program.Uniform("freq", settings.GetFreq() * kFrequencyScale);
  program.Uniform("amplitude", swell * settings.GetAmpl() / kAmplitudeScale);
  DrawFullScreen(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
