#include "effects/transform/EffectFixVertVideo.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "effects/blur/BlurPasses.h"
#include "effects/transform/FramingQuads.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

constexpr GaussianUniformNames kUniforms{"size", "sigma", "norm", "local_step", "texelsPerTap"};

const ShaderSourceKeeper kBlurShader{"EffectFixVertVideo_blur", Shader::FullFrame,
                                     [] { return GaussianPassFragment(kUniforms); },
                                     "Proc/Effects/Quenvara/EffectFixVertVideo"};

// The blur's deviation is this fraction of the longer side, a third of a
// twentieth, and never below the smallest that still blurs.
constexpr double kSigmaPerSide = 0.05 / 3.0;
constexpr double kMinSigma = 0.34;
// The kernel's taps reach three deviations; the weights use a third of the
// reach as deviation.
constexpr double kTapsPerSigma = 3.0;
constexpr double kSigmaPerTap = 0.333333;
// Geometry changes smaller than this keep the quads.
constexpr double kGeometryTolerance = 1e-7;
// The blur's taps are two texels apart.
constexpr float kTexelsPerStep = 2.0f;

GaussianTaps BarTaps(const Proc::FrameInfo& source) {
  const double sigma = std::max(std::max(source.width, source.height) * kSigmaPerSide, kMinSigma);
  GaussianTaps taps;
  taps.taps = static_cast<int>(kTapsPerSigma * sigma);
  const double deviation = taps.taps * kSigmaPerTap;
  taps.coefficient = static_cast<float>(-0.5 / (deviation * deviation));
  taps.norm = GaussianNorm(taps);
  return taps;
}

// The picture in the middle and the two outer strips over the bars, each
// reaching `step` into the middle so that no seam shows.
class EffectFixVertVideoOglCache final : public OglCache {
 public:
  void Update(double destinationAspect, double sourceAspect, float step) {
    if (background_ && std::abs(destinationAspect - destinationAspect_) < kGeometryTolerance &&
        std::abs(sourceAspect - sourceAspect_) < kGeometryTolerance &&
        std::abs(step - step_) < kGeometryTolerance) {
      return;
    }
    destinationAspect_ = destinationAspect;
    sourceAspect_ = sourceAspect;
    step_ = step;
    PackedMesh background;
    PackedMesh foreground;
    if (destinationAspect > sourceAspect) {
      // Bars left and right.
      const auto r = static_cast<float>(sourceAspect / destinationAspect);
      foreground.AddQuad(RectQuad({0.0f, 0.0f, -r, -1.0f}, {1.0f, 1.0f, r, 1.0f}));
      background.AddQuad(
          RectQuad({0.0f, 0.0f, -1.0f, -1.0f}, {(1.0f - r) / 2.0f, 1.0f, step - r, 1.0f}));
      background.AddQuad(
          RectQuad({(1.0f + r) / 2.0f, 0.0f, r - step, -1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}));
    } else {
      // Bars above and below.
      const auto r = static_cast<float>(destinationAspect / sourceAspect);
      foreground.AddQuad(RectQuad({0.0f, 0.0f, -1.0f, -r}, {1.0f, 1.0f, 1.0f, r}));
      background.AddQuad(
          RectQuad({0.0f, 0.0f, -1.0f, -1.0f}, {1.0f, (1.0f - r) / 2.0f, 1.0f, step - r}));
      background.AddQuad(
          RectQuad({0.0f, (1.0f + r) / 2.0f, -1.0f, r - step}, {1.0f, 1.0f, 1.0f, 1.0f}));
    }
    background_ = std::make_unique<Quad>(background, GL_STATIC_DRAW);
    foreground_ = std::make_unique<Quad>(foreground, GL_STATIC_DRAW);
  }

  Quad& Background() { return *background_; }
  Quad& Foreground() { return *foreground_; }

 private:
  double destinationAspect_ = 0.0;
  double sourceAspect_ = 0.0;
  float step_ = 0.0f;
  std::unique_ptr<Quad> background_;
  std::unique_ptr<Quad> foreground_;
};

}  // namespace

const std::string_view& EffectFixVertVideo::GetName() const {
  static constexpr std::string_view kName = "EffectFixVertVideo";
  return kName;
}

Ptr<OglCache> EffectFixVertVideo::CreateCache() {
  return Ptr<OglCache>(new EffectFixVertVideoOglCache());
}

void EffectFixVertVideo::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  const Proc::FrameInfo output =
      static_cast<const Proc::SettingsEffectFixVertVideo&>(GetSettings()).GetFrameInfo();
  format->InitByPixelAspect(output.width, output.height, output.pixelAspectNum,
                            output.pixelAspectDen);
  OneInputEffectAlgorithm::UpdateFormatCodecVideo(format);
}

Ptr<DataVideoOGL> EffectFixVertVideo::CreateDst(const Proc::ColorSpace& colorSpace,
                                                Proc::PixFmt format, const Proc::FrameInfo&,
                                                double progress) {
  const Proc::FrameInfo output =
      static_cast<const Proc::SettingsEffectFixVertVideo&>(GetSettings()).GetFrameInfo();
  return OneInputEffectAlgorithm::CreateDst(colorSpace, format, output, progress);
}

void EffectFixVertVideo::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                    double, double, ShaderStorage& storage,
                                    const Ptr<OglCache>& cacheObject) {
  auto& cache = CacheAs<EffectFixVertVideoOglCache>(cacheObject);
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  const Proc::FrameInfo& picture = rgba->GetFrameInfo();
  const double destinationAspect = target->GetFrameInfo().DisplayAspect();
  const double sourceAspect = source->GetFrameInfo().DisplayAspect();
  const bool barsAboveAndBelow = sourceAspect > destinationAspect;
  const float step = 1.0f / static_cast<float>(barsAboveAndBelow ? picture.height : picture.width);
  cache.Update(destinationAspect, sourceAspect, step);

  // One direction over the whole picture, so that the second reads only
  // blurred texels; then the other through the outer strips into the bars.
  const glm::vec2 across{kTexelsPerStep / static_cast<float>(picture.width), 0.0f};
  const glm::vec2 down{0.0f, kTexelsPerStep / static_cast<float>(picture.height)};
  const glm::vec2 first = barsAboveAndBelow ? down : across;
  const glm::vec2 second = barsAboveAndBelow ? across : down;
  const GaussianTaps taps = BarTaps(picture);
  ShaderProgram& blur = storage.MakeShader(kBlurShader);
  Ptr<Frame> blurred = rgba->AllocateIntermediate();
  DrawGaussianPass(storage, blur, kUniforms, taps, first, rgba->GetFirstTexture(),
                   blurred->GetFirstTexture());
  DrawGaussianPass(storage, blur, kUniforms, taps, second, blurred->GetFirstTexture(),
                   target->GetFirstTexture(), cache.Background());

  // The picture itself over the middle.
  rgba->Draw(cache.Foreground(), storage);
}

}  // namespace Obrisk::Ogl
