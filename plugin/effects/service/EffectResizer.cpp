#include "effects/service/EffectResizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

#include "frame/EffectWrapper.h"
#include "frame/ShaderSourceKeeper.h"
#include "obrisk/host/Statistics.h"

namespace Obrisk::Ogl {
namespace {

using Proc::ResizeMethods;

// A Lanczos filter of three lobes, one pass over both axes. Distances are
// measured in kernel widths: one output pixel's footprint in the source
// (never less than a source texel), so that a downscale filters out what
// the smaller frame cannot hold.
const ShaderSourceKeeper kLanczosShader{"LanczosResizeShader", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec2 step;        // one source texel in texture coordinates
uniform vec2 kernelSize;  // one kernel width in texture coordinates
varying vec2 TexCoord0;

const float LOBES = 3.0;
const float PI = 3.14159265358979;

// sin(x) / x; near 0 its Taylor series, to as many terms as float precision needs.
float Sinc(float x) {
  float ax = abs(x);
  if (ax >= 0.017782794) return sin(x) / x;
  float value = 1.0;
  if (ax >= 0.0000001) value -= x * x / 6.0;
  if (ax >= 0.000316228) value += x * x * x * x / 120.0;
  return value;
}

// The Lanczos kernel at a distance of t kernel widths.
float Weight(float t) {
  return abs(t) < LOBES ? Sinc(PI * t) * Sinc(PI * t / LOBES) : 0.0;
}

// Weighted mean of the source texels whose centres lie within LOBES kernel
// widths of this pixel; texels outside the source are left out.
void main() {
  vec2 radius = LOBES * kernelSize;
  vec2 texels = floor(1.0 / step + 0.5);
  vec2 first = max(floor((TexCoord0 - radius) / step - 0.5) + 1.0, 0.0);
  vec2 last = min(ceil((TexCoord0 + radius) / step - 0.5) - 1.0, texels - 1.0);
  vec4 sum = vec4(0.0);
  float total = 0.0;
  for (float j = first.y; j <= last.y; j += 1.0) {
    float y = (j + 0.5) * step.y;
    float weightY = Weight((TexCoord0.y - y) / kernelSize.y);
    for (float i = first.x; i <= last.x; i += 1.0) {
      float x = (i + 0.5) * step.x;
      float weight = weightY * Weight((TexCoord0.x - x) / kernelSize.x);
      sum += texture2D(tex, vec2(x, y)) * weight;
      total += weight;
    }
  }
  gl_FragColor = total > 0.0 ? sum / total : sum;
}
)",
                                        "Proc/Effects/Quenvara/EffectResizer"};

// Below 1 the kernel widens less than the scale ratio: a slightly sharper
// result than the full ratio gives.
constexpr double kKernelRatioExponent = 0.9;
constexpr double kComponentMax = 255.0;

bool OpaqueBackground(const Proc::SettingsResizer& settings) {
  return settings.GetBackgroundColor()[3] == 255;
}

class EffectResizer final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsResizer> {
 public:
  // Keyed by the crops, the source size and the region; holds the quad
  // that places the source and the kernel of the Lanczos pass.
  class CacheImpl final : public OglCache {
   public:
    void Update(const Proc::FrameInfo& source, const Proc::SettingsResizer& settings) {
      Proc::CropInfo sourceCrop;
      Proc::CropInfo destinationCrop;
      const Proc::FrameInfo region = settings.GetROI(source, sourceCrop, destinationCrop);
      if (quad_ && sourceCrop == sourceCrop_ && destinationCrop == destinationCrop_ &&
          source == sourceInfo_ && region == region_) {
        return;
      }
      if (!quad_) quad_ = std::make_unique<Quad>(GL_DYNAMIC_DRAW);
      const std::array<float, 16> coords = settings.CalculateCoordBuffer(source);
      PackedMesh mesh;
      PackedMesh::QuadVertices vertices;
      std::memcpy(vertices.data(), coords.data(), sizeof(vertices));
      mesh.AddQuad(vertices);
      quad_->Upload(mesh);
      sourceCrop_ = sourceCrop;
      destinationCrop_ = destinationCrop;
      sourceInfo_ = source;
      region_ = region;
      step_ = glm::vec2(1.0 / source.width, 1.0 / source.height);
      const double rx = Ratio(source.width, sourceCrop[0], sourceCrop[1], region.width,
                              destinationCrop[0], destinationCrop[1]);
      const double ry = Ratio(source.height, sourceCrop[2], sourceCrop[3], region.height,
                              destinationCrop[2], destinationCrop[3]);
      downscale_ = rx > 1.0 || ry > 1.0;
      kernelSize_ = glm::vec2(std::max(rx, 1.0) * step_.x, std::max(ry, 1.0) * step_.y);
    }

