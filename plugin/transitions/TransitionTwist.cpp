#include "transitions/TransitionTwist.h"

#include <string>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// What the four programs share. A line sweeps across the picture; where it
// has passed, the card shows its back. X (-1 to 1) is a pixel's place
// relative to the line, and the card is squeezed towards its middle by
// |sin(pi/2 X)|, edge-on where the line is. The shading `indent` darkens the
// card's edges while it is squeezed.
constexpr const char* kCard = R"(
uniform sampler2D tex1;  // the card's front
uniform sampler2D tex2;  // its back
uniform float transition;
uniform float rAspect;
varying vec2 TexCoord0;

const float HALF_PI = 3.1416 / 2.0;
// Keeps the squeeze finite where the card is edge-on (sin = 0).
const float kEdgeOn = 1.0e-6;

float Squeeze(float X) {
  return max(abs(sin(HALF_PI * X)), kEdgeOn);
}

// The card at c: its front until the line has passed (X >= 0), then its back;
// transparent off the card.
vec4 Card(float X, vec2 c, bool onCard, float indent) {
  vec4 color = X < 0.0 ? texture2D(tex2, c) : texture2D(tex1, c);
  color *= onCard ? 1.0 : 0.0;
  return vec4(color.rgb * indent, color.a);
}
)";

// Shading of the straight sweeps: edges within 1/800 darken.
constexpr const char* kHorizontal = R"(
void main() {
  float X = clamp(TexCoord0.x + transition, -1.0, 1.0);
  float k = (TexCoord0.y - 0.5) / Squeeze(X);
  vec2 c = vec2(TexCoord0.x, k + 0.5);
  float deform = min(1.0, length((TexCoord0 - c) * vec2(rAspect, 1.0)) * 800.0);
  float indent = 1.0 - (1.0 - min(1.0, min(c.y, 1.0 - c.y) * 800.0 * abs(X))) * deform;
  gl_FragColor = Card(X, c, abs(k) <= 0.5, indent);
}
)";

constexpr const char* kVertical = R"(
void main() {
  float X = clamp(TexCoord0.y + transition, -1.0, 1.0);
  float k = (TexCoord0.x - 0.5) / Squeeze(X);
  vec2 c = vec2(k + 0.5, TexCoord0.y);
  float deform = min(1.0, length((TexCoord0 - c) * vec2(rAspect, 1.0)) * 800.0);
  float indent =
      1.0 - (1.0 - min(1.0, min(c.x, 1.0 - c.x) * rAspect * 800.0 * abs(X))) * deform;
  gl_FragColor = Card(X, c, abs(k) <= 0.5, indent);
}
)";

// The diagonal sweeps squeeze across the other diagonal through the matrix
// `across`; their edges are chamfered over 1/500.
constexpr const char* kDiagonal = R"(
vec4 DiagonalCard(float X, mat2 across) {
  vec2 st = across * (TexCoord0 - 0.5);
  vec2 c = st + 0.5;
  float deform = min(1.0, 500.0 * distance(TexCoord0, c));
  float edge = min(min(c.x, 1.0 - c.x) * rAspect, min(c.y, 1.0 - c.y));
  float indent = 1.0 - (1.0 - min(1.0, edge * 500.0 * abs(X) * (1.0 + deform))) * deform;
  return Card(X, c, max(abs(st.x), abs(st.y)) <= 0.5, indent);
}
)";

constexpr const char* kDiagonal1 = R"(
void main() {
  float X = clamp(TexCoord0.x + TexCoord0.y + transition, -1.0, 1.0);
  float k = 0.5 / Squeeze(X);
  gl_FragColor = DiagonalCard(X, mat2(0.5 + k, 0.5 - k, 0.5 - k, 0.5 + k));
}
)";

constexpr const char* kDiagonal2 = R"(
void main() {
  float X = clamp(TexCoord0.x + 1.0 - TexCoord0.y + transition, -1.0, 1.0);
  float k = 0.5 / Squeeze(X);
  gl_FragColor = DiagonalCard(X, mat2(0.5 + k, k - 0.5, k - 0.5, 0.5 + k));
}
)";

const ShaderSourceKeeper kTwistHoriz{
    "TransitionTwistHoriz", Shader::FullFrame,
    ShaderSourceFunction([] { return std::string(kCard) + kHorizontal; }),
    "Proc/Effects/Quenvara/TransitionTwist"};
const ShaderSourceKeeper kTwistVert{
    "TransitionTwistVert", Shader::FullFrame,
    ShaderSourceFunction([] { return std::string(kCard) + kVertical; }),
    "Proc/Effects/Quenvara/TransitionTwist"};
const ShaderSourceKeeper kTwistDiag1{
    "TransitionTwistDiag1", Shader::FullFrame,
    ShaderSourceFunction([] { return std::string(kCard) + kDiagonal + kDiagonal1; }),
    "Proc/Effects/Quenvara/TransitionTwist"};
const ShaderSourceKeeper kTwistDiag2{
    "TransitionTwistDiag2", Shader::FullFrame,
    ShaderSourceFunction([] { return std::string(kCard) + kDiagonal + kDiagonal2; }),
    "Proc/Effects/Quenvara/TransitionTwist"};

using Program = decltype(kTwistHoriz);

// A type's program, whether it plays backwards, and how far the line must
// travel (3 across a straight sweep, 4 across a diagonal one, whose X spans 2
// more than a straight one's): transition = 1 - travel * p.
struct Twist {
  const Program& program;
  bool reversed;
  double travel;
};

constexpr double kStraightTravel = 3.0;
constexpr double kDiagonalTravel = 4.0;

// Values outside the enumeration twist vertically.
Twist TwistOf(Proc::TwistType type) {
  using Proc::TwistType;
  switch (type) {
    case TwistType::HorizontalReversed:
      return {kTwistHoriz, true, kStraightTravel};
    case TwistType::Diagonal2Reversed:
      return {kTwistDiag2, true, kDiagonalTravel};
    case TwistType::Diagonal1Reversed:
      return {kTwistDiag1, true, kDiagonalTravel};
    case TwistType::Horizontal:
      return {kTwistHoriz, false, kStraightTravel};
    case TwistType::Diagonal1:
      return {kTwistDiag1, false, kDiagonalTravel};
    case TwistType::Diagonal2:
      return {kTwistDiag2, false, kDiagonalTravel};
    case TwistType::VerticalReversed:
      return {kTwistVert, true, kStraightTravel};
    case TwistType::Vertical:
    default:
      return {kTwistVert, false, kStraightTravel};
  }
}

}  // namespace

const std::string_view& TransitionTwist::GetName() const {
  static constexpr std::string_view kName = "TransitionTwist";
  return kName;
}

// Played forwards the card's front is the first picture and its back the
// second; backwards, the second picture's card turns back to the first.
void TransitionTwist::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                 const Ptr<DataVideoOGL>& second, double, double progress,
                                 ShaderStorage& storage, const Ptr<OglCache>&) {
  const Twist twist = TwistOf(DrawingSettings().GetType());
  const TransitionPlayback play =
      Play(ConvertInputs(*first, *second, storage), progress, twist.reversed);
  ShaderProgram& program = storage.MakeShader(twist.program);
  program.Use();
  program.Uniform("tex1", 0);
  program.Uniform("tex2", 1);
  program.Uniform("transition", 1.0 - twist.travel * play.progress);
  program.Uniform("rAspect", 1.0 / target->GetFrameInfo().DisplayAspect());
  DrawFullScreen(storage, program, *target, {play.frames.first.get(), play.frames.second.get()});
}

}  // namespace Obrisk::Ogl
