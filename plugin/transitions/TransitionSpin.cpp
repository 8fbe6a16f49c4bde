#include "transitions/TransitionSpin.h"

#include <cmath>
#include <numbers>
#include <string>

#include <glm/vec2.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionOverlay.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// The spinning picture's alpha near its edges: o is twice the distance of
// the pixel from the nearest edge, in destination pixels (`eps_1` is twice
// the picture's size in pixels), so the ramp runs from 0 at the edge to 1
// half a pixel inside, and a full-size picture keeps its border pixels whole.
constexpr const char* kEdgeRamp = R"(
uniform vec2 eps_1;
varying vec2 TexCoord0;

float EdgeRamp() {
  vec2 o = eps_1 * min(TexCoord0, 1.0 - TexCoord0);
  return clamp(min(o.x, o.y), 0.0, 1.0);
}
)";

const ShaderSourceKeeper kSpin1{"TransitionSpin1", Shader::FullFrame, ShaderSourceFunction([] {
                                  return std::string(kEdgeRamp) + R"(
uniform sampler2D tex;

// The picture, its alpha softened at the edges.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(color.rgb, min(EdgeRamp(), color.a));
}
)";
                                }),
                                "Proc/Effects/Quenvara/TransitionSpin"};

const ShaderSourceKeeper kSpin2{"TransitionSpin2", Shader::FullFrame, ShaderSourceFunction([] {
                                  return std::string(kEdgeRamp) + R"(
// No colour; alpha 0 inside the shape, rising to 1 at its edges.
void main() {
  gl_FragColor = vec4(0.0, 0.0, 0.0, 1.0 - EdgeRamp());
}
)";
                                }),
                                "Proc/Effects/Quenvara/TransitionSpin"};

// The whole picture turned by (q - 1) quarter half-turns and scaled by q
// about the centre. It turns as a rigid picture: the rotation is made in
// coordinates proportional to displayed distances (x times the display
// aspect), so a wide frame is not sheared.
PackedMesh SpinningQuad(float q, float aspect) {
  const float angle = (q - 1.0f) * std::numbers::pi_v<float> / 4.0f;
  const float cosine = std::cos(angle);
  const float sine = std::sin(angle);
  const auto corner = [&](float s, float t) {
    const float x = (2.0f * s - 1.0f) * aspect;
    const float y = 2.0f * t - 1.0f;
    return QuadVertex{s, t, q * (cosine * x - sine * y) / aspect, q * (sine * x + cosine * y)};
  };
  PackedMesh quad;
  quad.AddQuad({corner(0.0f, 0.0f), corner(1.0f, 0.0f), corner(1.0f, 1.0f), corner(0.0f, 1.0f)});
  return quad;
}

}  // namespace

const std::string_view& TransitionSpin::GetName() const {
  static constexpr std::string_view kName = "TransitionSpin";
  return kName;
}

// Spinning in: the second picture spins in over the first, q = p. Spinning
// out plays that backwards: the first spins out over the second. Any type
// but SpinIn spins out.
void TransitionSpin::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                const Ptr<DataVideoOGL>& second, double, double progress,
                                ShaderStorage& storage, const Ptr<OglCache>&) {
  const bool out = DrawingSettings().GetType() != Proc::SpinType::SpinIn;
  const DataVideoOGL& spinning = out ? *first : *second;
  const DataVideoOGL& behind = out ? *second : *first;
  const TransitionPlayback play = Play(ConvertInputs(*first, *second, storage), progress, out);
  const auto q = static_cast<float>(play.progress);
  const Proc::FrameInfo& info = target->GetFrameInfo();

  ShaderProgram& copy = storage.GetShaderProgram(BuiltinProgram::kCopy);
  copy.Use();
  copy.Uniform("tex", 0);
  DrawFullScreen(storage, copy, *target, {play.frames.first.get()});

  const TransitionBlending blending;
  const bool cutout = SetOverlayBlending(spinning, behind) == OverlayKind::Cutout;
  ShaderProgram& program = storage.MakeShader(cutout ? kSpin2 : kSpin1);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("eps_1", glm::vec2(2.0f * q * static_cast<float>(info.width),
                                     2.0f * q * static_cast<float>(info.height)));
  DrawQuadsWith(program, SpinningQuad(q, static_cast<float>(info.DisplayAspect())),
                {play.frames.second.get()});
}

}  // namespace Obrisk::Ogl
