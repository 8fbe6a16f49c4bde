#include "effects/service/EffectResizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "frame/EffectWrapper.h"
#include "frame/ShaderSourceKeeper.h"
#include "obrisk/host/Statistics.h"

namespace Obrisk::Ogl {
namespace {

using Proc::ResizeMethods;

// A Lanczos filter of three lobes, run separably: a horizontal pass from the
// source into an intermediate frame of the placed width and the source's
// rows, then a vertical pass from it into the target. Distances are
// measured in kernel widths: one output pixel's footprint in the source
// (never less than a source texel), so that a downscale filters out what
// the smaller frame cannot hold; at one texel a pass reads 6 taps. The
// passes fetch texels by index (GLSL 1.30): every tap lies on a texel centre.
constexpr std::string_view kLanczosFilter = R"(#version 130
const float LOBES = 3.0;
const float PI = 3.14159265358979;

// sin(x) / x given sin(x), for both components; near 0 its Taylor series,
// to as many terms as float precision needs. Selections rather than
// branches, which software renderers run for every pixel anyway.
vec2 Sinc(vec2 x, vec2 sinX) {
  vec2 ax = abs(x);
  vec2 x2 = x * x;
  vec2 series = 1.0 - mix(vec2(0.0), x2 / 6.0, greaterThanEqual(ax, vec2(0.0000001))) +
                mix(vec2(0.0), x2 * x2 / 120.0, greaterThanEqual(ax, vec2(0.000316228)));
  return mix(series, sinX / x, greaterThanEqual(ax, vec2(0.017782794)));
}

// Weighted mean of the texels along `axis` ((1, 0) a row, (0, 1) a column)
// through `at` whose centres lie within LOBES kernel widths of it; texels
// outside the source are left out. `texel` and `kernel` are one texel and
// one kernel width along the axis, in texture coordinates. The weight of a
// texel t kernel widths away is sinc(PI t) sinc(PI t / LOBES).
vec4 Lanczos(sampler2D source, vec2 at, ivec2 axis, float texel, float kernel) {
  float centre = dot(at, vec2(axis));
  float radius = LOBES * kernel;
  int first = int(max(floor((centre - radius) / texel - 0.5) + 1.0, 0.0));
  int last = int(min(ceil((centre + radius) / texel - 0.5) - 1.0, floor(1.0 / texel + 0.5) - 1.0));
  // The row or column read: `at` on the other axis.
  ivec2 line = ivec2(at * vec2(textureSize(source, 0))) * (ivec2(1) - axis);
  // The taps are equally spaced, so both sines follow the recurrence
  // sin(a - d) = 2 cos(d) sin(a) - sin(a + d) from one tap to the next.
  float t0 = (centre - (float(first) + 0.5) * texel) / kernel;
  float dt = texel / kernel;
  vec2 scale = PI * vec2(1.0, 1.0 / LOBES);
  vec2 sinNow = sin(scale * t0);
  vec2 sinBefore = sin(scale * (t0 + dt));
  vec2 twoCos = 2.0 * cos(scale * dt);
  vec4 sum = vec4(0.0);
  float total = 0.0;
  for (int i = first; i <= last; ++i) {
    float t = t0 - float(i - first) * dt;
    vec2 sinc = Sinc(scale * t, sinNow);
    float weight = abs(t) < LOBES ? sinc.x * sinc.y : 0.0;
    sum += texelFetch(source, line + i * axis, 0) * weight;
    total += weight;
    vec2 sinNext = twoCos * sinNow - sinBefore;
    sinBefore = sinNow;
    sinNow = sinNext;
  }
  return total > 0.0 ? sum / total : sum;
}
)";

// The first pass, over the whole intermediate frame: its columns are the
// placed output columns, its rows the source rows.
constexpr std::string_view kLanczosHorizontal = R"(
uniform sampler2D tex;    // the source
uniform vec2 step;        // one source texel in texture coordinates
uniform vec2 kernelSize;  // one kernel width in texture coordinates
uniform vec2 columns;     // the placed source columns: first u, and their width
varying vec2 TexCoord0;

void main() {
  vec2 at = vec2(columns.x + TexCoord0.x * columns.y, TexCoord0.y);
  gl_FragColor = Lanczos(tex, at, ivec2(1, 0), step.x, kernelSize.x);
}
)";

