#include "effects/distort/EffectTwirl.h"

#include <cmath>
#include <numbers>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectTwirl", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float aspect_ratio;
uniform float twirl;
uniform float rotate;
varying vec2 TexCoord0;

// Turns each pixel about the centre by rotate plus twirl times its distance
// (in widths), in display proportions; the picture repeats past its edges.
void main() {
  vec2 c = TexCoord0 - 0.5;
  float angle = length(vec2(c.x, c.y / aspect_ratio)) * twirl + rotate;
  float s = sin(angle);
  float k = cos(angle);
  vec2 uv = vec2(0.5 + c.x * k - c.y * s / aspect_ratio, 0.5 + c.x * s * aspect_ratio + c.y * k);
  gl_FragColor = texture2D(tex, fract(uv));
}
)",
                                 "Proc/Effects/Quenvara/EffectTwirl"};

constexpr double kTurn = 2.0 * std::numbers::pi;
// The twist swings between -kMaxTwirl and kMaxTwirl radians per width.
constexpr double kMaxTwirl = 8.0 * std::numbers::pi;
// The phase cycle starts where the twist is zero.
constexpr double kPhaseStart = 3.0;

}  // namespace

const std::string_view& EffectTwirl::GetName() const {
  static constexpr std::string_view kName = "EffectTwirl";
  return kName;
}

void EffectTwirl::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                             double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectTwirl& settings = DrawingSettings();
  const double intensity = settings.GetIntensity();
  const double rotate =
      (std::fabs(std::cos(intensity * settings.GetRotationSpeed() * std::numbers::pi * time)) -
       1.0) *
          kTurn +
      intensity * settings.GetRotation() * kTurn;
  const double period = Proc::SettingsEffectTwirl::kPhasePeriod;
  // A triangle wave of the phase: -1 to 1 and back over one period.
  double phase = std::fmod(intensity * settings.GetTwirlSpeed() * period * time + kPhaseStart +
                               intensity * settings.GetTwirlPhase(),
                           period);
  if (phase < 0.0) phase += period;
  const double twirl = (std::fabs(phase - period / 2.0) - 1.0) * kMaxTwirl;
  const Proc::FrameInfo& info = source->GetFrameInfo();
  const float aspect = static_cast<float>(info.width) / static_cast<float>(info.height);
  DrawFilteredPass(storage, storage.MakeShader(kShader), *target, *source,
                   [&](ShaderProgram& program) {
                     program.Uniform("aspect_ratio", aspect);
                     program.Uniform("twirl", twirl);
                     program.Uniform("rotate", rotate);
                   });
}

}  // namespace Obrisk::Ogl
