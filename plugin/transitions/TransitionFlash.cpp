#include "transitions/TransitionFlash.h"

#include <algorithm>
#include <cmath>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionFlash", Shader::FullFrame, R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float extAlpha;
uniform float abscissa;
varying vec2 TexCoord0;

// The second input over-exposed: its colour grows by the headroom above its
// brightest channel, `abscissa` times over (alpha is not light and stays),
// then the first input is mixed into it.
void main() {
  vec4 c0 = texture2D(tex0, TexCoord0);
  vec4 c1 = texture2D(tex1, TexCoord0);
  float m = max(c1.r, max(c1.g, c1.b));
  c1.rgb += (1.0 - m) * abscissa * c1.rgb;
  gl_FragColor = obrisk_mixRGBA_(c0, c1, extAlpha);
}
)",
                                 "Proc/Effects/Quenvara/TransitionFlash"};

// The exposure 16 p^2 rises to 4 at the midpoint and falls back as 16 (1 - p)^2.
constexpr double kExposureScale = 16.0;

double Exposure(double progress) {
  const double fromEnd = progress < 0.5 ? progress : 1.0 - progress;
  return kExposureScale * fromEnd * fromEnd;
}

}  // namespace

const std::string_view& TransitionFlash::GetName() const {
  static constexpr std::string_view kName = "TransitionFlash";
  return kName;
}

// The mix weight p^(1/4) brings the second input in early, while it is
// still bright.
void TransitionFlash::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                 const Ptr<DataVideoOGL>& second, double, double progress,
                                 ShaderStorage& storage, const Ptr<OglCache>&) {
  TransitionFrames frames = ConvertInputs(*first, *second, storage);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  program.Uniform("extAlpha", std::sqrt(std::sqrt(std::max(progress, 0.0))));
  program.Uniform("abscissa", Exposure(progress));
  DrawFullScreenAtTexels(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
