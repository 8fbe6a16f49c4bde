#include "effects/key/EffectColorSelect.h"

#include <string>

#include "effects/key/KeyPasses.h"
#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectColorMixDistinguish", Shader::FullFrame,
                                 ShaderSourceFunction([] {
                                   return std::string(kKeyConeGlsl) + R"(
uniform sampler2D tex;
varying vec2 TexCoord0;

// Grey outside the cone and below the lower bound, the colour itself past
// the upper bound, mixed between.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  vec4 grey = obrisk_RGBA2GRAYA_(color);
  vec4 src = obrisk_ClampSDR_(obrisk_RGBA2YUVA_(color));
  float reach, l, h;
  if (!inKeyCone(src.yz - 0.5, reach, l, h) || reach < lBound) {
    gl_FragColor = grey;
  } else if (reach >= uBound) {
    gl_FragColor = color;
  } else {
    gl_FragColor = mix(grey, color, (reach - lBound) / (uBound - lBound));
  }
}
)";
                                 }),
                                 "Proc/Effects/Quenvara/EffectColorSelect"};

}  // namespace

const std::string_view& EffectColorSelect::GetName() const {
  static constexpr std::string_view kName = "EffectColorSelect";
  return kName;
}

void EffectColorSelect::DrawInWorkingSpace(Frame& target, DataVideoOGL& source,
                                           WorkingSpacePass& pass) {
  const auto& settings = DrawingSettings();
  const KeyCone cone = MakeKeyCone(settings.GetKeyColor(), settings.GetAngle(),
                                   settings.GetLowerBound(), settings.GetUpperBound());
  if (cone.grey) {
    DrawUnchanged(target, source, pass.Storage());
    return;
  }
  pass.Draw(kShader, target, source,
            [&](ShaderProgram& program) { SetKeyConeUniforms(program, cone); });
}

}  // namespace Obrisk::Ogl
