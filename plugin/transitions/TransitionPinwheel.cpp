#include "transitions/TransitionPinwheel.h"

#include <algorithm>
#include <numbers>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionPinwheel", Shader::FullFrame, R"(
uniform sampler2D tex1;
uniform sampler2D tex2;
uniform float angle;
uniform vec2 aspect;
uniform float freq;
uniform float amplitude;
uniform float local_smooth;
uniform float t;
varying vec2 TexCoord0;

// Every sector of `angle` radians fills from its leading edge as angle * t
// grows; the edges sway by amplitude * sin(freq L) / L at distance L from
// the centre. The centre itself has no direction: it takes angle 0 and the
// sway's limit there, amplitude * freq.
void main() {
  vec2 r = (TexCoord0 - 0.5) * aspect;
  float L = length(r);
  float turned = L > 0.0 ? atan(r.y, r.x) + amplitude * sin(freq * L) / L : amplitude * freq;
  float a = mod(turned, angle);
  float ahead = angle * t - a;
  float w = local_smooth > 0.0 ? clamp(ahead / local_smooth, 0.0, 1.0) : float(ahead > 0.0);
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex1, TexCoord0), texture2D(tex2, TexCoord0), w);
}
)",
                                 "Proc/Effects/Quenvara/TransitionPinwheel"};

// The wave's units: freq pi/25 radians per unit of distance (the longer side
// spans 4 units), sway amplitude / 400 radians, soft edge in percent of a
// sector.
constexpr double kAspectScale = 4.0;
constexpr double kFreqUnit = std::numbers::pi / 25.0;
constexpr double kAmplitudeUnit = 1.0 / 400.0;
constexpr double kSmoothnessUnit = 1.0 / 100.0;

}  // namespace

const std::string_view& TransitionPinwheel::GetName() const {
  static constexpr std::string_view kName = "TransitionPinwheel";
  return kName;
}

// t runs a soft edge's width past the sector so that the edge has left it at
// the end. A sector count below 1 is drawn as one sector.
void TransitionPinwheel::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                    const Ptr<DataVideoOGL>& second, double, double progress,
                                    ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsTransitionPinwheel& settings = DrawingSettings();
  const double angle = 2.0 * std::numbers::pi / std::max(settings.GetNum(), 1);
  const double smooth = std::max(settings.GetSmoothness(), 0) * angle * kSmoothnessUnit;

  TransitionFrames frames = ConvertInputs(*first, *second, storage);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex1", 0);
  program.Uniform("tex2", 1);
  program.Uniform("angle", angle);
  program.Uniform("aspect", SizeAspect(*frames.first) * static_cast<float>(kAspectScale));
  program.Uniform("freq", settings.GetFreq() * kFreqUnit);
  program.Uniform("amplitude", settings.GetAmpl() * kAmplitudeUnit);
  program.Uniform("local_smooth", smooth);
  program.Uniform("t", (smooth / angle + 1.0) * progress);
  DrawFullScreenAtTexels(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
