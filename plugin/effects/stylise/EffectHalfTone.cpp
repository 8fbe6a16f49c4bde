#include "effects/stylise/EffectHalfTone.h"

#include <algorithm>
#include <cmath>

#include <glm/mat2x2.hpp>
#include <glm/vec3.hpp>

#include "effects/stylise/StylisePasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectHalfTone", Shader::FullFrame, R"(
uniform sampler2D src;
uniform mat2 rotate;
uniform float colour;
uniform float dotSize;
uniform float threshold;
uniform vec2 aspect;
uniform vec3 color1;
uniform vec3 color2;
varying vec2 TexCoord0;

// The screen: a lattice of cosine bumps (-0.5 to 0.5) in turned, square
// coordinates; the luma, pushed up or down by the screen, picks between the
// background and the dot colour.
void main() {
  vec4 source = texture2D(src, TexCoord0);
  vec2 c = (TexCoord0 * aspect) * rotate;
  float pattern = (cos(c.x * dotSize) + cos(c.y * dotSize)) * 0.25;
  float y = obrisk_RGBA2Y_(source);
  float v = clamp((y + (pattern - 0.5) * threshold) / (1.0 - threshold), 0.0, 1.0);
  vec3 dotColour = mix(color2, source.rgb, colour);
  gl_FragColor = vec4(mix(color1, dotColour, v), source.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectHalfTone"};

constexpr double kPi = 3.14159265358979323846;
// A threshold of 1 would divide by zero.
constexpr double kMaxThreshold = 0.999;

glm::vec3 Colour(const Proc::SettingsEffectHalfTone::Rgb& rgb) {
  return glm::vec3(static_cast<float>(rgb.r), static_cast<float>(rgb.g),
                   static_cast<float>(rgb.b)) /
         255.0f;
}

}  // namespace

const std::string_view& EffectHalfTone::GetName() const {
  static constexpr std::string_view kName = "EffectHalfTone";
  return kName;
}

void EffectHalfTone::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectHalfTone& settings = DrawingSettings();
  const Proc::FrameInfo& info = target->GetFrameInfo();
  const double x = settings.GetAngle() * kPi / 180.0;
  // Columns (sin x, cos x) and (-cos x, sin x).
  const glm::mat2 rotate(std::sin(x), std::cos(x), -std::cos(x), std::sin(x));
  const double a = info.DisplayAspect();
  const double dotSize =
      std::min(1.0 / settings.GetDotSize(), 2.0 * std::min(info.width, info.height));
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  DrawFullFrame(storage, storage.MakeShader(kShader), target->GetFirstTexture(),
                [&](ShaderProgram& program) {
                  program.Uniform("src", 0);
                  program.Uniform("rotate", rotate, false);
                  program.Uniform("colour", settings.GetColorMix());
                  program.Uniform("dotSize", dotSize);
                  program.Uniform("threshold", std::min(settings.GetThreshold(), kMaxThreshold));
                  program.Uniform("aspect", a > 1.0 ? 1.0 : a, a > 1.0 ? 1.0 / a : 1.0);
                  program.Uniform("color1", Colour(settings.GetColor1()));
                  program.Uniform("color2", Colour(settings.GetColor2()));
                  rgba->GetFirstTexture().Use(0);
                });
}

}  // namespace Obrisk::Ogl
