#include "effects/service/EffectResizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

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
// the smaller frame cannot hold; at one texel a pass reads 6 taps.
//
// The weights depend only on the output pixel's position along the pass, so
// the processor computes them once per geometry (LanczosTaps) into a table
// texture per axis: column o holds output pixel o's taps, and the passes
// fetch texels by index (GLSL 1.30), every tap on a texel centre. Row 0 of a
// column is (first texel, weights 0 to 2), each further row the next four
// weights; weights past the last tap are 0 and their texels are clamped to
// the source.
constexpr std::string_view kLanczosFilter = R"(#version 130
uniform sampler2D taps;  // the table of this pass's axis
uniform int tapRows;     // its rows

// The weighted sum of the texels along `axis` ((1, 0) a row, (0, 1) a
// column) of the line `line` (the other axis's texel, the axis's at 0)
// taken with the taps of output pixel `index`.
vec4 Lanczos(sampler2D source, int index, ivec2 axis, ivec2 line) {
  int last = int(dot(vec2(textureSize(source, 0) - 1), vec2(axis)));
  vec4 head = texelFetch(taps, ivec2(index, 0), 0);
  int first = int(head.x);
  vec4 sum = head.y * texelFetch(source, line + first * axis, 0) +
             head.z * texelFetch(source, line + min(first + 1, last) * axis, 0) +
             head.w * texelFetch(source, line + min(first + 2, last) * axis, 0);
  for (int row = 1; row < tapRows; ++row) {
    vec4 w = texelFetch(taps, ivec2(index, row), 0);
    int i = first + 4 * row - 1;
    sum += w.x * texelFetch(source, line + min(i, last) * axis, 0) +
           w.y * texelFetch(source, line + min(i + 1, last) * axis, 0) +
           w.z * texelFetch(source, line + min(i + 2, last) * axis, 0) +
           w.w * texelFetch(source, line + min(i + 3, last) * axis, 0);
  }
  return sum;
}
)";

// The first pass, over the whole intermediate frame: its columns are the
// placed output columns, its rows the source rows.
constexpr std::string_view kLanczosHorizontal = R"(
uniform sampler2D tex;  // the source

void main() {
  ivec2 pixel = ivec2(gl_FragCoord.xy);
  gl_FragColor = Lanczos(tex, pixel.x, ivec2(1, 0), ivec2(0, pixel.y));
}
)";

// The second pass, through the placing quad: filters the intermediate
// frame's column of this pixel; `placedOrigin` is the target pixel of the
// placed picture's bottom-left corner.
constexpr std::string_view kLanczosVertical = R"(
uniform sampler2D tex;  // the intermediate frame
uniform vec2 placedOrigin;