// The second pass, through the placing quad (TexCoord0 in source
// coordinates): filters the intermediate frame's column of this pixel.
constexpr std::string_view kLanczosVertical = R"(
uniform sampler2D tex;    // the intermediate frame
uniform vec2 step;        // one source texel in texture coordinates
uniform vec2 kernelSize;  // one kernel width in texture coordinates
uniform vec2 columns;     // the placed source columns: first u, and their width
varying vec2 TexCoord0;

void main() {
  vec2 at = vec2((TexCoord0.x - columns.x) / columns.y, TexCoord0.y);
  gl_FragColor = Lanczos(tex, at, ivec2(0, 1), step.y, kernelSize.y);
}
)";

const ShaderSourceKeeper kLanczosShader{
    "LanczosResizeShader", Shader::FullFrame,
    [] { return std::string(kLanczosFilter) + std::string(kLanczosVertical); },
    "Proc/Effects/Quenvara/EffectResizer"};
const ShaderSourceKeeper kLanczosShader_Horizontal{
    "LanczosResizeShader_Horizontal", Shader::FullFrame,
    [] { return std::string(kLanczosFilter) + std::string(kLanczosHorizontal); },
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
      // The quad's first two vertices are its bottom-left and bottom-right.
      columns_ = glm::vec2(coords[0], coords[4] - coords[0]);
      placedWidth_ = static_cast<int>(region.width - destinationCrop[0] - destinationCrop[1]);
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
    // The source columns the quad places (first u, width) and their width
    // in output pixels.
    const glm::vec2& Columns() const { return columns_; }
    int PlacedWidth() const { return placedWidth_; }

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
    glm::vec2 columns_{0.0f};
    int placedWidth_ = 0;
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
    TexturePool::Lease rows;
    if (lanczos) rows = FilterRows(rgba->GetFirstTexture(), cache, storage);
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
    ShaderProgram& program = UseLanczosProgram(kLanczosShader, cache, storage);
    rows->Use(0);
    cache.GetQuad().Activate();
    cache.GetQuad().Draw(program);
  }

 private:
  // The first Lanczos pass: the source filtered along its rows into a new
  // intermediate frame of the placed width and the source's height, kept
  // in 16-bit float so that the lobes' overshoot survives to the second pass.
  static TexturePool::Lease FilterRows(Texture& source, const CacheImpl& cache,
                                       ShaderStorage& storage) {
    Texture::Params params;
    params.width = cache.PlacedWidth();
    params.height = source.Height();
    params.internalFormat = GL_RGBA16F;
    params.type = GL_HALF_FLOAT;
    TexturePool::Lease rows = TexturePool::GetInstance().GetTex(params);
    storage.FBO().Attach(*rows);
    ShaderProgram& program = UseLanczosProgram(kLanczosShader_Horizontal, cache, storage);
    source.Use(0);
    storage.Quad().Activate();
    storage.Quad().Draw(program);
    return rows;
  }

  // Both passes take the same uniforms, the texture on unit 0.
  template <class Sources>
  static ShaderProgram& UseLanczosProgram(const Sources& sources, const CacheImpl& cache,
                                          ShaderStorage& storage) {
    ShaderProgram& program = storage.MakeShader(sources);
    program.Use();
    program.Uniform("tex", 0);
    program.Uniform("step", cache.Step());
    program.Uniform("kernelSize", cache.KernelSize());
    program.Uniform("columns", cache.Columns());
    return program;
  }

  const Proc::SettingsResizer& CurrentSettings() const {
    return static_cast<const Proc::SettingsResizer&>(GetSettings());
  }
};

Property WithoutImplementationName(const Property& property) {
  if (property.FindChild(Proc::IPreset::KEY_TYPE_ID) == nullptr) return property;
  Property fields;
  fields.SetValue(property.GetValue());
  for (const auto& [key, value] : property.Children()) {
    if (key != Proc::IPreset::KEY_TYPE_ID) fields.SetChild(key, value);
  }
  return fields;
}

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
  // Takes back what GetSettings gives: the implementation name it adds is
  // no field of the settings.
  void SetSettings(const Property& property) override {
    std::lock_guard lock(mutex_);
    Proc::SettingsResizer settings = settings_;
    IResize::Property2Settings(WithoutImplementationName(property), settings);
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
