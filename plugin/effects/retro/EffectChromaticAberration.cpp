#include "effects/retro/EffectChromaticAberration.h"

#include <cmath>

#include "effects/retro/PrivateClock.h"
#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"ChromaticAberration", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float shift;
varying vec2 TexCoord0;

// Red from the right, blue from the left, a little darker the wider apart.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  color.r = texture2D(tex, TexCoord0 + vec2(shift, 0.0)).r;
  color.b = texture2D(tex, TexCoord0 - vec2(shift, 0.0)).b;
  gl_FragColor = vec4(color.rgb * (1.0 - 0.5 * shift), color.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectChromaticAberration"};

// Largest shift, in picture widths, at intensity 1 and a flicker product of 1.
constexpr double kMaxShift = 0.05;

// Four beating sines, cubed: mostly small, now and then a jolt.
double Flicker(double t) {
  const double beat = (0.5 * std::sin(27.0 * t) + 1.0) * (0.5 * std::sin(6.0 * t) + 0.5) *
                      (0.5 * std::sin(16.0 * t) + 1.0) * (0.5 * std::sin(19.0 * t) + 1.0);
  return beat * beat * beat;
}

class ChromaticAberrationOglCache final : public PrivateClockCache {};

}  // namespace

const std::string_view& EffectChromaticAberration::GetName() const {
  static constexpr std::string_view kName = "EffectChromaticAberration";
  return kName;
}

Ptr<OglCache> EffectChromaticAberration::CreateCache() {
  return MakeRef<ChromaticAberrationOglCache>();
}

void EffectChromaticAberration::ProcessGpu(const Ptr<Frame>& target,
                                           const Ptr<DataVideoOGL>& source, double, double,
                                           ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const double intensity = DrawingSettings().GetIntensity();
  CacheAs<ChromaticAberrationOglCache>(cache).Tick(*source, [&](double seconds) {
    DrawFilteredPass(storage, storage.MakeShader(kShader), *target, *source,
                     [&](ShaderProgram& program) {
                       program.Uniform("shift", Flicker(seconds) * kMaxShift * intensity);
                     });
  });
}

}  // namespace Obrisk::Ogl
