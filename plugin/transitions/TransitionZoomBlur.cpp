#include "transitions/TransitionZoomBlur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <utility>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionPasses.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// Each picture is zoomed towards its centre by z (negative: away from it)
// and averaged over 21 samples along the zoom, spaced more widely away from
// the centre; the centre itself stays in place.
const ShaderSourceKeeper kShader{"TransitionZoomBlur", Shader::FullFrame, R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform vec2 zoomScale;
uniform vec2 blurScale;
uniform float extAlpha;
varying vec2 TexCoord0;

const int kSamples = 21;

vec4 ZoomBlur(sampler2D tex, float zoom, float blur) {
  vec2 c = TexCoord0 + (0.5 - TexCoord0) * zoom;
  vec2 e = 0.5 - c;
  vec2 step = abs(e) * e * blur / 20.0;
  vec4 sum = vec4(0.0);
  for (int i = 0; i < kSamples; ++i) sum += texture2D(tex, c + float(i) * step);
  return sum / float(kSamples);
}

void main() {
  if (extAlpha <= 0.0) {
    gl_FragColor = ZoomBlur(tex0, zoomScale.x, blurScale.x);
  } else if (extAlpha >= 1.0) {
    gl_FragColor = ZoomBlur(tex1, zoomScale.y, blurScale.y);
  } else {
    gl_FragColor = obrisk_mixRGBA_(ZoomBlur(tex0, zoomScale.x, blurScale.x),
                                   ZoomBlur(tex1, zoomScale.y, blurScale.y), extAlpha);
  }
}
)",
                                 "Proc/Effects/Quenvara/TransitionZoomBlur"};

// The signs of the first and the second picture's zoom for each type.
const std::map<std::int32_t, std::pair<double, double>> kSigns{
    {0, {1.0, -1.0}}, {1, {-1.0, 1.0}}, {2, {1.0, 1.0}}, {3, {-1.0, -1.0}}};

std::pair<double, double> SignsOf(Proc::ZoomBlurType type) {
  const auto found = kSigns.find(static_cast<std::int32_t>(type));
  if (found == kSigns.end()) throw std::invalid_argument("Invalid zoom blur transition type");
  return found->second;
}

// A picture zoomed away from its centre samples beyond its edges: mirrored
// copies there; zoomed in, it never does.
GLint WrapFor(double scale) {
  return scale < 0.0 ? GL_MIRRORED_REPEAT : GL_CLAMP_TO_EDGE;
}

}  // namespace

const std::string_view& TransitionZoomBlur::GetName() const {
  static constexpr std::string_view kName = "TransitionZoomBlur";
  return kName;
}

void TransitionZoomBlur::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                    const Ptr<DataVideoOGL>& second, double, double progress,
                                    ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  const auto [sign0, sign1] = SignsOf(settings.GetType());
  const double overlap = settings.GetOverlap();
  const double power = settings.GetPower();
  // Each picture moves over w of the duration; the two meet for `overlap`.
  const double w = 0.5 * overlap + 0.5;
  const double s0 = std::pow(std::min(1.0, progress / w), power) * sign0;
  const double s1 = std::pow(std::min(1.0, (1.0 - progress) / w), power) * sign1;
  const double weight = overlap > 0.0 ? std::clamp((w + progress - 1.0) / overlap, 0.0, 1.0)
                                      : (progress < 0.5 ? 0.0 : 1.0);

  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  program.Uniform("zoomScale", settings.GetZoom() * s0, settings.GetZoom() * s1);
  program.Uniform("blurScale", settings.GetBlur() * s0, settings.GetBlur() * s1);
  program.Uniform("extAlpha", weight);
  const ScopedSampling firstSampling(WrapFor(s0), {0});
  const ScopedSampling secondSampling(WrapFor(s1), {1});
  DrawFullScreen(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
