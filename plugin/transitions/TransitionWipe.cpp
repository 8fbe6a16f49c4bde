#include "transitions/TransitionWipe.h"

#include <algorithm>

#include <glm/vec4.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// `direction`: xy shifts the coordinate, zw is the axis along which the edge
// moves; the projection runs 0 to 1 over the frame.
const ShaderSourceKeeper kShader{"TransitionWipe", Shader::FullFrame, R"(
uniform sampler2D tex_top;
uniform sampler2D tex_bot;
uniform vec4 direction;
uniform float progress;
uniform float width;
varying vec2 TexCoord0;

// Behind the edge the bottom input shows, ahead of it the top one, over a
// soft band `width` wide.
void main() {
  float s = (progress - dot(TexCoord0 + direction.xy, direction.zw)) / width;
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex_top, TexCoord0), texture2D(tex_bot, TexCoord0),
                                 clamp(s, 0.0, 1.0));
}
)",
                                 "Proc/Effects/Quenvara/TransitionWipe"};

// `direction`: xy is the point in the middle of the side where the wedge
// starts, zw weighs the distance from it across and along the frame.
const ShaderSourceKeeper kCornerShader{"TransitionWipeCorner", Shader::FullFrame, R"(
uniform sampler2D tex_top;
uniform sampler2D tex_bot;
uniform vec4 direction;
uniform float progress;
uniform float width;
varying vec2 TexCoord0;

// The edge is a wedge from the start point that flattens into a straight
// line at the far side.
void main() {
  vec2 n = abs(TexCoord0 - direction.xy);
  n.y = mix(n.y, 0.5, n.x);
  float s = (progress - dot(n, direction.zw)) / width;
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex_top, TexCoord0), texture2D(tex_bot, TexCoord0),
                                 clamp(s, 0.0, 1.0));
}
)",
                                       "Proc/Effects/Quenvara/TransitionWipe"};

// The soft band is (softness + 1) / 5 of the frame wide.
constexpr double kWidthUnit = 0.2;

// The straight edges' shift and axis; diagonal axes weigh x by the display
// aspect so that the edge stays at 45 degrees on the picture.
glm::vec4 StraightDirection(Proc::TransitionWipeDirection direction, float aspect) {
  using D = Proc::TransitionWipeDirection;
  const float ax = aspect / (aspect + 1.0f);
  const float ay = 1.0f / (aspect + 1.0f);
  switch (direction) {
    case D::FromBottom:
      return {0.0f, 0.0f, 0.0f, 1.0f};
    case D::FromRight:
      return {-1.0f, 0.0f, -1.0f, 0.0f};
    case D::FromLeft:
      return {0.0f, 0.0f, 1.0f, 0.0f};
    case D::FromTopRight:
      return {-1.0f, -1.0f, -ax, -ay};
    case D::FromBottomRight:
      return {-1.0f, 0.0f, -ax, ay};
    case D::FromTopLeft:
      return {0.0f, -1.0f, ax, -ay};
    case D::FromBottomLeft:
      return {0.0f, 0.0f, ax, ay};
    default:  // from the top
      return {0.0f, -1.0f, 0.0f, -1.0f};
  }
}

}  // namespace

const std::string_view& TransitionWipe::GetName() const {
  static constexpr std::string_view kName = "TransitionWipe";
  return kName;
}

// The edge runs from just before the frame to a band's width past it, so
// that it starts on the first input and has left at the end.
void TransitionWipe::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                const Ptr<DataVideoOGL>& second, double, double progress,
                                ShaderStorage& storage, const Ptr<OglCache>&) {
  using D = Proc::TransitionWipeDirection;
  const Proc::SettingsTransitionWipe& settings = DrawingSettings();
  const double width = (std::max(settings.GetBorderSoftness(), 0) + 1) * kWidthUnit;
  const float aspect = static_cast<float>(first->GetFrameInfo().DisplayAspect());
  const D direction = settings.GetDirection();
  const bool wedge = direction == D::WedgeFromLeft || direction == D::WedgeFromRight;

  TransitionFrames frames = ConvertInputs(*first, *second, storage);
  ShaderProgram& program = storage.MakeShader(wedge ? kCornerShader : kShader);
  program.Use();
  program.Uniform("tex_top", 0);
  program.Uniform("tex_bot", 1);
  program.Uniform("width", width);
  if (wedge) {
    // The far end of the wedge's edge lies at (aspect + 0.5) / (aspect + 1).
    const float startX = direction == D::WedgeFromLeft ? 0.0f : 1.0f;
    program.Uniform("direction",
                    glm::vec4(startX, 0.5f, aspect / (aspect + 1.0f), 1.0f / (aspect + 1.0f)));
    program.Uniform("progress", ((aspect + 0.5) / (aspect + 1.0) + width) * progress);
  } else {
    program.Uniform("direction", StraightDirection(direction, aspect));
    program.Uniform("progress", (width + 1.0) * progress);
  }
  DrawFullScreenAtTexels(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
