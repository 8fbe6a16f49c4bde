#include "transitions/TransitionSpiral.h"

#include "frame/ShaderSourceKeeper.h"
#include "transitions/HoleTransitions.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionSpiral", Shader::FullFrame, R"(
uniform sampler2D tex_top;
uniform sampler2D tex_bot;
uniform vec2 v_src;
uniform float biggest_side;
uniform vec2 aspect;
uniform float t;
varying vec2 TexCoord0;

// How far from the hole's edge the top input swirls, and the edge's soft
// band (in units of the longer side).
const float kSwirlReach = 0.05;
const float kFadeReach = 1.0 / 300.0;

// L is the distance outside the hole's edge. The top input turns about the
// point by g radians, most at the edge and more as t grows; it fades into
// the bottom input over the soft band. The edge starts kSwirlReach short of
// the point, so that at t = 0 neither swirl nor fade reaches any pixel.
void main() {
  float edge = t * (biggest_side + kSwirlReach) - kSwirlReach;
  float L = max(distance(TexCoord0 * aspect, v_src * aspect) - edge, 0.0);
  float g = max(0.2 * t - (L - kSwirlReach) * (1.0 - t), 0.0) * 20.0;
  g = g * g;
  mat2 turn = mat2(cos(g), sin(g), -sin(g), cos(g));
  vec2 c = turn * ((TexCoord0 - v_src) * aspect) / aspect + v_src;
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex_bot, TexCoord0), texture2D(tex_top, c),
                                 min(L / kFadeReach, 1.0));
}
)",
                                 "Proc/Effects/Quenvara/TransitionSpiral"};

glm::vec2 HolePoint(Proc::TransitionSpiralType type) {
  switch (type) {
    case Proc::TransitionSpiralType::BottomLeft:
      return {0.0f, 0.0f};
    case Proc::TransitionSpiralType::TopRight:
      return {1.0f, 1.0f};
    default:
      return {0.5f, 0.5f};
  }
}

}  // namespace

const std::string_view& TransitionSpiral::GetName() const {
  static constexpr std::string_view kName = "TransitionSpiral";
  return kName;
}

void TransitionSpiral::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  DrawHoleTransition(storage, storage.MakeShader(kShader), *target, *first, *second,
                     HolePoint(DrawingSettings().GetType()), progress);
}

}  // namespace Obrisk::Ogl
