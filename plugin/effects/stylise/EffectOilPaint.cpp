#include "effects/stylise/EffectOilPaint.h"

#include <algorithm>
#include <cmath>

#include "effects/stylise/StylisePasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kAnalysis{"EffectOilPaintAnalysis", Shader::FullFrame, R"(
uniform sampler2D src;
uniform int radius;
uniform vec2 stepOrign;
uniform vec2 sizeAnalysis;
varying vec2 TexCoord0;

// The window of (radius + 1)^2 source texels whose lower-left corner is
// this texel's position less the radius: its mean colour, and the summed
// variance of its colour channels in alpha (never 0).
void main() {
  vec2 corner = floor(TexCoord0 * sizeAnalysis) - float(radius);
  vec3 sum = vec3(0.0);
  vec3 squares = vec3(0.0);
  for (int j = 0; j <= radius; ++j) {
    for (int i = 0; i <= radius; ++i) {
      vec3 c = texture2D(src, (corner + vec2(float(i), float(j)) + 0.5) * stepOrign).rgb;
      sum += c;
      squares += c * c;
    }
  }
  float count = float((radius + 1) * (radius + 1));
  vec3 mean = sum / count;
  vec3 variance = squares / count - mean * mean;
  gl_FragColor = vec4(mean, variance.r + variance.g + variance.b + 0.00001);
}
)",
                                   "Proc/Effects/Quenvara/EffectOilPaint"};

const ShaderSourceKeeper kPaint{"EffectOilPaint", Shader::FullFrame, R"(
uniform sampler2D stat;
uniform sampler2D orign;
uniform int radius;
uniform vec2 stepAnalysis;
uniform vec2 sizeOrign;
varying vec2 TexCoord0;

vec4 Window(vec2 position) { return texture2D(stat, position * stepAnalysis); }

// The four windows with this pixel as their upper-right, upper-left,
// lower-right and lower-left corner; the flattest wins, the earlier on a tie.
void main() {
  vec2 p = TexCoord0 * sizeOrign;
  float r = float(radius);
  vec4 windows[4];
  windows[0] = Window(p);
  windows[1] = Window(p + vec2(r, 0.0));
  windows[2] = Window(p + vec2(0.0, r));
  windows[3] = Window(p + vec2(r, r));
  vec4 best = windows[0];
  for (int i = 1; i < 4; ++i) {
    if (windows[i].a < best.a) best = windows[i];
  }
  gl_FragColor = vec4(best.rgb, texture2D(orign, TexCoord0).a);
}
)",
                                "Proc/Effects/Quenvara/EffectOilPaint"};

// The radius is in thousandths of the longer side.
constexpr unsigned kPerMille = 1000;

}  // namespace

const std::string_view& EffectOilPaint::GetName() const {
  static constexpr std::string_view kName = "EffectOilPaint";
  return kName;
}

void EffectOilPaint::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectOilPaint& settings = DrawingSettings();
  const Proc::FrameInfo& info = target->GetFrameInfo();
  const auto width = static_cast<unsigned>(info.width);
  const auto height = static_cast<unsigned>(info.height);
  const auto scaled = static_cast<unsigned>(std::max(
      0.0f, std::trunc(static_cast<float>(settings.GetRadius()) * settings.GetIntensity())));
  const unsigned radius = scaled * std::max(width, height) / kPerMille;
  Proc::FrameInfo analysisInfo = info;
  analysisInfo.width = static_cast<int>(width + radius);
  analysisInfo.height = static_cast<int>(height + radius);
  Ptr<Frame> analysis =
      Frame::CreateIntermediate(target->GetColorSpace(), Proc::kPixFmtAlpha, analysisInfo);
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);

  glBindSampler(0, storage.NearestSampler());
  DrawFullFrame(storage, storage.MakeShader(kAnalysis), analysis->GetFirstTexture(),
                [&](ShaderProgram& program) {
                  program.Uniform("src", 0);
                  program.Uniform("radius", static_cast<int>(radius));
                  program.Uniform("stepOrign", 1.0 / width, 1.0 / height);
                  program.Uniform("sizeAnalysis", static_cast<float>(analysisInfo.width),
                                  static_cast<float>(analysisInfo.height));
                  rgba->GetFirstTexture().Use(0);
                });
  DrawFullFrame(
      storage, storage.MakeShader(kPaint), target->GetFirstTexture(), [&](ShaderProgram& program) {
        program.Uniform("stat", 0);
        program.Uniform("orign", 1);
        program.Uniform("radius", static_cast<int>(radius));
        program.Uniform("stepAnalysis", 1.0 / analysisInfo.width, 1.0 / analysisInfo.height);
        program.Uniform("sizeOrign", static_cast<float>(width), static_cast<float>(height));
        analysis->GetFirstTexture().Use(0);
        rgba->GetFirstTexture().Use(1);
      });
  glBindSampler(0, 0);
}

}  // namespace Obrisk::Ogl
