#include "effects/colour/EffectGIMPColorTemperature.h"

#include <algorithm>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectGIMPColorTemperature", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec3 coeffs;     // light colour of the original over that of the intended temperature
uniform float intensity; // 0 to 1
varying vec2 TexCoord0;

void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = obrisk_mixRGBA_(color, vec4(color.rgb * coeffs, color.a), intensity);
}
)",
                                 "Proc/Effects/Quenvara/EffectGIMPColorTemperature"};

// Per channel the numerator's coefficients of T^5 to T^0, then the
// denominator's (the GIMP image editor's colour-temperature fit).
constexpr std::array<std::array<float, 12>, 3> kFit{{
    {0.693899214f, 2771.93872f, 20999316.0f, -4.88894362e9f, -11899786.0f, -47418.4258f, 1.0f,
     3543.43945f, -561593.562f, 273694656.0f, 162958144.0f, 439750.719f},
    {0.95417428f, 2204.10425f, -3014233.25f, -3511.19873f, -5.70309687f, 0.618109286f, 1.0f,
     1372.86096f, 1309918.5f, -2175.74048f, -2.38924551f, 0.810790122f},
    {-7.11516242e10f, 3.37281849e16f, -7.93961832e19f, 2.96991161e22f, -9.75203969e22f,
     -2.92501073e20f, 1.0f, 1.38886669e16f, 2.38997654e19f, 1.45836068e23f, 1.97660173e22f,
     2.93950695e18f},
}};
constexpr float kMinKelvin = 1000.0f;
constexpr float kMaxKelvin = 12000.0f;
constexpr int kFitTerms = 6;

// c[0] T^5 + c[1] T^4 + ... + c[5], by Horner's rule.
float Polynomial(const float* c, float t) {
  float value = 0.0f;
  for (int i = 0; i < kFitTerms; ++i) value = value * t + c[i];
  return value;
}

}  // namespace

std::array<float, 3> ColorTemperatureRgb(float kelvin) {
  const float t = std::clamp(kelvin, kMinKelvin, kMaxKelvin);
  std::array<float, 3> rgb{};
  for (int c = 0; c < 3; ++c) {
    rgb[c] = Polynomial(kFit[c].data(), t) / Polynomial(kFit[c].data() + kFitTerms, t);
  }
  return rgb;
}

const std::string_view& EffectGIMPColorTemperature::GetName() const {
  static constexpr std::string_view kName = "EffectGIMPColorTemperature";
  return kName;
}

void EffectGIMPColorTemperature::DrawInWorkingSpace(Frame& target, DataVideoOGL& source,
                                                    WorkingSpacePass& pass) {
  // The coefficients follow the snapshot this frame draws with.
  const auto& settings = DrawingSettings();
  const auto from = ColorTemperatureRgb(settings.GetOriginalTemperature());
  const auto to = ColorTemperatureRgb(settings.GetIntendedTemperature());
  pass.Draw(kShader, target, source, [&](ShaderProgram& program) {
    program.Uniform("coeffs", from[0] / to[0], from[1] / to[1], from[2] / to[2]);
    program.Uniform("intensity", settings.GetIntensity());
  });
}

}  // namespace Obrisk::Ogl