    Quad& GetQuad() { return *quad_; }
    bool Downscale() const { return downscale_; }
    const glm::vec2& Step() const { return step_; }
    const glm::vec2& KernelSize() const { return kernelSize_; }

   private:
    // Kept source pixels per placed output pixel along one axis, damped.
    static double Ratio(std::uint32_t size, std::uint32_t cropNear, std::uint32_t cropFar,
                        std::uint32_t regionSize, std::uint32_t bandNear, std::uint32_t bandFar) {
      const auto kept = static_cast<float>(size - cropNear - cropFar);
      const auto placed = static_cast<float>(regionSize - bandNear - bandFar);
      return std::pow(kept / placed, kKernelRatioExponent);
    }

    Proc::CropInfo sourceCrop_{};
    Proc::CropInfo destinationCrop_{};
    Proc::FrameInfo sourceInfo_{0, 0, 0, 0};
    Proc::FrameInfo region_{0, 0, 0, 0};
    glm::vec2 step_{0.0f};
    bool downscale_ = false;
    glm::vec2 kernelSize_{0.0f};
    std::unique_ptr<Quad> quad_;
  };

  const std::string_view& GetName() const override {
    static constexpr std::string_view kName = "EffectResizer";
    return kName;
  }

  Ptr<OglCache> CreateCache() override { return MakeRef<CacheImpl>(); }

  // A background that is not opaque gives the output alpha.
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override {
    OneInputEffectAlgorithm::UpdateFormatCodecVideo(format);
    if (!OpaqueBackground(CurrentSettings())) format->SetPixelFormat(Proc::kPixFmtAlpha);
  }

  Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                              const Proc::FrameInfo& info, double progress) override {
    const Proc::FrameInfo output = CurrentSettings().GetOutputFrameSize(info);
    if (!OpaqueBackground(CurrentSettings())) {
      return DataVideoOGL::Create(colorSpace, Proc::kPixFmtAlpha, output);
    }
    return OneInputEffectAlgorithm::CreateDst(colorSpace, format, output, progress);
  }

  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double, double,
                  ShaderStorage& storage, const Ptr<OglCache>& cacheObject) override {
    CacheImpl& cache = CacheAs<CacheImpl>(cacheObject);
    const Proc::SettingsResizer& settings = DrawingSettings();
    cache.Update(source->GetFrameInfo(), settings);
    const bool lanczos = settings.GetMethod() == ResizeMethods::Lanczos && cache.Downscale();
    // Both paths read the picture in RGBA layout (planar sources included).
    Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
    storage.FBO().Attach(target->GetFirstTexture());
    const std::array<std::uint8_t, 4> background = settings.GetBackgroundColor();
    glClearColor(static_cast<float>(background[0] / kComponentMax),
                 static_cast<float>(background[1] / kComponentMax),
                 static_cast<float>(background[2] / kComponentMax),
                 static_cast<float>(background[3] / kComponentMax));
    glClear(GL_COLOR_BUFFER_BIT);
    if (!lanczos) {
      rgba->Draw(cache.GetQuad(), storage);
      return;
    }
    ShaderProgram& program = storage.MakeShader(kLanczosShader);
    program.Use();
    program.Uniform("tex", 0);
    program.Uniform("step", cache.Step());
    program.Uniform("kernelSize", cache.KernelSize());
    rgba->GetFirstTexture().Use(0);
    glBindSampler(0, storage.NearestSampler());
    cache.GetQuad().Activate();
    cache.GetQuad().Draw(program);
    glBindSampler(0, 0);
  }

 private:
  const Proc::SettingsResizer& CurrentSettings() const {
    return static_cast<const Proc::SettingsResizer&>(GetSettings());
  }
};

