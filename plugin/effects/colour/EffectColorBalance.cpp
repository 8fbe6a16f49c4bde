#include "effects/colour/EffectColorBalance.h"

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectColorBalance", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float contrast;     // -1000 to 1000
uniform float brightness;   // -1 to 1
uniform float saturation;   // 0 to 3
uniform float gamma;        // 0.1 to 10
uniform float gammaGreen;   // 0.1 to 10
uniform float gammaBlue;    // 0.1 to 10
uniform float gammaRed;     // 0.1 to 10
uniform float gammaWeight;  // 0 to 1
uniform float hue;          // degrees, 0 to 360
varying vec2 TexCoord0;

const float kPi = 3.14159265358979323846;

// Luma about mid-grey by the contrast, lifted by the brightness; chroma about
// neutral by the saturation.
vec4 ContrastBrightnessSaturation(vec4 yuva) {
  yuva.x = (yuva.x - 0.5) * contrast + 0.5 + brightness;
  yuva.yz = (yuva.yz - 0.5) * saturation + 0.5;
  return obrisk_ClampSDR_(yuva);
}

// Luma to the power 1 / (gamma x gammaGreen), Cb and Cr to the square roots
// of gammaGreen / gammaBlue and gammaGreen / gammaRed; gammaWeight blends the
// result with the value before.
vec4 Gamma(vec4 yuva) {
  vec3 exponent = vec3(1.0 / (gamma * gammaGreen), sqrt(gammaGreen / gammaBlue),
                       sqrt(gammaGreen / gammaRed));
  yuva.xyz = mix(yuva.xyz, pow(yuva.xyz, exponent), gammaWeight);
  return obrisk_ClampSDR_(yuva);
}

// Rotates the chroma about neutral by the hue angle.
vec4 RotateHue(vec4 yuva) {
  float theta = hue * kPi / 180.0;
  vec2 c = yuva.yz - 0.5;
  yuva.yz = vec2(c.x * cos(theta) - c.y * sin(theta), c.x * sin(theta) + c.y * cos(theta)) + 0.5;
  return obrisk_ClampSDR_(yuva);
}

void main() {
  vec4 yuva = obrisk_ClampSDR_(obrisk_RGBA2YUVA_(texture2D(tex, TexCoord0)));
  yuva = RotateHue(Gamma(ContrastBrightnessSaturation(yuva)));
  gl_FragColor = obrisk_ClampSDR_(obrisk_YUVA2RGBA_(yuva));
}
)",
                                 "Proc/Effects/Quenvara/EffectColorBalance"};

}  // namespace

const std::string_view& EffectColorBalance::GetName() const {
  static constexpr std::string_view kName = "EffectColorBalance";
  return kName;
}

void EffectColorBalance::DrawInWorkingSpace(Frame& target, DataVideoOGL& source,
                                            WorkingSpacePass& pass) {
  const auto& settings = DrawingSettings();
  pass.Draw(kShader, target, source, [&](ShaderProgram& program) {
    program.Uniform("contrast", settings.GetFFContrast());
    program.Uniform("brightness", settings.GetFFBrightness());
    program.Uniform("saturation", settings.GetFFSaturation());
    program.Uniform("gamma", settings.GetFFGamma());
    program.Uniform("gammaGreen", settings.GetFFGammaGreen());
    program.Uniform("gammaBlue", settings.GetFFGammaBlue());
    program.Uniform("gammaRed", settings.GetFFGammaRed());
    program.Uniform("gammaWeight", settings.GetFFGammaWeight());
    program.Uniform("hue", static_cast<float>(settings.GetHue()));
  });
}

}  // namespace Obrisk::Ogl
