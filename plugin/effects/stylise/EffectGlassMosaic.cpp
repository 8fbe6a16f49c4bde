#include "effects/stylise/EffectGlassMosaic.h"

#include <cmath>

#include <glm/mat2x2.hpp>

#include "effects/stylise/StylisePasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectGlassMosaic", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float curve;
uniform vec2 repeats;
uniform mat2 rotate;
uniform vec2 doublestep;
varying vec2 TexCoord0;

// Ratio of the refractive indices of air and glass.
const float REF = 0.70921985815;
// The tile's depth t falls to 0 at its border, where log(t) / t has no
// value: it is kept at least this deep.
const float kMinDepth = 1.0e-4;

void main() {
  // Position in the turned tile grid and within the tile (-0.5 to 0.5).
  vec2 c = ((TexCoord0 - 0.5) * rotate + 0.5) * repeats;
  vec2 s = fract(c) - 0.5;
  vec2 t = max(1.0 - abs(2.0 * s), kMinDepth);
  // Slope of the tile surface, and its normal.
  vec2 k = curve * 2.0 * s * (log(t) / t);
  vec3 n = normalize(vec3(normalize(vec2(k.x, 1.0)).x, normalize(vec2(k.y, 1.0)).x, -1.0));
  vec2 r = refract(vec3(0.0, 0.0, 1.0), n, REF).xy;
  gl_FragColor = texture2D(tex, clamp(TexCoord0 + r, doublestep, 1.0 - doublestep));
}
)",
                                 "Proc/Effects/Quenvara/EffectGlassMosaic"};

constexpr double kPi = 3.14159265358979323846;
// The curve setting is centred on flat glass (0.5) and scaled by this.
constexpr double kCurveScale = 0.4;
// Tiles per unit of density.
constexpr double kTilesPerDensity = 40.0;

}  // namespace

const std::string_view& EffectGlassMosaic::GetName() const {
  static constexpr std::string_view kName = "EffectGlassMosaic";
  return kName;
}

void EffectGlassMosaic::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                   double, double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectGlassMosaic& settings = DrawingSettings();
  const Proc::FrameInfo& info = target->GetFrameInfo();
  const float theta = static_cast<float>(settings.GetAngle() * kPi * 0.5);
  // Columns (cos, -sin) and (sin, cos).
  const glm::mat2 rotate(std::cos(theta), -std::sin(theta), std::sin(theta), std::cos(theta));
  // Refracted points fall between texels: the source is read with its own
  // (linear) filtering.
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  DrawFullFrame(storage, storage.MakeShader(kShader), target->GetFirstTexture(),
                [&](ShaderProgram& program) {
                  program.Uniform("tex", 0);
                  rgba->GetFirstTexture().Use(0);
                  program.Uniform("curve", (settings.GetCurve() - 0.5) * kCurveScale);
                  program.Uniform("repeats", settings.GetDensityHor() * kTilesPerDensity,
                                  settings.GetDensityVer() * kTilesPerDensity);
                  program.Uniform("rotate", rotate, false);
                  program.Uniform("doublestep", 2.0 / info.width, 2.0 / info.height);
                });
}

}  // namespace Obrisk::Ogl
