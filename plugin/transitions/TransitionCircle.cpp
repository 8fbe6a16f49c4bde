#include "transitions/TransitionCircle.h"

#include <algorithm>
#include <cmath>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionCircle", Shader::FullFrame, R"(
uniform sampler2D tex_top;
uniform sampler2D tex_bot;
uniform float aspect;
uniform float radius;
varying vec2 TexCoord0;

// Width of the soft edge inside the circle, in frame heights.
const float kEdge = 0.005;

// Outside the circle the top input shows, inside the bottom one, with a soft
// band just inside the rim.
void main() {
  vec4 top = texture2D(tex_top, TexCoord0);
  vec4 bot = texture2D(tex_bot, TexCoord0);
  float d = length((TexCoord0 - 0.5) * vec2(aspect, 1.0)) - radius;
  if (d >= 0.0) {
    gl_FragColor = top;
  } else if (d < -kEdge) {
    gl_FragColor = bot;
  } else {
    gl_FragColor = obrisk_mixRGBA_(bot, top, d / kEdge + 1.0);
  }
}
)",
                                 "Proc/Effects/Quenvara/TransitionCircle"};

// The shader's soft edge, and how far the full circle reaches past the
// corners: 0.5 % of the half diagonal, but never less than the soft edge,
// so that at the end no corner keeps any of the top input.
constexpr double kEdge = 0.005;
constexpr double kOvershoot = 1.005;

// The radius of the full circle for display aspect `aspect`, in frame heights.
double FullRadius(double aspect) {
  const double halfDiagonal = std::sqrt(aspect * aspect + 1.0) * 0.5;
  return std::max(halfDiagonal * kOvershoot, halfDiagonal + kEdge);
}

}  // namespace

const std::string_view& TransitionCircle::GetName() const {
  static constexpr std::string_view kName = "TransitionCircle";
  return kName;
}

// Growing, the second input fills the circle; shrinking is growing played
// backwards, the first input inside.
void TransitionCircle::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  const bool grow = DrawingSettings().GetDirection() == Proc::TransitionCircleDirection::Grow;
  const double aspect = first->GetFrameInfo().DisplayAspect();
  TransitionPlayback play = Play(ConvertInputs(*first, *second, storage), progress, !grow);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex_top", 0);
  program.Uniform("tex_bot", 1);
  program.Uniform("aspect", aspect);
  program.Uniform("radius", play.progress * FullRadius(aspect));
  DrawFullScreenAtTexels(storage, program, *target,
                         {play.frames.first.get(), play.frames.second.get()});
}

}  // namespace Obrisk::Ogl
