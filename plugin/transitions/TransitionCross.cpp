#include "transitions/TransitionCross.h"

#include <algorithm>
#include <string>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionOverlay.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// How far into its piece a point lies: 0 on a cut (a diagonal), rising to 1
// `seam` texture units away (softened cuts; none while the pieces still
// touch: see SeamWidth).
constexpr const char* kInsidePiece = R"(
uniform float seam;
varying vec2 TexCoord0;

float Inside() {
  float d1 = abs(TexCoord0.x - TexCoord0.y);
  float d2 = abs(TexCoord0.x + TexCoord0.y - 1.0);
  return seam > 0.0 ? min(min(d1, d2) / seam, 1.0) : 1.0;
}
)";

const ShaderSourceKeeper kCross1{"TransitionCross1", Shader::FullFrame, ShaderSourceFunction([] {
                                   return std::string(kInsidePiece) + R"(
uniform sampler2D tex0;

// The first picture, its alpha softened at the cuts.
void main() {
  vec4 color = texture2D(tex0, TexCoord0);
  gl_FragColor = vec4(color.rgb, min(Inside(), color.a));
}
)";
                                 }),
                                 "Proc/Effects/Quenvara/TransitionCross"};

const ShaderSourceKeeper kCross2{"TransitionCross2", Shader::FullFrame, ShaderSourceFunction([] {
                                   return std::string(kInsidePiece) + R"(
// No colour; alpha 0 inside the pieces, rising to 1 at the cuts.
void main() {
  gl_FragColor = vec4(0.0, 0.0, 0.0, 1.0 - Inside());
}
)";
                                 }),
                                 "Proc/Effects/Quenvara/TransitionCross"};

// Width of the softened cuts once the pieces have parted, in texture units.
constexpr float kSeamWidth = 1.0f / 200.0f;
// Progress over which the softening grows from none to kSeamWidth, so that
// the first picture is whole at p = 0.
constexpr float kSeamOpening = 0.05f;

float SeamWidth(float p) {
  return kSeamWidth * std::clamp(p / kSeamOpening, 0.0f, 1.0f);
}

// The four triangles between the diagonals, each moved away from the centre
// by p along its own axis and trimmed at the frame's edge (h = p / 2 of the
// picture has left it); gone at p = 1.
PackedMesh Pieces(float p) {
  const float h = p / 2.0f;
  PackedMesh pieces;
  pieces.ReserveQuad(4);
  // Left, bottom, top, right.
  pieces.AddQuad({{{h, h, -1.0f, p - 1.0f},
                   {0.5f, 0.5f, -p, 0.0f},
                   {h, 1.0f - h, -1.0f, 1.0f - p},
                   {h, 0.5f, -1.0f, 0.0f}}});
  pieces.AddQuad({{{h, h, p - 1.0f, -1.0f},
                   {0.5f, 0.5f, 0.0f, -p},
                   {1.0f - h, h, 1.0f - p, -1.0f},
                   {0.5f, h, 0.0f, -1.0f}}});
  pieces.AddQuad({{{h, 1.0f - h, p - 1.0f, 1.0f},
                   {0.5f, 0.5f, 0.0f, p},
                   {1.0f - h, 1.0f - h, 1.0f - p, 1.0f},
                   {0.5f, 1.0f - h, 0.0f, 1.0f}}});
  pieces.AddQuad({{{1.0f - h, 1.0f - h, 1.0f, 1.0f - p},
                   {0.5f, 0.5f, p, 0.0f},
                   {1.0f - h, h, 1.0f, p - 1.0f},
                   {1.0f - h, 0.5f, 1.0f, 0.0f}}});
  return pieces;
}

// The second picture scrolling up by one frame height: one copy spans y from
// 2p - 1 to 2p + 1, the copy below it from 2p - 3 to 2p - 1.
PackedMesh Scrolling(float p) {
  PackedMesh copies;
  copies.ReserveQuad(2);
  copies.AddQuad(FullQuadMovedBy(0.0f, 2.0f * p));
  copies.AddQuad(FullQuadMovedBy(0.0f, 2.0f * p - 2.0f));
  return copies;
}

}  // namespace

const std::string_view& TransitionCross::GetName() const {
  static constexpr std::string_view kName = "TransitionCross";
  return kName;
}

void TransitionCross::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                 const Ptr<DataVideoOGL>& second, double, double progress,
                                 ShaderStorage& storage, const Ptr<OglCache>&) {
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  const auto p = static_cast<float>(progress);
  if (DrawingSettings().GetCross2()) {
    storage.FBO().Attach(target->GetFirstTexture());
    DrawThroughQuads(*frames.second, Scrolling(p), storage);
  } else {
    ShaderProgram& copy = storage.GetShaderProgram(BuiltinProgram::kCopy);
    copy.Use();
    copy.Uniform("tex", 0);
    DrawFullScreenAtTexels(storage, copy, *target, {frames.second.get()});
  }

  const TransitionBlending blending;
  const bool cutout = SetOverlayBlending(*first, *second) == OverlayKind::Cutout;
  ShaderProgram& program = storage.MakeShader(cutout ? kCross2 : kCross1);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("seam", SeamWidth(p));
  DrawQuadsWith(program, Pieces(p), {frames.first.get()});
}

}  // namespace Obrisk::Ogl
