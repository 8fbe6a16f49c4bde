#include "effects/colour/EffectColorCorrection.h"

#include <algorithm>
#include <cmath>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectColorCorrection", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float exposure;    // -0.5 to 0.5
uniform float brightness;
uniform float contrast;    // slope about mid-grey, 0 and up
uniform float hue;         // full turns
uniform float saturation;
varying vec2 TexCoord0;

// Negative exposure scales towards black, positive moves towards white.
vec3 Expose(vec3 rgb) {
  return exposure < 0.0 ? rgb * (1.0 + exposure) : rgb + (1.0 - rgb) * exposure;
}

// Hue turned and saturation scaled in HSV.
vec3 HueSaturation(vec3 rgb) {
  vec3 hsv = obrisk_RGB2HSV_(rgb);
  hsv.x = mod(hsv.x + hue, 1.0);
  hsv.y *= saturation;
  return obrisk_HSV2RGB_(clamp(hsv, 0.0, 1.0));
}

void main() {
  vec4 color = texture2D(tex, TexCoord0);
  vec3 rgb = Expose(color.rgb) + brightness;
  rgb = clamp((rgb - 0.5) * contrast + 0.5, 0.0, 1.0);
  if (hue != 0.0 || saturation != 1.0) rgb = HueSaturation(rgb);
  gl_FragColor = obrisk_ClampSDR_(vec4(rgb, color.a));
}
)",
                                 "Proc/Effects/Quenvara/EffectColorCorrection"};

// Exposure 1 moves halfway to white (or black, for -1).
constexpr double kExposureScale = 0.5;
constexpr double kQuarterPi = 0.7853981633974483;

// The contrast slope tan((c + 1) pi/4): -1 flattens to grey (0), 0 keeps the
// picture (1), 1 is a hard threshold (the largest finite tangent). Values
// outside -1 to 1 are held at the ends, where the slope would turn negative.
double ContrastSlope(float contrast) {
  return std::tan((std::clamp(static_cast<double>(contrast), -1.0, 1.0) + 1.0) * kQuarterPi);
}

}  // namespace

const std::string_view& EffectColorCorrection::GetName() const {
  static constexpr std::string_view kName = "EffectColorCorrection";
  return kName;
}

void EffectColorCorrection::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                       double, double, ShaderStorage& storage,
                                       const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("exposure", settings.GetExposure() * kExposureScale);
                   program.Uniform("brightness", settings.GetBrightness());
                   program.Uniform("contrast", ContrastSlope(settings.GetContrast()));
                   program.Uniform("hue", settings.GetHue());
                   program.Uniform("saturation", settings.GetSaturation());
                 });
}

}  // namespace Obrisk::Ogl
