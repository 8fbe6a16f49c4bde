#include "transitions/TransitionWhoosh.h"

#include <cmath>

#include <glm/vec2.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionPasses.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// The pictures form one strip along the motion: the first with its mirror
// images on either side (texture coordinates -1 to 2), the second one tile
// beyond, reached by adding 1 to each coordinate along the motion. The strip
// is viewed shifted by `shift` and blurred over `radius` behind each point
// with ten samples, jittered per pixel.
const ShaderSourceKeeper kShader{"TransitionWhoosh", Shader::FullFrame, R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform vec2 shift;
uniform float radius;
varying vec2 TexCoord0;

const int kSamples = 10;

// Whether the strip at c is the first picture (or one of its mirror images).
bool OnFirst(vec2 c) {
  return c.x > -1.0 && c.x < 2.0 && c.y > -1.0 && c.y < 2.0;
}

// Sample i of the ten spread over the blur length from q, jittered per pixel.
vec2 SamplePoint(vec2 q, float jitter, int i) {
  return q + (jitter + float(i)) / float(kSamples) * radius * sign(shift);
}

// Adds the samples from i on while they stay on the same picture (`tex`,
// the one `first` names, read at the point moved by `offset`) and returns
// the index after the run.
int AddRun(sampler2D tex, bool first, vec2 offset, vec2 q, float jitter, int i, inout vec4 sum) {
  do {
    sum += texture2D(tex, SamplePoint(q, jitter, i) + offset);
    ++i;
  } while (i < kSamples && OnFirst(SamplePoint(q, jitter, i)) == first);
  return i;
}

// The samples run along a line, which leaves the first picture's tiles at
// most twice: each run of samples on one picture reads that picture alone.
void main() {
  vec2 q = TexCoord0 + shift;
  float jitter = obrisk_rand_(mat2(1.0), vec2(1.0), q);
  vec2 secondOffset = vec2(notEqual(shift, vec2(0.0)));
  vec4 sum = vec4(0.0);
  int i = 0;
  while (i < kSamples) {
    if (OnFirst(SamplePoint(q, jitter, i))) {
      i = AddRun(tex0, true, vec2(0.0), q, jitter, i, sum);
    } else {
      i = AddRun(tex1, false, secondOffset, q, jitter, i, sum);
    }
  }
  gl_FragColor = sum / float(kSamples);
}
)",
                                 "Proc/Effects/Quenvara/TransitionWhoosh"};

// The strip moves three tiles over the transition.
constexpr double kTravel = 3.0;

// The axis along which the view moves (the pictures move the other way);
// values outside the enumeration move right.
glm::dvec2 AxisOf(Proc::WhooshDirection direction) {
  switch (direction) {
    case Proc::WhooshDirection::Left:
      return {1.0, 0.0};
    case Proc::WhooshDirection::Up:
      return {0.0, -1.0};
    case Proc::WhooshDirection::Down:
      return {0.0, 1.0};
    case Proc::WhooshDirection::Right:
    default:
      return {-1.0, 0.0};
  }
}

}  // namespace

const std::string_view& TransitionWhoosh::GetName() const {
  static constexpr std::string_view kName = "TransitionWhoosh";
  return kName;
}

void TransitionWhoosh::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  const glm::dvec2 shift = kTravel * progress * AxisOf(settings.GetDirection());
  // The blur is longest half way (half the maximum scale) and gone at the ends.
  const double halfScale = settings.GetMaxMotionBlurScale() / 2.0;
  const double radius = halfScale - std::abs(2.0 * progress - 1.0) * halfScale;

  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  program.Uniform("shift", shift.x, shift.y);
  program.Uniform("radius", radius);
  const ScopedSampling sampling(GL_MIRRORED_REPEAT, {0, 1});
  DrawFullScreen(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