void main() {
  ivec2 placed = ivec2(gl_FragCoord.xy - placedOrigin);
  gl_FragColor = Lanczos(tex, placed.y, ivec2(0, 1), ivec2(placed.x, 0));
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
constexpr double kLobes = 3.0;
// Row 0 of a tap table holds the first texel and this many weights; every
// further row four weights.
constexpr int kWeightsInFirstRow = 3;
constexpr int kWeightsPerRow = 4;

bool OpaqueBackground(const Proc::SettingsResizer& settings) {
  return settings.GetBackgroundColor()[3] == 255;
}

// sinc(pi t) sinc(pi t / 3), zero from three kernel widths on.
double Lanczos3(double t) {
  if (t == 0.0) return 1.0;
  if (std::fabs(t) >= kLobes) return 0.0;
  const double x = std::numbers::pi * t;
  return kLobes * std::sin(x) * std::sin(x / kLobes) / (x * x);
}

// One axis of the placing: of `size` source texels those from `cropNear` on,
// `kept` of them, are placed over `placed` output pixels, filtered with a
// kernel `kernel` texels wide.
struct Axis {
  int size;
  int cropNear;
  int kept;
  int placed;
  double kernel;
};

// The taps of output pixel `index`: the texels whose centres lie within
// three kernel widths of its centre and inside the source, and their
// weights normalised to a sum of 1.
struct PixelTaps {
  int first = 0;
  std::vector<double> weights;
};

PixelTaps TapsOf(const Axis& axis, int index) {
  const double centre =
      axis.cropNear + (index + 0.5) * static_cast<double>(axis.kept) / axis.placed;
  const double reach = kLobes * axis.kernel;
  const int from = std::max(static_cast<int>(std::floor(centre - reach - 0.5)), 0);
  const int to = std::min(static_cast<int>(std::ceil(centre + reach - 0.5)), axis.size - 1);
  PixelTaps taps;
  taps.first = -1;
  double total = 0.0;
  for (int texel = from; texel <= to; ++texel) {
    const double weight = Lanczos3((centre - (texel + 0.5)) / axis.kernel);
    if (weight == 0.0) continue;
    if (taps.first < 0) taps.first = texel;
    taps.weights.resize(static_cast<std::size_t>(texel - taps.first + 1), 0.0);
    taps.weights.back() = weight;
    total += weight;
  }
  taps.first = std::max(taps.first, 0);
  if (total != 0.0) {
    for (double& weight : taps.weights) weight /= total;
  }
  return taps;
}

// The tap table texture of an axis (see kLanczosFilter): one column per
// placed output pixel, as many rows as the widest pixel's taps need.
std::unique_ptr<Texture> TapTable(const Axis& axis) {
  std::vector<PixelTaps> pixels;
  std::size_t widest = 0;
  for (int index = 0; index < axis.placed; ++index) {
    pixels.push_back(TapsOf(axis, index));
    widest = std::max(widest, pixels.back().weights.size());
  }
  const int further = std::max(static_cast<int>(widest) - kWeightsInFirstRow, 0);
  Texture::Params params;
  params.width = axis.placed;
  params.height = 1 + (further + kWeightsPerRow - 1) / kWeightsPerRow;
  params.internalFormat = GL_RGBA32F;
  params.format = GL_RGBA;
  params.type = GL_FLOAT;
  params.filter = GL_NEAREST;
  std::vector<float> texels(static_cast<std::size_t>(params.width * params.height) * 4, 0.0f);
  for (int index = 0; index < axis.placed; ++index) {
    const PixelTaps& taps = pixels[static_cast<std::size_t>(index)];
    texels[static_cast<std::size_t>(index) * 4] = static_cast<float>(taps.first);
    for (std::size_t tap = 0; tap < taps.weights.size(); ++tap) {
      // Slot 0 of row 0 is the first texel; weight k takes slot k + 1.
      const std::size_t slot = tap + 1;
      const std::size_t row = slot / kWeightsPerRow;
      const std::size_t texel =
          row * static_cast<std::size_t>(params.width) + static_cast<std::size_t>(index);
      texels[texel * 4 + slot % kWeightsPerRow] = static_cast<float>(taps.weights[tap]);
    }
  }
  return std::make_unique<Texture>(params, texels.data());
}

class EffectResizer final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsResizer> {
 public:
  // Keyed by the crops, the source size and the region; holds the quad
  // that places the source and the tap tables of the Lanczos passes.
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
      placedOrigin_ = glm::ivec2(destinationCrop[0], destinationCrop[3]);
      const double rx = Ratio(source.width, sourceCrop[0], sourceCrop[1], region.width,
                              destinationCrop[0], destinationCrop[1]);
      const double ry = Ratio(source.height, sourceCrop[2], sourceCrop[3], region.height,
                              destinationCrop[2], destinationCrop[3]);
      downscale_ = rx > 1.0 || ry > 1.0;
      // Crops and bands list left, right, top, bottom; texture rows count
      // from the bottom.
      horizontal_ = {static_cast<int>(source.width), static_cast<int>(sourceCrop[0]),
                     static_cast<int>(source.width - sourceCrop[0] - sourceCrop[1]),
                     static_cast<int>(region.width - destinationCrop[0] - destinationCrop[1]),
                     std::max(rx, 1.0)};
      vertical_ = {static_cast<int>(source.height), static_cast<int>(sourceCrop[3]),
                   static_cast<int>(source.height - sourceCrop[2] - sourceCrop[3]),
                   static_cast<int>(region.height - destinationCrop[2] - destinationCrop[3]),
                   std::max(ry, 1.0)};
      horizontalTaps_.reset();
      verticalTaps_.reset();
    }

    Quad& GetQuad() { return *quad_; }
    bool Downscale() const { return downscale_; }
    int PlacedWidth() const { return horizontal_.placed; }
    // The target pixel of the placed picture's bottom-left corner.
    const glm::ivec2& PlacedOrigin() const { return placedOrigin_; }
    // The tap tables of the two passes, computed on first use after the
    // geometry changed (OpenGL thread).
    Texture& HorizontalTaps() { return Taps(horizontalTaps_, horizontal_); }
    Texture& VerticalTaps() { return Taps(verticalTaps_, vertical_); }

   private:
    // Kept source pixels per placed output pixel along one axis, damped.
    static double Ratio(std::uint32_t size, std::uint32_t cropNear, std::uint32_t cropFar,
                        std::uint32_t regionSize, std::uint32_t bandNear, std::uint32_t bandFar) {
      const auto kept = static_cast<float>(size - cropNear - cropFar);
      const auto placed = static_cast<float>(regionSize - bandNear - bandFar);
      return std::pow(kept / placed, kKernelRatioExponent);
    }

    static Texture& Taps(std::unique_ptr<Texture>& table, const Axis& axis) {
      if (!table) table = TapTable(axis);
      return *table;
    }

    Proc::CropInfo sourceCrop_{};
    Proc::CropInfo destinationCrop_{};
    Proc::FrameInfo sourceInfo_{0, 0, 0, 0};
    Proc::FrameInfo region_{0, 0, 0, 0};
    bool downscale_ = false;
    Axis horizontal_{};
    Axis vertical_{};
    glm::ivec2 placedOrigin_{0};
    std::unique_ptr<Quad> quad_;
    std::unique_ptr<Texture> horizontalTaps_;
    std::unique_ptr<Texture> verticalTaps_;
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
    ShaderProgram& program = UseLanczosProgram(kLanczosShader, cache.VerticalTaps(), storage);
    program.Uniform("placedOrigin", glm::vec2(cache.PlacedOrigin()));
    rows->Use(0);
    cache.GetQuad().Activate();
    cache.GetQuad().Draw(program);
  }

 private:
  // The first Lanczos pass: the source filtered along its rows into a new
  // intermediate frame of the placed width and the source's height, kept
  // in 16-bit float so that the lobes' overshoot survives to the second pass.
  static TexturePool::Lease FilterRows(Texture& source, CacheImpl& cache, ShaderStorage& storage) {
    Texture::Params params;
    params.width = cache.PlacedWidth();
    params.height = source.Height();
    params.internalFormat = GL_RGBA16F;
    params.type = GL_HALF_FLOAT;
    TexturePool::Lease rows = TexturePool::GetInstance().GetTex(params);
    Texture& taps = cache.HorizontalTaps();
    storage.FBO().Attach(*rows);
    ShaderProgram& program = UseLanczosProgram(kLanczosShader_Horizontal, taps, storage);
    source.Use(0);
    storage.Quad().Activate();
    storage.Quad().Draw(program);
    return rows;
  }

  // Both passes read their input on unit 0 and their axis's tap table on unit 1.
  template <class Sources>
  static ShaderProgram& UseLanczosProgram(const Sources& sources, const Texture& taps,
                                          ShaderStorage& storage) {
    ShaderProgram& program = storage.MakeShader(sources);
    program.Use();
    program.Uniform("tex", 0);
    program.Uniform("taps", 1);
    program.Uniform("tapRows", taps.Height());
    taps.Use(1);
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
