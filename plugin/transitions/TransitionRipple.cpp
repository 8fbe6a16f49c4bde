#include "transitions/TransitionRipple.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionRipple", Shader::FullFrame, R"(
uniform sampler2D tex_top;  // the first picture, outside the ring
uniform sampler2D tex_bot;  // the second, inside it
uniform vec2 center;
uniform float aspect;
uniform float progress;  // the ring's outer radius, in frame heights
uniform float rWidth;    // 1 / the ring's width
uniform float waves;
uniform float ampl;      // turn of a full wave, radians
uniform float isRipple;
uniform float M_2PI;
varying vec2 TexCoord0;

// The wave at s across the ring (0 at its outer edge, 1 at its inner):
// x its height, y the brightness it leaves.
vec2 Wave(float s) {
  if (isRipple > 0.5) {
    float saw = fract(s * waves + 0.5) - 0.5;
    float w = 4.0 * saw * saw;
    return vec2(w * (1.0 - s), 1.0 - w / 4.0);
  }
  return vec2(1.0 - cos(waves * s * M_2PI), 1.0);
}

// Outside the ring the first picture, inside it the second; across the ring
// the two mix, turned about the centre by the wave.
void main() {
  vec2 n = (TexCoord0 - center) * vec2(aspect, 1.0);
  float s = (progress - length(n)) * rWidth;
  if (s <= 0.0) {
    gl_FragColor = texture2D(tex_top, TexCoord0);
  } else if (s >= 1.0) {
    gl_FragColor = texture2D(tex_bot, TexCoord0);
  } else {
    vec2 wave = Wave(s);
    float phi = wave.x * ampl;
    mat2 turn = mat2(cos(phi), sin(phi), -sin(phi), cos(phi));
    vec2 c = (n * turn) / vec2(aspect, 1.0) + center;
    vec4 color = obrisk_mixRGBA_(texture2D(tex_top, c), texture2D(tex_bot, c), s);
    gl_FragColor = vec4(color.rgb * wave.y, color.a);
  }
}
)",
                                 "Proc/Effects/Quenvara/TransitionRipple"};

// Amplitude 100 turns by 2 pi / 22.5 radians.
constexpr double kAmplitudeScale = 2250.0;
// Period and amplitude are given in hundredths.
constexpr double kHundredths = 100.0;

}  // namespace

const std::string_view& TransitionRipple::GetName() const {
  static constexpr std::string_view kName = "TransitionRipple";
  return kName;
}

void TransitionRipple::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  const double aspect = target->GetFrameInfo().DisplayAspect();
  const glm::dvec2 center = settings.GetPoint().GetCenter();
  // A ring narrower than a hundredth would divide by zero.
  const double width = std::max(settings.GetPeriod(), 1) / kHundredths;
  // The farthest corner from the centre: the ring's inner edge passes it at p = 1.
  const double farthest =
      std::hypot(std::max(center.x, 1.0 - center.x) * aspect, std::max(center.y, 1.0 - center.y));

  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex_top", 0);
  program.Uniform("tex_bot", 1);
  program.Uniform("center", center.x, center.y);
  program.Uniform("aspect", aspect);
  program.Uniform("progress", (farthest + width) * progress);
  program.Uniform("rWidth", 1.0 / width);
  program.Uniform("waves", static_cast<double>(settings.GetWaveCount()));
  program.Uniform("ampl", settings.GetAmplitude() / kAmplitudeScale * 2.0 * std::numbers::pi);
  program.Uniform("isRipple", settings.GetMode() == Proc::RippleMode::Ripple ? 1.0 : 0.0);
  program.Uniform("M_2PI", 2.0 * std::numbers::pi);
  DrawFullScreen(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
