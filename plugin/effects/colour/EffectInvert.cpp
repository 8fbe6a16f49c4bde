#include "effects/colour/EffectInvert.h"

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectInvert", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float intensity;
varying vec2 TexCoord0;

// Each channel's distance from the intensity: 1 inverts, 0 is the identity.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(abs(vec3(intensity) - color.rgb), color.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectInvert"};

}  // namespace

const std::string_view& EffectInvert::GetName() const {
  static constexpr std::string_view kName = "EffectInvert";
  return kName;
}

void EffectInvert::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                              double, ShaderStorage& storage, const Ptr<OglCache>&) {
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("intensity", DrawingSettings().GetIntensity());
                 });
}

}  // namespace Obrisk::Ogl
