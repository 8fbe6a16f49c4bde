#include "transitions/TransitionLens.h"

#include "frame/ShaderSourceKeeper.h"
#include "transitions/HoleTransitions.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionLens", Shader::FullFrame, R"(
uniform sampler2D tex_top;
uniform sampler2D tex_bot;
uniform vec2 v_src;
uniform float biggest_side;
uniform vec2 aspect;
uniform float t;
varying vec2 TexCoord0;

// How far from the hole's edge the top input is pulled in, and how far it
// fades into the bottom one (in units of the longer side).
const float kPullReach = 0.1;
const float kFadeReach = 0.05;

// L is the distance from the hole's edge. The top input is magnified about
// the point by 1 / (1 - t) and pulled in towards the edge; it fades out
// there and as t nears 1. The edge starts kPullReach short of the point, so
// that at t = 0 neither pull nor fade reaches any pixel.
void main() {
  float edge = t * (biggest_side + kPullReach) - kPullReach;
  float L = distance(TexCoord0 * aspect, v_src * aspect) - edge;
  vec2 c = (TexCoord0 - v_src) * (1.0 - t) * clamp(L / kPullReach, 0.0, 1.0) + v_src;
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex_bot, TexCoord0), texture2D(tex_top, c),
                                 clamp(L / kFadeReach * (1.0 - t), 0.0, 1.0));
}
)",
                                 "Proc/Effects/Quenvara/TransitionLens"};

glm::vec2 HolePoint(Proc::TransitionLensType type) {
  switch (type) {
    case Proc::TransitionLensType::BottomLeft:
      return {0.0f, 0.0f};
    case Proc::TransitionLensType::TopLeft:
      return {0.0f, 1.0f};
    default:
      return {0.5f, 0.5f};
  }
}

}  // namespace

const std::string_view& TransitionLens::GetName() const {
  static constexpr std::string_view kName = "TransitionLens";
  return kName;
}

void TransitionLens::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                const Ptr<DataVideoOGL>& second, double, double progress,
                                ShaderStorage& storage, const Ptr<OglCache>&) {
  DrawHoleTransition(storage, storage.MakeShader(kShader), *target, *first, *second,
                     HolePoint(DrawingSettings().GetType()), progress);
}

}  // namespace Obrisk::Ogl
