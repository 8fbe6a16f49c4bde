#include "effects/colour/EffectGIMPColorize.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectGIMPColorize", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec3 hsl;        // hue and saturation 0 to 1, lightness -1 to 1
uniform float intensity; // 0 to 1
varying vec2 TexCoord0;

// Luminance weights of the GIMP image editor's colorize.
const vec3 kLuminance = vec3(0.22248840, 0.71690369, 0.06060791);

void main() {
  vec4 color = texture2D(tex, TexCoord0);
  float lum = dot(color.rgb, kLuminance);
  if (hsl.z > 0.0) {
    lum = lum * (1.0 - hsl.z) + hsl.z;
  } else if (hsl.z < 0.0) {
    lum = lum * (hsl.z + 1.0);
  }
  vec4 result = vec4(obrisk_HSL2RGB_(vec3(hsl.xy, lum)), color.a);
  gl_FragColor = obrisk_mixRGBA_(color, result, intensity);
}
)",
                                 "Proc/Effects/Quenvara/EffectGIMPColorize"};

// a equals b within single precision's relative epsilon, or both are tiny.
bool NearlyEqual(float a, float b) {
  const float difference = std::fabs(a - b);
  return difference <= std::fabs(a + b) * std::numeric_limits<float>::epsilon() ||
         difference < std::numeric_limits<float>::min();
}

// The HSL hue of a colour with extremes max and min (max above min), 0 to 1.
float Hue(float r, float g, float b, float max, float min) {
  const float delta = max - min;
  float h = 0.0f;
  if (max == r) {
    h = (g - b) / delta;
  } else if (max == g) {
    h = 2.0f + (b - r) / delta;
  } else {
    h = 4.0f + (r - g) / delta;
  }
  h /= 6.0f;
  return h < 0.0f ? h + 1.0f : h;
}

}  // namespace

std::array<float, 3> ColorizeHsl(const Proc::SettingsEffectGIMPColorize& settings) {
  std::array<float, 3> hsl{settings.GetHue(), settings.GetSaturation(), settings.GetLightness()};
  if (!settings.IsValidRGB()) return hsl;
  const float r = settings.GetRed();
  const float g = settings.GetGreen();
  const float b = settings.GetBlue();
  const float max = std::max({r, g, b});
  const float min = std::min({r, g, b});
  const float l = (max + min) / 2.0f;
  float s = 0.0f;
  if (max != min) {
    hsl[0] = Hue(r, g, b, max, min);
    s = l <= 0.5f ? (max - min) / (max + min) : (max - min) / (2.0f - max - min);
  }
  if (!NearlyEqual(l, 0.0f) && !NearlyEqual(l, 1.0f)) hsl[1] = s;
  hsl[2] = 2.0f * l - 1.0f;
  return hsl;
}

const std::string_view& EffectGIMPColorize::GetName() const {
  static constexpr std::string_view kName = "EffectGIMPColorize";
  return kName;
}

void EffectGIMPColorize::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                    double, double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  const auto hsl = ColorizeHsl(settings);
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("hsl", hsl[0], hsl[1], hsl[2]);
                   program.Uniform("intensity", settings.GetIntensity());
                 });
}

}  // namespace Obrisk::Ogl
