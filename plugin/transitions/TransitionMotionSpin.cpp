#include "transitions/TransitionMotionSpin.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

// The trails of the two inputs (empty until drawn) and the progress step
// between frames, measured from the first two frames.
class TransitionMotionSpin::CacheImpl final : public OglCache {
 public:
  // The step after this frame's bookkeeping: the first frame's progress,
  // then the difference of the first two.
  double Step(double progress) {
    if (frame == 1) step = progress;
    if (frame == 2) step = progress - step;
    ++frame;
    return step;
  }

  Ptr<Frame> firstTrail;
  Ptr<Frame> secondTrail;
  std::int32_t frame = 1;
  double step = 0.0;
};

namespace {

// Sub-frames drawn per frame.
constexpr int kSubFrames = 5;

// The picture turned by scale half turns about the centre, in proportions
// of the screen (`aspect` is width over height), after turning it upside
// down when `upsideDown` is set.
const ShaderSourceKeeper kShader{"TransitionMotionSpin", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float scale;
uniform float upsideDown;
uniform float aspect;
varying vec2 TexCoord0;

const float PI = 3.14159265358979323846;

void main() {
  vec2 uv = upsideDown != 0.0 ? vec2(1.0) - TexCoord0 : TexCoord0;
  float a = scale * PI;
  vec2 p = (uv - 0.5) * vec2(aspect, 1.0);
  p = mat2(cos(a), sin(a), -sin(a), cos(a)) * p;
  gl_FragColor = texture2D(tex, p / vec2(aspect, 1.0) + 0.5);
}
)",
                                 "Proc/Effects/Quenvara/TransitionMotionSpin"};

// Half turns made at q: 0 to 0.5 with growing speed, then on to 1 slowing
// down (8 q^4 and its mirror image).
double TurnAt(double q) {
  constexpr double kEase = 8.0;
  return q < 0.5 ? kEase * std::pow(q, 4.0) : 1.0 - kEase * std::pow(1.0 - q, 4.0);
}

// The share of the trail each sub-frame keeps: M half way, none at the ends
// (M - 16 M (p - 0.5)^4), as the motion blur's scale.
double TrailKept(double progress, double maxScale) {
  constexpr double kFall = 16.0;
  return std::clamp(maxScale - kFall * maxScale * std::pow(progress - 0.5, 4.0), 0.0, 1.0);
}

// Draws `program` over the whole attached picture, mixed in with `weight`
// (constant-alpha blending: weight of the new colour, 1 - weight of the old).
void MixIn(ShaderStorage& storage, ShaderProgram& program, double weight) {
  const EnableState blend(GL_BLEND);
  glBlendColor(0.0f, 0.0f, 0.0f, static_cast<float>(weight));
  glBlendFunc(GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA);
  storage.Quad().Draw(program);
}

bool SameGeometry(const Proc::FrameInfo& a, const Proc::FrameInfo& b) {
  return a.width == b.width && a.height == b.height && a.pixelAspectNum == b.pixelAspectNum &&
         a.pixelAspectDen == b.pixelAspectDen;
}

}  // namespace

const std::string_view& TransitionMotionSpin::GetName() const {
  static constexpr std::string_view kName = "TransitionMotionSpin";
  return kName;
}

Ptr<OglCache> TransitionMotionSpin::CreateCache() {
  return MakeRef<CacheImpl>();
}

// Each sub-frame is drawn straight into the trail with constant-alpha
// blending (trail = sub-frame * (1 - kept) + trail * kept): the motion
// blur's mix, without a sub-frame picture to write and read back.
void TransitionMotionSpin::SpinInto(const Frame& target, Frame& input, bool upsideDown,
                                    double progress, double step, ShaderStorage& storage,
                                    Ptr<Frame>& trail) {
  const Proc::FrameInfo& info = target.GetFrameInfo();
  const double sign = DrawingSettings().GetDirection() == 0 ? 1.0 : -1.0;
  const bool fresh = !trail || !SameGeometry(trail->GetFrameInfo(), info);
  if (fresh) trail = target.AllocateIntermediate();
  const double kept = TrailKept(progress, DrawingSettings().GetMaxMotionBlurScale());

  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("upsideDown", upsideDown ? 1.0f : 0.0f);
  program.Uniform("aspect", info.DisplayAspect());
  storage.FBO().Attach(trail->GetFirstTexture());
  input.GetFirstTexture().Use(0);
  storage.Quad().Activate();
  for (int i = 0; i < kSubFrames; ++i) {
    const double q = progress - step + (i + 1) * step / kSubFrames;
    program.Uniform("scale", sign * TurnAt(q));
    // A new trail starts as its first sub-frame.
    if (fresh && i == 0) {
      storage.Quad().Draw(program);
    } else {
      MixIn(storage, program, 1.0 - kept);
    }
  }
}

// Until a step is known (the first frame) the input of the moment stands
// still. Then the second input is spun (upside down) into its trail and,
// before the midpoint, the first input into its own: the last one drawn is
// the output, while the second's trail is ready when it takes over.
void TransitionMotionSpin::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                      const Ptr<DataVideoOGL>& second, double, double progress,
                                      ShaderStorage& storage, const Ptr<OglCache>& cache) {
  CacheImpl& state = CacheAs<CacheImpl>(cache);
  const double step = state.Step(progress);
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  if (progress <= step) {
    storage.FBO().Attach(target->GetFirstTexture());
    (progress < 0.5 ? frames.first : frames.second)->Draw(storage.FrameQuad(), storage);
    return;
  }
  SpinInto(*target, *frames.second, true, progress, step, storage, state.secondTrail);
  if (progress < 0.5) {
    SpinInto(*target, *frames.first, false, progress, step, storage, state.firstTrail);
  }
  const Ptr<Frame>& output = progress < 0.5 ? state.firstTrail : state.secondTrail;
  storage.FBO().Attach(target->GetFirstTexture());
  output->Draw(storage.FrameQuad(), storage);
}

}  // namespace Obrisk::Ogl
