#include "effects/colour/EffectGIMPHueSaturation.h"

#include <vector>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectGIMPHueSaturation", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float hue[7];        // turns / 2 per range: 0 master, 1 to 6 red to magenta
uniform float saturation[7]; // -1 to 1 per range
uniform float lightness[7];  // -1 to 1 per range
uniform float overlap;       // half the blend width between sectors, in sectors
uniform float intensity;     // 0 to 1
varying vec2 TexCoord0;

float Saturation(float s, int range) {
  return clamp(s * (saturation[0] + saturation[range] + 1.0), 0.0, 1.0);
}

float Lightness(float l, int range) {
  float m = (lightness[0] + lightness[range]) / 2.0;
  return m < 0.0 ? l * (m + 1.0) : l + m * (1.0 - l);
}

void main() {
  vec4 color = texture2D(tex, TexCoord0);
  vec3 hsl = obrisk_RGB2HSL_(color.rgb);
  float h6 = hsl.x * 6.0;

  // The sector the hue falls in (red wraps round from 6 to 0), and within
  // the overlap the next one with its weight.
  int primary = 0;
  while (primary < 6 && h6 >= float(primary) + 0.5 + overlap) primary++;
  int secondary = -1;
  float w2 = 0.0;
  if (overlap > 0.0 && h6 > float(primary) + 0.5 - overlap) {
    w2 = (h6 - float(primary) - 0.5 + overlap) / (2.0 * overlap);
    secondary = primary + 1 >= 6 ? 0 : primary + 1;
  }
  if (primary >= 6) {
    primary = 0;
    secondary = -1;
    w2 = 0.0;
  }
  primary += 1;
  float w1 = 1.0 - w2;

  float shift = hue[primary];
  float s = Saturation(hsl.y, primary);
  float l = Lightness(hsl.z, primary);
  if (secondary >= 0) {
    secondary += 1;
    shift = hue[primary] * w1 + hue[secondary] * w2;
    s = s * w1 + Saturation(hsl.y, secondary) * w2;
    l = l * w1 + Lightness(hsl.z, secondary) * w2;
  }
  float h = hsl.x + (hue[0] + shift) / 2.0;
  if (h < 0.0) h += 1.0;
  if (h > 1.0) h -= 1.0;

  vec4 result = vec4(obrisk_HSL2RGB_(vec3(h, s, l)), color.a);
  gl_FragColor = obrisk_mixRGBA_(color, result, intensity);
}
)",
                                 "Proc/Effects/Quenvara/EffectGIMPHueSaturation"};

using Settings = Proc::SettingsEffectGIMPHueSaturation;

// One value of every range, divided by `scale`.
template <class Get>
std::vector<float> PerRange(Get get, float scale) {
  std::vector<float> values(Settings::kRangeCount);
  for (int range = 0; range < Settings::kRangeCount; ++range) values[range] = get(range) / scale;
  return values;
}

}  // namespace

const std::string_view& EffectGIMPHueSaturation::GetName() const {
  static constexpr std::string_view kName = "EffectGIMPHueSaturation";
  return kName;
}

void EffectGIMPHueSaturation::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                         double, double, ShaderStorage& storage,
                                         const Ptr<OglCache>&) {
  const auto& s = DrawingSettings();
  constexpr auto kHalfTurn = static_cast<float>(Settings::kHueLimit);
  constexpr auto kPercent = static_cast<float>(Settings::kLimit);
  DrawSinglePass(
      storage, storage.MakeShader(kShader), *target, *source, [&](ShaderProgram& program) {
        program.Uniform("hue", PerRange([&](int r) { return s.GetHue(r); }, kHalfTurn));
        program.Uniform("saturation",
                        PerRange([&](int r) { return s.GetSaturation(r); }, kPercent));
        program.Uniform("lightness", PerRange([&](int r) { return s.GetLightness(r); }, kPercent));
        // Half the overlap on each side of a sector's edge.
        program.Uniform("overlap", s.GetOverlap() / kPercent * 0.5f);
        program.Uniform("intensity", s.GetIntensity());
      });
}

}  // namespace Obrisk::Ogl
