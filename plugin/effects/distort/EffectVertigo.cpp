#include "effects/distort/EffectVertigo.h"

#include <cmath>
#include <numbers>

#include <glm/mat2x2.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectVertigo", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float scale;
uniform float fastphase;
uniform mat2 rot_matrix;
varying vec2 TexCoord0;

// The picture turned about the centre and shrunk by scale * step.
vec4 echo(float step) {
  return texture2D(tex, rot_matrix * (TexCoord0 - 0.5) * (1.0 - scale * step) + 0.5);
}

// Seven echoes, ever smaller, drifting outwards with fastphase (the last
// fading into the first as it comes round), averaged and laid over the
// picture at 70 percent.
void main() {
  vec4 sum = vec4(0.0);
  for (int i = 1; i <= 6; ++i) sum += echo(float(i) + fastphase);
  sum += obrisk_mixRGBA_(echo(7.0 + fastphase), echo(1.0), fastphase);
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex, TexCoord0), sum / 7.0, 0.7);
}
)",
                                 "Proc/Effects/Quenvara/EffectVertigo"};

// Rocking cycles per second at speed 1.
constexpr double kCyclesPerSpeed = 10.0;
// The rocking angle's and the zoom step's share of the amplitude.
constexpr double kAngleShare = 1.0 / 6.0;
constexpr double kScaleShare = 1.0 / 12.0;
// The echoes drift this many times faster than the rocking.
constexpr double kDriftRate = 5.0;

}  // namespace

const std::string_view& EffectVertigo::GetName() const {
  static constexpr std::string_view kName = "EffectVertigo";
  return kName;
}

void EffectVertigo::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                               double time, double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectVertigo& settings = DrawingSettings();
  const double intensity = settings.GetIntensity();
  const double x = intensity * settings.GetSpeed() * kCyclesPerSpeed * time;
  const double phase = (x - std::floor(x)) * std::numbers::pi;
  const auto amplitude = static_cast<float>(2.0 * intensity * settings.GetAmplitude());
  const auto angle = static_cast<float>(std::sin(2.0 * phase) * amplitude * kAngleShare);
  const glm::mat2 rotation(std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle));
  const double fastPhase = kDriftRate * x - std::floor(kDriftRate * x);
  DrawFilteredPass(storage, storage.MakeShader(kShader), *target, *source,
                   [&](ShaderProgram& program) {
                     program.Uniform("scale", amplitude * kScaleShare);
                     program.Uniform("fastphase", fastPhase);
                     program.Uniform("rot_matrix", rotation, false);
                   });
}

}  // namespace Obrisk::Ogl
