#include "transitions/TransitionParallax.h"

#include <algorithm>
#include <cmath>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionPasses.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// Each third of the picture, counted from its top, reads from `shift...`
// further up; a cropped outer band keeps to its own third, and a read past
// the picture's top or bottom keeps the pixel's own row.
const ShaderSourceKeeper kShader{"TransitionParallax", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float shiftUp;
uniform float shiftMid;
uniform float shiftDown;
uniform int cropUp;
uniform int cropDown;
varying vec2 TexCoord0;

const float kThird = 1.0 / 3.0;

void main() {
  float y = 1.0 - TexCoord0.y;  // from the top
  float s;
  if (y < kThird) {
    s = y - shiftUp;
    if (cropUp != 0 && s > kThird) s = y;
  } else if (y < 2.0 * kThird) {
    s = y - shiftMid;
  } else {
    s = y - shiftDown;
    if (cropDown != 0 && s < 2.0 * kThird) s = y;
  }
  if (s < 0.0 || s > 1.0) s = y;
  gl_FragColor = texture2D(tex, vec2(TexCoord0.x, 1.0 - s));
}
)",
                                 "Proc/Effects/Quenvara/TransitionParallax"};

// The lens bends with its first radial term only.
constexpr std::int32_t kLensTerms = 1;
// The motion blur's scale falls from its maximum at the midpoint by
// 16 (p - 1/2)^4, to nothing at the ends.
constexpr double kBlurFalloff = 16.0;

}  // namespace

const std::string_view& TransitionParallax::GetName() const {
  static constexpr std::string_view kName = "TransitionParallax";
  return kName;
}

Ptr<OglCache> TransitionParallax::CreateCache() {
  return blur_.CreateCache();
}

// The bands, the lens and the blur all grow from nothing at the ends to their
// largest at the midpoint, where the first picture gives way to the second.
void TransitionParallax::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                    const Ptr<DataVideoOGL>& second, double, double progress,
                                    ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const auto& settings = DrawingSettings();
  const double d = std::min(progress, 1.0 - progress);
  Ptr<Frame> picture = (progress < 0.5 ? first : second)->FrameData()->ConvertToRGBA(storage);

  const auto [upper, middle, lower] = settings.GetSpeed();
  const auto [cropUpper, cropLower] = settings.GetCrop();
  Ptr<DataVideoOGL> shifted = NewVideoData(*target);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("shiftUp", upper * d);
  program.Uniform("shiftMid", middle * d);
  program.Uniform("shiftDown", lower * d);
  program.Uniform("cropUp", cropUpper ? 1 : 0);
  program.Uniform("cropDown", cropLower ? 1 : 0);
  DrawFullScreen(storage, program, *shifted->FrameData(), {picture.get()});

  Proc::SettingsEffectLensDistortion lens(settings.GetMaxLensDistortion(),
                                          settings.GetMaxLensZoom(), kLensTerms);
  lens.SetIntensity(2.0 * d);
  lens_.SetSettings(lens);
  Ptr<DataVideoOGL> bent = NewVideoData(*target);
  lens_.ProcessGpu(bent->FrameData(), shifted, 0.0, progress, storage, nullptr);

  const double maxScale = settings.GetMaxMotionBlurScale();
  Proc::SettingsEffectMotionBlur blur;
  blur.SetScale(maxScale - kBlurFalloff * maxScale * std::pow(progress - 0.5, 4.0));
  blur_.SetSettings(blur);
  blur_.ProcessGpu(target, bent, 0.0, progress, storage, cache);
}

}  // namespace Obrisk::Ogl
