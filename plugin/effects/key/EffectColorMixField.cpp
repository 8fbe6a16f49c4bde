#include "effects/key/EffectColorMixField.h"

#include "effects/key/KeyPasses.h"
#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectColorMixField", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float threshold;
uniform float contrast;
uniform vec4 filler;
varying vec2 TexCoord0;

// Bright pixels take the filler colour, shaded by luma lifted by contrast.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  float lum = obrisk_RGBA2Y_(color);
  if (lum > threshold) {
    color.rgb = clamp(lum + 2.0 * contrast - 1.0, 0.0, 1.0) * filler.rgb;
  }
  gl_FragColor = color;
}
)",
                                 "Proc/Effects/Quenvara/EffectColorMixField"};

}  // namespace

const std::string_view& EffectColorMixField::GetName() const {
  static constexpr std::string_view kName = "EffectColorMixField";
  return kName;
}

void EffectColorMixField::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                     double, double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("threshold", settings.GetThreshold());
                   program.Uniform("contrast", settings.GetContrast());
                   program.Uniform("filler", ToColorF(settings.GetFillerColor()));
                 });
}

}  // namespace Obrisk::Ogl
