#include "effects/retro/EffectTelevision70s.h"

#include "effects/retro/PrivateClock.h"
#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"Television70s", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float time;
uniform float stripesWidth;
uniform float intensity;
varying vec2 TexCoord0;

const float kStripeCount = 100.0;  // scan lines over the height
const float kStripeSpeed = 7.0;    // scan lines rolling by per second
const float kSmoothness = 0.5;     // half the width of a scan line's soft edge

void main() {
  float I = intensity;
  vec4 source = texture2D(tex, TexCoord0);
  // Red and blue drift sideways, each at its own pace.
  vec3 color = vec3(texture2D(tex, TexCoord0 + vec2(0.002 * I * sin(3.0 * time), 0.0)).r,
                    source.g,
                    texture2D(tex, TexCoord0 + vec2(-0.003 * I * sin(5.0 * time), 0.0)).b);
  // Stronger contrast and a green cast.
  color = clamp(0.6 * I * color * color + (1.0 - 0.5 * I) * color, 0.0, 1.0);
  color *= 1.0 + vec3(-0.05, 0.05, -0.05) * I;
  // Rolling scan lines.
  float thickness = 1.5 * stripesWidth - 0.5;
  float s = fract(kStripeCount * TexCoord0.y + kStripeSpeed * time);
  float value = smoothstep(-kSmoothness, kSmoothness, 1.0 - thickness - abs(s - 0.5));
  color *= 0.9 + 0.1 * (value * I + 1.0 - I);
  // Flicker.
  color *= 0.95 + 0.05 * (abs(sin(110.0 * time)) * I + 1.0 - I);
  // Dark corners.
  vec2 q = TexCoord0 * (1.0 - TexCoord0);
  color *= pow(16.0 * q.x * q.y, 0.55 * I);
  gl_FragColor = vec4(color, source.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectTelevision70s"};

class Television70sOglCache final : public PrivateClockCache {};

}  // namespace

const std::string_view& EffectTelevision70s::GetName() const {
  static constexpr std::string_view kName = "EffectTelevision70s";
  return kName;
}

Ptr<OglCache> EffectTelevision70s::CreateCache() {
  return MakeRef<Television70sOglCache>();
}

void EffectTelevision70s::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                     double, double, ShaderStorage& storage,
                                     const Ptr<OglCache>& cache) {
  const Proc::SettingsEffectTelevision70s& settings = DrawingSettings();
  CacheAs<Television70sOglCache>(cache).Tick(*source, [&](double seconds) {
    DrawFilteredPass(storage, storage.MakeShader(kShader), *target, *source,
                     [&](ShaderProgram& program) {
                       program.Uniform("time", seconds);
                       program.Uniform("stripesWidth", settings.GetStripesWidth());
                       program.Uniform("intensity", settings.GetIntensity());
                     });
  });
}

}  // namespace Obrisk::Ogl
