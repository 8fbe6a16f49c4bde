#include "effects/colour/EffectPosterize.h"

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectPosterize", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float levels;
uniform float intensity;
varying vec2 TexCoord0;

// Keeps the division finite for black, which stays black.
const float kEpsilon = 0.000001;

// The luma rounded to the nearest of `levels` steps; the colour is scaled so
// that its luma lands on the step, by `intensity` of the way.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  float luma = obrisk_RGBA2Y_(color);
  float scale = floor(luma * levels + 0.5) / (levels * luma + kEpsilon);
  gl_FragColor = vec4(color.rgb * ((scale - 1.0) * intensity + 1.0), color.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectPosterize"};

}  // namespace

const std::string_view& EffectPosterize::GetName() const {
  static constexpr std::string_view kName = "EffectPosterize";
  return kName;
}

void EffectPosterize::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                 double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("levels", static_cast<float>(settings.GetLevels()));
                   program.Uniform("intensity", settings.GetIntensity());
                 });
}

}  // namespace Obrisk::Ogl
