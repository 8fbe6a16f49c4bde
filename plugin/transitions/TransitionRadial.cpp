#include "transitions/TransitionRadial.h"

#include <numbers>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionRadial", Shader::FullFrame, R"(
uniform sampler2D tex_top;
uniform sampler2D tex_bot;
uniform float progress;
uniform float revertaspect;
varying vec2 TexCoord0;

const float M_PI = 3.1415927;
// Width of the soft edge ahead of the hand, as an arc length: 1 / (100 pi).
const float kEdge = 0.0031830988618379067;

// The hand points down from the centre at angle 0 and turns anticlockwise to
// `progress`; behind it the bottom input shows, ahead of it the top one.
void main() {
  vec2 n = TexCoord0 - 0.5;
  float radius = length(n);
  // The angle on the picture (y scaled to x's units) from the downward ray,
  // 0 to 2 pi; the two-argument atan keeps the centre column right. The
  // centre itself has no direction and counts as angle 0.
  float angle = radius > 0.0 ? mod(atan(revertaspect * n.y, n.x) + 0.5 * M_PI, 2.0 * M_PI) : 0.0;
  float s = (angle - progress) * radius;
  // The soft band never reaches back over the downward ray: while the hand
  // is near it, the band is only as wide as the arc already swept.
  float edge = min(kEdge, progress * radius);
  vec4 top = texture2D(tex_top, TexCoord0);
  vec4 bot = texture2D(tex_bot, TexCoord0);
  if (angle < progress) {
    gl_FragColor = bot;
  } else if (s >= edge) {
    gl_FragColor = top;
  } else {
    gl_FragColor = obrisk_mixRGBA_(bot, top, s / edge);
  }
}
)",
                                 "Proc/Effects/Quenvara/TransitionRadial"};

}  // namespace

const std::string_view& TransitionRadial::GetName() const {
  static constexpr std::string_view kName = "TransitionRadial";
  return kName;
}

// Covering is uncovering played backwards.
void TransitionRadial::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  const bool cover = DrawingSettings().GetDirection() == Proc::TransitionRadialDirection::Cover;
  const double aspect = first->GetFrameInfo().DisplayAspect();
  TransitionPlayback play = Play(ConvertInputs(*first, *second, storage), progress, cover);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex_top", 0);
  program.Uniform("tex_bot", 1);
  program.Uniform("progress", 2.0 * std::numbers::pi * play.progress);
  program.Uniform("revertaspect", 1.0 / aspect);
  DrawFullScreenAtTexels(storage, program, *target,
                         {play.frames.first.get(), play.frames.second.get()});
}

}  // namespace Obrisk::Ogl
