#include "effects/distort/EffectLensDistortion.h"

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectLensDistiortion", Shader::FullFrame, R"(
uniform sampler2D tex0;
uniform float distortion;
uniform float zoom;
uniform int memberCount;
varying vec2 TexCoord0;

// q runs from -1 to 1 across the frame; each pixel reads the source at q
// scaled by (2 - zoom + distortion * (r + r^2 + r^3)) / 2, r = |q|^2, with
// the first memberCount terms of the sum.
void main() {
  vec2 q = 2.0 * TexCoord0 - 1.0;
  float r = dot(q, q);
  float f = 2.0 - zoom;
  if (memberCount > 2) f += distortion * r * r * r;
  if (memberCount > 1) f += distortion * r * r;
  if (memberCount > 0) f += distortion * r;
  q *= f;
  gl_FragColor = texture2D(tex0, 0.5 * (q * 0.5 + 1.0));
}
)",
                                 "Proc/Effects/Quenvara/EffectLensDistortion"};

}  // namespace

const std::string_view& EffectLensDistortion::GetName() const {
  static constexpr std::string_view kName = "EffectLensDistortion";
  return kName;
}

void EffectLensDistortion::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                      double, double, ShaderStorage& storage,
                                      const Ptr<OglCache>&) {
  const Proc::SettingsEffectLensDistortion& settings = DrawingSettings();
  DrawFilteredPass(storage, storage.MakeShader(kShader), *target, *source,
                   [&](ShaderProgram& program) {
                     program.Uniform("tex0", 0);
                     program.Uniform("distortion", settings.GetDistortion());
                     program.Uniform("zoom", settings.GetZoom());
                     program.Uniform("memberCount", settings.GetMemberCount());
                   });
}

}  // namespace Obrisk::Ogl
