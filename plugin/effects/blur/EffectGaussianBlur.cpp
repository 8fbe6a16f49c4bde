#include "effects/blur/EffectGaussianBlur.h"

#include <algorithm>

#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

constexpr GaussianUniformNames kUniforms{"size", "sigma", "norm", "local_step"};

const ShaderSourceKeeper kShader{"EffectBlur", Shader::FullFrame,
                                 [] { return GaussianPassFragment(kUniforms); },
                                 "Proc/Effects/Quenvara/EffectGaussianBlur"};

// The amount spans three deviations; below about a third of a tap the bell
// has no visible neighbours, so the deviation never goes lower.
constexpr float kDeviationsPerRadius = 3.0f;
constexpr float kMinDeviation = 0.34f;
// Fast mode takes half the taps of a bell three times as wide.
constexpr float kFastTapsPerDeviation = 1.5f;
constexpr float kFastWidening = 3.0f;
// Taps are two texels apart: with linear filtering each reaches twice as far.
constexpr float kTexelsPerTap = 2.0f;

class EffectBlurOGLCache final : public OglCache {
 public:
  Ptr<Frame> intermediate = Frame::Create();
};

}  // namespace

GaussianTaps GaussianBlurTaps(const Proc::SettingsEffectBlurGaussian& settings,
                              std::uint32_t longerSide) {
  const float deviation =
      std::max(static_cast<float>(longerSide) * static_cast<float>(settings.GetAmount()) /
                   kDeviationsPerRadius,
               kMinDeviation);
  GaussianTaps taps;
  if (settings.IsFast()) {
    const float wide = kFastWidening * deviation;
    taps.taps = static_cast<int>(kFastTapsPerDeviation * deviation);
    taps.coefficient = -0.5f / (wide * wide);
  } else {
    taps.taps = static_cast<int>(kDeviationsPerRadius * deviation);
    taps.coefficient = -0.5f / (deviation * deviation);
  }
  taps.norm = GaussianNorm(taps.taps, taps.coefficient);
  return taps;
}

const std::string_view& EffectGaussianBlur::GetName() const {
  static constexpr std::string_view kName = "EffectGaussianBlur";
  return kName;
}

Ptr<OglCache> EffectGaussianBlur::CreateCache() {
  return MakeRef<EffectBlurOGLCache>();
}

void EffectGaussianBlur::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                    double, double, ShaderStorage& storage,
                                    const Ptr<OglCache>& cache) {
  Frame& intermediate = *CacheAs<EffectBlurOGLCache>(cache).intermediate;
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  const Proc::FrameInfo& info = rgba->GetFrameInfo();
  const std::uint32_t longerSide =
      std::max(static_cast<std::uint32_t>(info.width), static_cast<std::uint32_t>(info.height));
  const GaussianTaps taps = GaussianBlurTaps(DrawingSettings(), longerSide);
  intermediate.Allocate(rgba->GetColorSpace(), rgba->GetPixelFormat(), info);

  ShaderProgram& program = storage.MakeShader(kShader);
  const float width = static_cast<float>(info.width);
  const float height = static_cast<float>(info.height);
  DrawGaussianPass(storage, program, kUniforms, taps, {kTexelsPerTap / width, 0.0f},
                   rgba->GetFirstTexture(), intermediate.GetFirstTexture());
  DrawGaussianPass(storage, program, kUniforms, taps, {0.0f, kTexelsPerTap / height},
                   intermediate.GetFirstTexture(), target->GetFirstTexture());
}

}  // namespace Obrisk::Ogl
