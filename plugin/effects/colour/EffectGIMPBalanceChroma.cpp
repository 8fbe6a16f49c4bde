#include "effects/colour/EffectGIMPBalanceChroma.h"

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectGIMPBalanceChroma", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec3 shadows;           // per channel, -1 to 1
uniform vec3 midtones;          // per channel, -1 to 1
uniform vec3 highlights;        // per channel, -1 to 1
uniform int preserveLuminosity; // 1 keeps the HSL lightness
varying vec2 TexCoord0;

// The tone bands: ramps of width a about the lightnesses b and 1 - b.
const float a = 0.25;
const float b = 0.333;
const float scale = 0.7;

void main() {
  vec4 color = texture2D(tex, TexCoord0);
  float l = obrisk_RGB2HSL_(color.rgb).z;
  vec3 rgb = color.rgb;
  rgb += shadows * clamp((l - b) / -a + 0.5, 0.0, 1.0) * scale;
  rgb += midtones * clamp((l - b) / a + 0.5, 0.0, 1.0) *
         clamp((l + b - 1.0) / -a + 0.5, 0.0, 1.0) * scale;
  rgb += highlights * clamp((l + b - 1.0) / a + 0.5, 0.0, 1.0) * scale;
  rgb = clamp(rgb, 0.0, 1.0);
  if (preserveLuminosity == 1) {
    vec3 hsl = obrisk_RGB2HSL_(rgb);
    rgb = obrisk_HSL2RGB_(vec3(hsl.xy, l));
  }
  gl_FragColor = vec4(rgb, color.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectGIMPBalanceChroma"};

// A shift of -100 to 100 per channel as the shader takes it.
glm::vec3 Shift(const Proc::SettingsEffectGIMPBalanceChroma::Shift& shift) {
  constexpr float kPercent = 100.0f;
  return glm::vec3(shift[0], shift[1], shift[2]) / kPercent;
}

}  // namespace

const std::string_view& EffectGIMPBalanceChroma::GetName() const {
  static constexpr std::string_view kName = "EffectGIMPBalanceChroma";
  return kName;
}

void EffectGIMPBalanceChroma::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                         double, double, ShaderStorage& storage,
                                         const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("shadows", Shift(settings.GetShadows()));
                   program.Uniform("midtones", Shift(settings.GetMidtones()));
                   program.Uniform("highlights", Shift(settings.GetHighlights()));
                   program.Uniform("preserveLuminosity", settings.IsPreserveLuminosity() ? 1 : 0);
                 });
}

}  // namespace Obrisk::Ogl
