#include "effects/retro/EffectVHS.h"

#include <cmath>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectVHS", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec2 shift;
uniform float relief;
uniform float h_freq;
uniform int drawBorderFlag;
varying vec2 TexCoord0;

const float waveFr = 3.0;       // tears over the picture height
const float TWO_PI = 6.283185307179586;
const float border = 0.025;     // height of each black band
const float scl = 0.005;        // sideways stretch of a line band

void main() {
  vec2 c = TexCoord0 + shift;
  // The line band this row falls in, and a phase for it.
  float y = floor(c.y / h_freq) * h_freq;
  float sh = shift.y + y;
  // Each band stretched about the centre by its own amount.
  c.x = (c.x - 0.5) * (1.0 + (2.0 * scl * fract(90.0 * sh) - scl) * relief) + 0.5;
  // A fine ripple along the band.
  c.x += 0.2 * scl * sin((10.0 * sh + c.x) * 30.0 * TWO_PI) * relief;
  // Slow sideways waves over the bands.
  c.x -= dot(sin(vec4(17.0, 5.0, 3.0, 1.0) * vec4(sh, y, sh, y) * TWO_PI) * relief,
             vec4(0.001, 0.006, 0.008, 0.01));
  // Saw-tooth tears that roll through the picture.
  c.x -= clamp(abs(fract((y - TexCoord0.y / 2.0) * waveFr) - 0.5) * 5.0 * waveFr, 0.0, 1.0) *
         0.04 * relief;
  c = fract(c);
  // 1 in the top and bottom bands of the rolled picture, else 0.
  float b = 0.0;
  if (drawBorderFlag == 1) b = floor(abs(c.y - 0.5) / (0.5 - border));
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex, c), vec4(0.0, 0.0, 0.0, 1.0), b);
}
)",
                                 "Proc/Effects/Quenvara/EffectVHS"};

// Band height, in texture coordinates, of a line height of 1.
constexpr double kBandHeight = 0.004;
// Without a band height (intensity 0) the picture is one band.
constexpr double kWholePicture = 1.0;

}  // namespace

const std::string_view& EffectVHS::GetName() const {
  static constexpr std::string_view kName = "EffectVHS";
  return kName;
}

void EffectVHS::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                           double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectVHS& settings = DrawingSettings();
  const double intensity = settings.GetIntensity();
  const double roll = static_cast<float>(intensity * settings.GetSpeed()) * time;
  const float lineHeight = static_cast<float>(intensity * settings.GetLineHeight());
  const double bandHeight = lineHeight > 0.0f ? kBandHeight / lineHeight : kWholePicture;
  DrawFilteredPass(storage, storage.MakeShader(kShader), *target, *source,
                   [&](ShaderProgram& program) {
                     program.Uniform("shift", intensity * settings.GetHorizontalShift(),
                                     roll - std::floor(roll));
                     program.Uniform("relief", intensity * settings.GetRelief() * 4.0);
                     program.Uniform("h_freq", bandHeight);
                     program.Uniform("drawBorderFlag", settings.GetDrawBorder() ? 1 : 0);
                   });
}

}  // namespace Obrisk::Ogl
