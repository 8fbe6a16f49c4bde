#include "transitions/TransitionRoll.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <tuple>
#include <utility>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionOverlay.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// The roll's band as seen from the front: `along` is the texture axis the
// roll moves on ("x" or "y"), `mirrored` when it starts from the far edge.
// Behind the axis the paper is wound up: the pixel shows the back of the
// sheet, or, where the winding has not covered it yet, its front seen
// through the roll; both shaded by the cylinder's slope.
std::string RollText(const char* along, bool mirrored) {
  const std::string u =
      mirrored ? std::string("1.0 - TexCoord0.") + along : std::string("TexCoord0.") + along;
  const std::string back = mirrored ? "1.0 - s" : "s";
  return R"(
uniform sampler2D tex1;
uniform float cx;
uniform float R;
varying vec2 TexCoord0;

const float PI = 3.1416;

void main() {
  float axis = )" +
         std::string(mirrored ? "1.0 - cx" : "cx") + R"(;
  float phi = asin(clamp(()" +
         u + R"( - axis) / R, -1.0, 1.0));
  float s = axis - R * (PI + phi);
  bool front = s < 0.0;
  if (front) s += R * (PI + 2.0 * phi);
  vec2 st = TexCoord0;
  st.)" + along +
         " = " + back + R"(;
  vec4 colour = texture2D(tex1, st);
  float D = 0.2 + 0.8 * cos(phi);
  float k = 0.3 / (16.0 * (1.0 - D) + D);
  gl_FragColor = vec4((front ? colour.rgb : colour.rgb + k) * D, colour.a);
}
)";
}

const ShaderSourceKeeper kLeft{"TransitionRollLeft", Shader::FullFrame,
                               ShaderSourceFunction([] { return RollText("x", true); }),
                               "Proc/Effects/Quenvara/TransitionRoll"};
const ShaderSourceKeeper kRight{"TransitionRollRight", Shader::FullFrame,
                                ShaderSourceFunction([] { return RollText("x", false); }),
                                "Proc/Effects/Quenvara/TransitionRoll"};
const ShaderSourceKeeper kUp{"TransitionRollUp", Shader::FullFrame,
                             ShaderSourceFunction([] { return RollText("y", true); }),
                             "Proc/Effects/Quenvara/TransitionRoll"};
const ShaderSourceKeeper kDown{"TransitionRollDown", Shader::FullFrame,
                               ShaderSourceFunction([] { return RollText("y", false); }),
                               "Proc/Effects/Quenvara/TransitionRoll"};

// The roll's radius grows with the paper wound: `size` 600 is a paper 0.4
// thick in texture units.
constexpr double kThicknessPerSize = 0.4 / 600.0;

// A span [from, to] of the rolling axis (sorted, clamped to the picture) as
// a quad across the whole other axis: clip position 2 (s, t) - 1.
PackedMesh SpanQuad(double from, double to, bool alongX, bool mirrored) {
  double a = std::clamp(std::min(from, to), 0.0, 1.0);
  double b = std::clamp(std::max(from, to), 0.0, 1.0);
  if (mirrored) std::tie(a, b) = std::pair{1.0 - b, 1.0 - a};
  const auto lo = static_cast<float>(a);
  const auto hi = static_cast<float>(b);
  PackedMesh mesh;
  if (alongX) {
    mesh.AddQuad(
        QuadBetween({lo, 0.0f, 2.0f * lo - 1.0f, -1.0f}, {hi, 1.0f, 2.0f * hi - 1.0f, 1.0f}));
  } else {
    mesh.AddQuad(
        QuadBetween({0.0f, lo, -1.0f, 2.0f * lo - 1.0f}, {1.0f, hi, 1.0f, 2.0f * hi - 1.0f}));
  }
  return mesh;
}

}  // namespace

RollBand RollBandAt(double q, int size) {
  const double r = size * kThicknessPerSize;
  // At q = 1 the band has just left the picture: axis - radius = 1.
  const double axis = (std::sqrt((r + 4.0) * r) + r + 2.0) / 2.0 * q;
  if (axis <= 0.0) return {};
  const double radius = std::sqrt(axis * r);
  const double turned = axis / radius;
  constexpr double kPi = std::numbers::pi;
  if (turned < kPi / 2.0) return {axis, radius, axis - radius * std::sin(turned), axis};
  if (turned < 3.0 * kPi / 2.0) {
    return {axis, radius, axis - radius, std::max(axis - radius * std::sin(turned), axis)};
  }
  return {axis, radius, axis - radius, axis + radius};
}

const std::string_view& TransitionRoll::GetName() const {
  static constexpr std::string_view kName = "TransitionRoll";
  return kName;
}

// Unrolling plays rolling backwards, from the opposite edge. Along the
// rolling axis: the second picture up to the roll's axis, the first from
// the band on, and the band over both.
void TransitionRoll::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                const Ptr<DataVideoOGL>& second, double, double progress,
                                ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  const bool unroll = settings.GetType() == Proc::RollType::Unroll;
  auto direction = static_cast<int>(settings.GetDir());
  if (unroll) direction ^= 1;
  const TransitionPlayback play = Play(ConvertInputs(*first, *second, storage), progress, unroll);
  const RollBand band = RollBandAt(play.progress, settings.GetSize());
  const bool alongX = direction < 2;
  const bool mirrored = direction == 0 || direction == 2;

  storage.FBO().Attach(target->GetFirstTexture());
  DrawThroughQuads(*play.frames.first, SpanQuad(band.from, 1.0, alongX, mirrored), storage);
  DrawThroughQuads(*play.frames.second, SpanQuad(0.0, band.to, alongX, mirrored), storage);
  if (band.radius <= 0.0) return;
  const ShaderSourceKeeper<Shader::Id, ShaderSourceFunction>* programs[] = {&kLeft, &kRight, &kUp,
                                                                            &kDown};
  ShaderProgram& program = storage.MakeShader(*programs[direction]);
  program.Use();
  program.Uniform("tex1", 0);
  program.Uniform("cx", mirrored ? 1.0 - band.axis : band.axis);
  program.Uniform("R", band.radius);
  DrawQuadsWith(program, SpanQuad(band.from, band.to, alongX, mirrored), {play.frames.first.get()});
}

}  // namespace Obrisk::Ogl
