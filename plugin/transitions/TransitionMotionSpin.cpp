#include "transitions/TransitionMotionSpin.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

// The motion blur's accumulations of the two inputs and the progress step
// between frames, measured from the first two frames.
class TransitionMotionSpin::CacheImpl final : public OglCache {
 public:
  CacheImpl(Ptr<OglCache> first, Ptr<OglCache> second)
      : firstBlur(std::move(first)), secondBlur(std::move(second)) {}

  // The step after this frame's bookkeeping: the first frame's progress,
  // then the difference of the first two.
  double Step(double progress) {
    if (frame == 1) step = progress;
    if (frame == 2) step = progress - step;
    ++frame;
    return step;
  }

  Ptr<OglCache> firstBlur;
  Ptr<OglCache> secondBlur;
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

// The trail's weight: M half way, none at the ends (M - 16 M (p - 0.5)^4).
Proc::SettingsEffectMotionBlur TrailFor(double progress, double maxScale) {
  constexpr double kFall = 16.0;
  Proc::SettingsEffectMotionBlur trail;
  trail.SetScale(std::clamp(maxScale - kFall * maxScale * std::pow(progress - 0.5, 4.0), 0.0, 1.0));
  return trail;
}

}  // namespace

const std::string_view& TransitionMotionSpin::GetName() const {
  static constexpr std::string_view kName = "TransitionMotionSpin";
  return kName;
}

Ptr<OglCache> TransitionMotionSpin::CreateCache() {
  return MakeRef<CacheImpl>(blur_.CreateCache(), blur_.CreateCache());
}

void TransitionMotionSpin::SpinInto(const Ptr<Frame>& target, Frame& input, bool upsideDown,
                                    double time, double progress, double step,
                                    ShaderStorage& storage, const Ptr<OglCache>& blurCache) {
  const Proc::FrameInfo& info = target->GetFrameInfo();
  const double sign = DrawingSettings().GetDirection() == 0 ? 1.0 : -1.0;
  const Ptr<DataVideoOGL> subFrame =
      DataVideoOGL::Create(target->GetColorSpace(), Proc::kPixFmtAlpha, info);
  subFrame->FrameData()->Allocate(target->GetColorSpace(), Proc::kPixFmtAlpha, info);
  blur_.SetSettings(TrailFor(progress, DrawingSettings().GetMaxMotionBlurScale()));
  for (int i = 0; i < kSubFrames; ++i) {
    const double q = progress - step + (i + 1) * step / kSubFrames;
    ShaderProgram& program = storage.MakeShader(kShader);
    program.Use();
    program.Uniform("tex", 0);
    program.Uniform("scale", sign * TurnAt(q));
    program.Uniform("upsideDown", upsideDown ? 1.0f : 0.0f);
    program.Uniform("aspect", info.DisplayAspect());
    DrawFullScreen(storage, program, *subFrame->FrameData(), {&input});
    blur_.ProcessGpu(target, subFrame, time, q, storage, blurCache);
  }
}

// Until a step is known (the first frame) the input of the moment stands
// still. Then the second input is spun (upside down) into its trail and,
// before the midpoint, the first input after it: the last one drawn is the
// output, while the second's trail is ready when it takes over.
void TransitionMotionSpin::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                      const Ptr<DataVideoOGL>& second, double time, double progress,
                                      ShaderStorage& storage, const Ptr<OglCache>& cache) {
  CacheImpl& state = CacheAs<CacheImpl>(cache);
  const double step = state.Step(progress);
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  if (progress <= step) {
    storage.FBO().Attach(target->GetFirstTexture());
    (progress < 0.5 ? frames.first : frames.second)->Draw(storage.FrameQuad(), storage);
    return;
  }
  SpinInto(target, *frames.second, true, time, progress, step, storage, state.secondBlur);
  if (progress < 0.5) {
    SpinInto(target, *frames.first, false, time, progress, step, storage, state.firstBlur);
  }
}

}  // namespace Obrisk::Ogl