// The host's resizer object: keeps the settings, normalises the method and
// delegates the work to a one-input wrapper of EffectResizer.
class EffectImageResizer final : public RefCounted<Proc::IResize> {
 public:
  explicit EffectImageResizer(Ptr<OneInputEffectWrapper> inner) : inner_(std::move(inner)) {}

  Property GetSettings() const override {
    std::lock_guard lock(mutex_);
    Property property = IResize::Settings2Property(settings_);
    property.SetChild(Proc::IPreset::KEY_TYPE_ID, Proc::ImplNames::OGL);
    return property;
  }
  void SetSettingsObject(const Proc::Settings& settings) override {
    SetResizerSettings(dynamic_cast<const Proc::SettingsResizer&>(settings));
  }
  void SetSettings(const Property& property) override {
    std::lock_guard lock(mutex_);
    Proc::SettingsResizer settings = settings_;
    IResize::Property2Settings(property, settings);
    SetResizerSettings(settings);
  }
  const Proc::Settings& GetSettingsObject() const override { return settings_; }
  void ResetCache() override {
    std::lock_guard lock(mutex_);
    inner_->ResetCache();
  }
  const Proc::TimeToProgress& GetProgress() const override {
    std::lock_guard lock(mutex_);
    return inner_->GetProgress();
  }
  Proc::TimeToProgress& GetProgress() override {
    std::lock_guard lock(mutex_);
    return inner_->GetProgress();
  }
  void SetProgress(const Proc::TimeToProgress& progress) override {
    std::lock_guard lock(mutex_);
    inner_->SetProgress(progress);
  }
  std::uint8_t GetTraits() const override {
    std::lock_guard lock(mutex_);
    return inner_->GetTraits();
  }
  Property GetStatistic() const override {
    std::lock_guard lock(mutex_);
    Property statistic = inner_->GetStatistic();
    statistic.SetChild("Interpolation method",
                       IResize::ResizeMethods2String(settings_.GetMethod()));
    statistic.SetChild("Impl ID", Proc::ImplNames::OGL);
    return statistic;
  }
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override {
    std::lock_guard lock(mutex_);
    const Proc::FrameInfo output = settings_.GetOutputFrameSize(format->GetFrameInfo());
    format->InitByPixelAspect(output.width, output.height, output.pixelAspectNum,
                              output.pixelAspectDen);
    inner_->UpdateFormatCodecVideo(format);
  }
  // Methods the GPU draws itself stay; 0, 4 and 5 become bilinear and the
  // others Lanczos.
  void SetResizerSettings(const Proc::SettingsResizer& settings) override {
    std::lock_guard lock(mutex_);
    settings_ = settings;
    settings_.SetMethod(NormalisedMethod(settings.GetMethod()));
    inner_->SetSettingsObject(settings_);
  }
  const Proc::SettingsResizer& GetResizerSettings() const override {
    std::lock_guard lock(mutex_);
    return settings_;
  }

 protected:
  void Process(Ptr<Proc::IData>& data) override {
    std::lock_guard lock(mutex_);
    inner_->ProcessData(data);
  }

 private:
  static ResizeMethods NormalisedMethod(ResizeMethods method) {
    switch (method) {
      case ResizeMethods::Default:
      case ResizeMethods::Bilinear:
      case ResizeMethods::Nearest:
      case ResizeMethods::FastBilinear:
        return ResizeMethods::Bilinear;
      default:
        return ResizeMethods::Lanczos;
    }
  }

  mutable std::recursive_mutex mutex_;
  Proc::SettingsResizer settings_;
  Ptr<OneInputEffectWrapper> inner_;
};

}  // namespace

Ptr<Proc::IEffect> CreateImageResizer(const Ptr<Proc::IEffectFactory>& factory,
                                      const Ptr<IRefCountable>&) {
  auto inner = MakeRef<OneInputEffectWrapper>(factory, std::make_shared<EffectResizer>());
  return Ptr<Proc::IEffect>(new EffectImageResizer(std::move(inner)));
}

}  // namespace Obrisk::Ogl
