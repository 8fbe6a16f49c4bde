#include "effects/key/EffectColorMixBurn.h"

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectColorMixBurn", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float strength;
varying vec2 TexCoord0;

const float kPi = 3.14159265358979323846;

// A sine about mid-grey: darks go darker (below 0 is clipped), lights lighter.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  vec3 burn = sin((color.rgb - 0.5) * kPi);
  gl_FragColor = vec4(mix(color.rgb, burn, strength), color.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectColorMixBurn"};

}  // namespace

const std::string_view& EffectColorMixBurn::GetName() const {
  static constexpr std::string_view kName = "EffectColorMixBurn";
  return kName;
}

void EffectColorMixBurn::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                    double, double, ShaderStorage& storage, const Ptr<OglCache>&) {
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("strength", DrawingSettings().GetStrength());
                 });
}

}  // namespace Obrisk::Ogl
