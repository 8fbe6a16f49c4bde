#include "effects/colour/EffectGIMPShadowsHightlights.h"

#include <algorithm>
#include <cmath>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectGIMPShadowsHightlights", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float shadows;                  // -2 to 2
uniform float shadows_color_correct;    // 0 to 1, mirrored for negative shadows
uniform float shadows_sign;             // +1 or -1
uniform float highlights;               // -2 to 2
uniform float highlights_color_correct; // 0 to 1, mirrored for positive highlights
uniform float highlights_sign_negated;  // +1 or -1
uniform float whitepoint;               // 1 - white point shift
uniform float compress;                 // 0 to 0.99
uniform float intensity;                // 0 to 1
varying vec2 TexCoord0;

// CIE Lab with the D50 white of the GIMP image editor's conversion.
const mat3 kRgbToXyz = mat3(0.452223, 0.222488, 0.016870,
                            0.399415, 0.716904, 0.117663,
                            0.148362, 0.060608, 0.865468);
const mat3 kXyzToRgb = mat3(3.022078, -0.943756, 0.069400,
                            -1.617277, 1.916160, -0.228983,
                            -0.404801, 0.027595, 1.159583);
const float kEpsilon = 0.008856;
const float kKappa = 903.296326;
// Magnitudes at or below this stand in for it in the reciprocals.
const float kMinMagnitude = 0.01;

float LabF(float t) { return t > kEpsilon ? pow(t, 1.0 / 3.0) : (kKappa * t + 16.0) / 116.0; }

vec3 RgbToLab(vec3 rgb) {
  vec3 xyz = kRgbToXyz * rgb;
  vec3 f = vec3(LabF(xyz.x), LabF(xyz.y), LabF(xyz.z));
  return vec3(116.0 * f.y - 16.0, 500.0 * (f.x - f.y), 200.0 * (f.y - f.z));
}

float LabFInverse(float f) {
  float cube = f * f * f;
  return cube > kEpsilon ? cube : (116.0 * f - 16.0) / kKappa;
}

vec3 LabToRgb(vec3 lab) {
  float fy = (lab.x + 16.0) / 116.0;
  float fx = fy + lab.y / 500.0;
  float fz = fy - lab.z / 200.0;
  float y = lab.x > kKappa * kEpsilon ? fy * fy * fy : lab.x / kKappa;
  return kXyzToRgb * vec3(LabFInverse(fx), y, LabFInverse(fz));
}

// The reciprocal of v with its magnitude at least kMinMagnitude (0 for 0).
float SafeReciprocal(float v) { return sign(v) / max(abs(v), kMinMagnitude); }

// Overlays the lightness t.x towards the blend value for the mask m, `amount`
// squared times, and carries the chroma t.yz along; chromaShadow weighs the
// chroma change on the dark side (1 - chromaShadow on the bright side).
vec3 Adjust(vec3 t, float m, float amount, float direction, float xform, float chromaShadow) {
  for (float budget = amount * amount; budget > 0.0; budget -= 1.0) {
    float l = t.x;
    float lb = (m - 0.5) * direction * sign(1.0 - l) + 0.5;
    float lref = SafeReciprocal(l);
    float href = SafeReciprocal(1.0 - l);
    float op = min(budget, 1.0) * xform;
    float overlay = l > 0.5 ? 1.0 - (1.0 - 2.0 * (l - 0.5)) * (1.0 - lb) : 2.0 * l * lb;
    t.x = l * (1.0 - op) + overlay * op;
    float chroma = t.x * lref * chromaShadow + (1.0 - t.x) * href * (1.0 - chromaShadow);
    t.yz = t.yz * (1.0 - op) + t.yz * chroma * op;
  }
  return t;
}

void main() {
  vec4 color = texture2D(tex, TexCoord0);
  vec3 lab = RgbToLab(color.rgb);
  vec3 t = vec3(lab.x / 100.0, lab.yz / 128.0);
  float m = (100.0 - lab.x) / 100.0;
  if (t.x > 0.0) t.x /= whitepoint;
  if (m > 0.0) m /= whitepoint;

  if (m < 1.0 - compress) {
    float xform = min(1.0 - m / (1.0 - compress), 1.0);
    t = Adjust(t, m, highlights, highlights_sign_negated, xform, 1.0 - highlights_color_correct);
  }
  if (m > compress) {
    float xform = min(m / (1.0 - compress) - compress / (1.0 - compress), 1.0);
    t = Adjust(t, m, shadows, shadows_sign, xform, shadows_color_correct);
  }

  vec4 result = vec4(LabToRgb(vec3(100.0 * t.x, 128.0 * t.yz)), color.a);
  gl_FragColor = obrisk_mixRGBA_(color, result, intensity);
}
)",
                                 "Proc/Effects/Quenvara/EffectGIMPShadowsHightlights"};

using Settings = Proc::SettingsEffectGIMPShadowsHightlights;

// The largest compress the shader takes, so that 1 - compress stays positive.
constexpr float kMaxCompress = 0.99f;
constexpr float kPercent = 100.0f;

// A colour correction from 0 to 1, mirrored about 0.5 for a negative sign.
float ColorCorrect(float value, Settings::Range range, float sign) {
  return (value / range.second - 0.5f) * sign + 0.5f;
}

}  // namespace

const std::string_view& EffectGIMPShadowsHightlights::GetName() const {
  static constexpr std::string_view kName = "EffectGIMPShadowsHightlights";
  return kName;
}

void EffectGIMPShadowsHightlights::DrawInWorkingSpace(Frame& target, DataVideoOGL& source,
                                                      WorkingSpacePass& pass) {
  const auto& s = DrawingSettings();
  const float shadows = 2.0f * s.GetShadows() / Settings::s_shadowsMinMax.second;
  const float shadowsSign = std::copysign(1.0f, shadows);
  const float highlights = 2.0f * s.GetHighlights() / Settings::s_highlightsMinMax.second;
  const float highlightsSignNegated = std::copysign(1.0f, -highlights);
  pass.Draw(kShader, target, source, [&](ShaderProgram& program) {
    program.Uniform("shadows", shadows);
    program.Uniform("shadows_color_correct",
                    ColorCorrect(s.GetShadowsColorCorrect(), Settings::s_shadowsColorCorrectMinMax,
                                 shadowsSign));
    program.Uniform("shadows_sign", shadowsSign);
    program.Uniform("highlights", highlights);
    program.Uniform("highlights_color_correct",
                    ColorCorrect(s.GetHighlightsColorCorrect(),
                                 Settings::s_highlightsColorCorrectMinMax, highlightsSignNegated));
    program.Uniform("highlights_sign_negated", highlightsSignNegated);
    program.Uniform("whitepoint", 1.0f - s.GetWhitepoint() / kPercent);
    program.Uniform("compress",
                    std::min(s.GetCompress() / Settings::s_compressMinMax.second, kMaxCompress));
    program.Uniform("intensity", s.GetIntensity() / Settings::s_intensityMinMax.second);
  });
}

}  // namespace Obrisk::Ogl
