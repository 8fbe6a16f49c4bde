#include "effects/retro/EffectGlitchSecurityCam.h"

#include "effects/retro/PrivateClock.h"
#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

// Fragment coordinates rather than TexCoord0, so that the quad's two
// triangles meet without a seam in the noise.
const ShaderSourceKeeper kShader{"GlitchSecurityCam", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float inputTime;
uniform float intensity;
uniform float largeWavesStr;
uniform float smallWavesStr;
uniform vec2 resolution;

// 2-D simplex noise, -1 to 1: a permutation polynomial on the ring of 289
// picks one of 41 gradients on a circle for each simplex corner.
vec3 mod289(vec3 x) { return x - floor(x * (1.0 / 289.0)) * 289.0; }
vec2 mod289(vec2 x) { return x - floor(x * (1.0 / 289.0)) * 289.0; }
vec3 permute(vec3 x) { return mod289(((x * 34.0) + 1.0) * x); }

float snoise(vec2 v) {
  // (3 - sqrt 3) / 6, (sqrt 3 - 1) / 2, -1 + 2 (3 - sqrt 3) / 6, 1 / 41
  const vec4 C = vec4(0.211324865405187, 0.366025403784439, -0.577350269189626,
                      0.024390243902439);
  // The simplex cell and the offsets to its three corners.
  vec2 i = floor(v + dot(v, C.yy));
  vec2 x0 = v - i + dot(i, C.xx);
  vec2 i1 = (x0.x > x0.y) ? vec2(1.0, 0.0) : vec2(0.0, 1.0);
  vec4 x12 = x0.xyxy + C.xxzz;
  x12.xy -= i1;
  // A gradient per corner.
  i = mod289(i);
  vec3 p = permute(permute(i.y + vec3(0.0, i1.y, 1.0)) + i.x + vec3(0.0, i1.x, 1.0));
  vec3 m = max(0.5 - vec3(dot(x0, x0), dot(x12.xy, x12.xy), dot(x12.zw, x12.zw)), 0.0);
  m = m * m;
  m = m * m;
  vec3 x = 2.0 * fract(p * C.www) - 1.0;
  vec3 h = abs(x) - 0.5;
  vec3 a0 = x - floor(x + 0.5);
  // Normalises the gradients (a Taylor approximation of the inverse length).
  m *= 1.79284291400159 - 0.85373472095314 * (a0 * a0 + h * h);
  vec3 g;
  g.x = a0.x * x0.x + h.x * x0.y;
  g.yz = a0.yz * x12.xz + h.yz * x12.yw;
  return 130.0 * dot(m, g);
}

float rand(vec2 co) { return fract(sin(dot(co, vec2(12.9898, 78.233))) * 43758.5453); }

void main() {
  vec2 uv = gl_FragCoord.xy / resolution;
  float s = 2.0 * inputTime;
  // Tall slow tears and fine fast jitter, per row.
  float noise = max(0.0, snoise(vec2(s, 0.3 * uv.y)) - 0.3) * largeWavesStr +
                (snoise(vec2(10.0 * s, 2.4 * uv.y)) - 0.5) * smallWavesStr;
  noise *= intensity;
  float x = uv.x - noise * noise * 0.25;
  vec4 result = texture2D(tex, vec2(x, uv.y));
  // Snow on the torn rows.
  result.rgb = mix(result.rgb, vec3(rand(vec2(uv.y * s)) * intensity), noise * 0.3);
  // Green and blue drift to either side.
  result.g = mix(result.r, texture2D(tex, vec2(x + 0.05 * noise, uv.y)).g, 1.0 - 0.75 * intensity);
  result.b = mix(result.r, texture2D(tex, vec2(x - 0.05 * noise, uv.y)).b, 1.0 - 0.75 * intensity);
  gl_FragColor = result;
}
)",
                                 "Proc/Effects/Quenvara/EffectGlitchSecurityCam"};

class GlitchSecurityCamOglCache final : public PrivateClockCache {};

}  // namespace

const std::string_view& EffectGlitchSecurityCam::GetName() const {
  static constexpr std::string_view kName = "EffectGlitchSecurityCam";
  return kName;
}

Ptr<OglCache> EffectGlitchSecurityCam::CreateCache() {
  return MakeRef<GlitchSecurityCamOglCache>();
}

void EffectGlitchSecurityCam::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                         double, double, ShaderStorage& storage,
                                         const Ptr<OglCache>& cache) {
  const Proc::SettingsEffectGlitchSecurityCam& settings = DrawingSettings();
  const Proc::FrameInfo& info = source->GetFrameInfo();
  CacheAs<GlitchSecurityCamOglCache>(cache).Tick(*source, [&](double seconds) {
    DrawFilteredPass(storage, storage.MakeShader(kShader), *target, *source,
                     [&](ShaderProgram& program) {
                       program.Uniform("inputTime", seconds);
                       program.Uniform("intensity", settings.GetIntensity());
                       program.Uniform("largeWavesStr", settings.GetLargeWavesStrength());
                       program.Uniform("smallWavesStr", settings.GetSmallWavesStrength());
                       program.Uniform("resolution", static_cast<double>(info.width),
                                       static_cast<double>(info.height));
                     });
  });
}

}  // namespace Obrisk::Ogl
