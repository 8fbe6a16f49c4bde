#include "effects/distort/EffectFishEye.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

// Front lens: a pixel at distance r from the centre reads the source at
// distance tan(r * power) * mnozh, which keeps the corners in place.
const ShaderSourceKeeper kFront{"EffectFishEye_Front", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float power;
uniform float mnozh;
varying vec2 TexCoord0;

void main() {
  vec2 d = TexCoord0 - 0.5;
  float r = length(d);
  // The centre itself stays (normalize would divide by zero there).
  vec2 direction = r > 0.0 ? d / r : vec2(0.0);
  gl_FragColor = texture2D(tex, 0.5 + direction * tan(r * power) * mnozh);
}
)",
                                "Proc/Effects/Quenvara/EffectFishEye"};

// Back lens: the distance read is atan(-10 * power * r) * mnozh, which keeps
// the edge midpoints in place.
const ShaderSourceKeeper kBack{"EffectFishEye_Back", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float power;
uniform float mnozh;
varying vec2 TexCoord0;

void main() {
  vec2 d = TexCoord0 - 0.5;
  float r = length(d);
  vec2 direction = r > 0.0 ? d / r : vec2(0.0);
  gl_FragColor = texture2D(tex, 0.5 + direction * atan(r * -power * 10.0) * mnozh);
}
)",
                               "Proc/Effects/Quenvara/EffectFishEye"};

// The lens power per unit of strength: pi * sqrt(2), so that strength 0.5
// would put the corners (at distance sqrt(0.5)) on tan's pole.
constexpr double kPowerScale = std::numbers::pi * std::numbers::sqrt2;
// Distance from the centre to a corner, and to an edge midpoint.
constexpr double kCornerDistance = std::numbers::sqrt2 / 2.0;
constexpr double kEdgeDistance = 0.5;
// The back lens's steepness.
constexpr double kBackSlope = 10.0;

}  // namespace

const std::string_view& EffectFishEye::GetName() const {
  static constexpr std::string_view kName = "EffectFishEye";
  return kName;
}

void EffectFishEye::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                               double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectFishEye& settings = DrawingSettings();
  const double strength = static_cast<double>(settings.GetIntensity()) * settings.GetStrength();
  if (std::fabs(strength) < std::numeric_limits<double>::epsilon()) {
    DrawSinglePass(storage, storage.GetShaderProgram(BuiltinProgram::kCopy), *target, *source,
                   [](ShaderProgram&) {});
    return;
  }
  const double power = strength * kPowerScale;
  const bool front = strength > 0.0;
  const double mnozh = front ? kCornerDistance / std::tan(power * kCornerDistance)
                             : kEdgeDistance / std::atan(power * -kEdgeDistance * kBackSlope);
  DrawFilteredPass(storage, storage.MakeShader(front ? kFront : kBack), *target, *source,
                   [&](ShaderProgram& program) {
                     program.Uniform("power", power);
                     program.Uniform("mnozh", mnozh);
                   });
}

}  // namespace Obrisk::Ogl
