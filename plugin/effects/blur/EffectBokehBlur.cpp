#include "effects/blur/EffectBokehBlur.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <glm/vec2.hpp>

#include "effects/blur/BlurPasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

constexpr const char* kPath = "Proc/Effects/Quenvara/EffectBokehBlur";

// Kernel into the corner of the FFT grid: the kernel fills [0, size) of the
// grid, the rest is zero. The shape's rows come top first, so v is flipped.
const ShaderSourceKeeper kKernelShader{"EffectBokehBlur_bm", Shader::FullFrame, R"(
uniform sampler2D mask_tex;
uniform vec2 size;
varying vec2 TexCoord0;
void main() {
  if (TexCoord0.x < size.x && TexCoord0.y < size.y) {
    vec2 st = vec2(TexCoord0.x / size.x, 1.0 - TexCoord0.y / size.y);
    gl_FragColor = vec4(texture2D(mask_tex, st).r, 0.0, 0.0, 0.0);
  } else {
    gl_FragColor = vec4(0.0);
  }
}
)",
                                       kPath};

// Highlights: pixels whose luma exceeds the local average (the down-scaled
// frame) by more than the threshold are multiplied by `scale`.
const ShaderSourceKeeper kHighlightShader{"EffectBokehBlur_mag_light", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform sampler2D down_tex;
uniform float scale;
uniform float treshhold;
varying vec2 TexCoord0;
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  vec4 local = texture2D(down_tex, TexCoord0);
  if (obrisk_RGBA2Y_(color - local) > treshhold) color.rgb *= scale;
  gl_FragColor = color;
}
)",
                                          kPath};

// The frame into the FFT grid: it starts `offset` into the grid and covers
// 1 / scale of it; clamping fills the margin with the nearest edge pixels.
const ShaderSourceKeeper kGridShader{"EffectBokehBlur_rg", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec2 scale;
uniform vec2 offset;
varying vec2 TexCoord0;
void main() { gl_FragColor = texture2D(tex, (TexCoord0 - offset) * scale); }
)",
                                     kPath};

// Spectrum times kernel spectrum; a texel holds two complex numbers (r + ig,
// b + ia), the kernel one (r + ig).
const ShaderSourceKeeper kMultiplyShader{"EffectBokehBlur_mul_rg", Shader::FullFrame, R"(
uniform sampler2D rg_tex;
uniform sampler2D bm_tex;
varying vec2 TexCoord0;
vec2 ComplexProduct(vec2 a, vec2 b) { return vec2(a.x * b.x - a.y * b.y, a.x * b.y + a.y * b.x); }
void main() {
  vec4 c0 = texture2D(rg_tex, TexCoord0);
  vec2 k = texture2D(bm_tex, TexCoord0).rg;
  gl_FragColor = vec4(ComplexProduct(c0.rg, k), ComplexProduct(c0.ba, k));
}
)",
                                         kPath};

// Transforming forward twice leaves the convolution reflected through the
// grid's origin: reading at 1 - p undoes that; `origin` is where the result
// for the frame's first pixel lies (the frame's offset in the grid plus half
// the kernel, less the texel and a half by which the discrete reflection and
// the kernel's first texel shift it), `scale` divides out the transform's
// and the kernel's weights.
const ShaderSourceKeeper kRenderShader{"EffectBokehBlur_render", Shader::FullFrame, R"(
uniform sampler2D rg_tex;
uniform float scale;
uniform vec2 size;
uniform vec2 origin;
varying vec2 TexCoord0;
void main() {
  vec2 q = vec2(1.0) - (TexCoord0 * (vec2(1.0) - size) + origin);
  gl_FragColor = texture2D(rg_tex, q) * scale;
}
)",
                                       kPath};

// One radix-2 pass of the FFT along `axis`: the butterfly table's texel for
// this column (or row) names the two inputs a, b and the twiddle w; the
// output is a + w b for each complex pair, or for the first only (two-channel
// spectra) with the second kept.
std::string FftFragment(bool vertical, bool bothPairs) {
  return fmt::format(R"(
uniform sampler2D tex;
uniform sampler2D src;
uniform float PassN;
varying vec2 TexCoord0;
vec2 ComplexProduct(vec2 a, vec2 b) {{ return vec2(a.x * b.x - a.y * b.y, a.x * b.y + a.y * b.x); }}
void main() {{
  vec4 butterfly = texture2D(tex, vec2(TexCoord0.{along}, PassN));
  vec4 a = texture2D(src, {first});
  vec4 b = texture2D(src, {second});
  vec2 w = butterfly.zw;
  gl_FragColor = vec4(a.xy + ComplexProduct(w, b.xy), {secondPair});
}}
)",
                     fmt::arg("along", vertical ? "y" : "x"),
                     fmt::arg("first", vertical ? "vec2(TexCoord0.x, butterfly.x)"
                                                : "vec2(butterfly.x, TexCoord0.y)"),
                     fmt::arg("second", vertical ? "vec2(TexCoord0.x, butterfly.y)"
                                                 : "vec2(butterfly.y, TexCoord0.y)"),
                     fmt::arg("secondPair", bothPairs ? "a.zw + ComplexProduct(w, b.zw)" : "a.zw"));
}

const ShaderSourceKeeper kFftH{"EffectBokehBlur_fft_H", Shader::FullFrame,
                               [] { return FftFragment(false, true); }, kPath};
const ShaderSourceKeeper kFftHS{"EffectBokehBlur_fft_HS", Shader::FullFrame,
                                [] { return FftFragment(false, false); }, kPath};
const ShaderSourceKeeper kFftV{"EffectBokehBlur_fft_V", Shader::FullFrame,
                               [] { return FftFragment(true, true); }, kPath};
const ShaderSourceKeeper kFftVS{"EffectBokehBlur_fft_VS", Shader::FullFrame,
                                [] { return FftFragment(true, false); }, kPath};

// The grid is a quarter of the power of two holding the side plus this margin.
constexpr int kGridMargin = 256;
constexpr int kMinGridExponent = 8;
constexpr int kGridQuarter = 2;
constexpr int kMinKernel = 3;
// The discrete reflection moves the result by one texel and the kernel's
// first texel centre by half a texel.
constexpr float kReflectionShiftTexels = 1.5f;

Texture::Params TextureParams(int width, int height, GLint internalFormat, GLenum format,
                              GLenum type, GLint filter, GLint wrap) {
  Texture::Params params;
  params.width = width;
  params.height = height;
  params.internalFormat = internalFormat;
  params.format = format;
  params.type = type;
  params.filter = filter;
  params.wrap = wrap;
  return params;
}

Texture::Params SpectrumParams(int width, int height) {
  return TextureParams(width, height, GL_RGBA32F, GL_RGBA, GL_FLOAT, GL_LINEAR, GL_CLAMP_TO_EDGE);
}

Texture::Params KernelSpectrumParams(int width, int height) {
  return TextureParams(width, height, GL_RG16F, GL_RG, GL_FLOAT, GL_LINEAR, GL_MIRRORED_REPEAT);
}

unsigned BitReversed(unsigned value, int bits) {
  unsigned reversed = 0;
  for (int i = 0; i < bits; ++i) reversed |= ((value >> i) & 1u) << (bits - 1 - i);
  return reversed;
}

// The butterfly table of a length-2^log2 transform: row r drives pass r and
// holds, per column, the two input positions and the twiddle factor.
std::unique_ptr<Texture> ButterflyTable(int log2) {
  const int n = 1 << log2;
  std::vector<float> texels(static_cast<std::size_t>(n) * log2 * 4);
  for (int r = 0; r < log2; ++r) {
    const int m = 1 << r;
    for (int c = 0; c < n; ++c) {
      const int p = c % (2 * m);
      const bool upper = p < m;
      unsigned a = static_cast<unsigned>(upper ? c : c - m);
      unsigned b = static_cast<unsigned>(upper ? c + m : c);
      const double x = (upper ? p : p - m) * 2.0 * std::numbers::pi * (n / (2.0 * m)) / n;
      const double sign = upper ? 1.0 : -1.0;
      if (r == 0) {
        a = BitReversed(a, log2);
        b = BitReversed(b, log2);
      }
      float* texel = &texels[(static_cast<std::size_t>(r) * n + c) * 4];
      texel[0] = (static_cast<float>(a) + 0.5f) / static_cast<float>(n);
      texel[1] = (static_cast<float>(b) + 0.5f) / static_cast<float>(n);
      texel[2] = static_cast<float>(sign * std::cos(x));
      texel[3] = static_cast<float>(-sign * std::sin(x));
    }
  }
  return std::make_unique<Texture>(
      TextureParams(n, log2, GL_RGBA32F, GL_RGBA, GL_FLOAT, GL_NEAREST, GL_CLAMP_TO_EDGE),
      texels.data());
}

bool IsUsable(const Proc::BgraImage* image) {
  return image != nullptr && image->width > 0 && image->height > 0 && image->Pixels() != nullptr &&
         image->pixels.size() >= static_cast<std::size_t>(image->width) * image->height * 4;
}

}  // namespace

int BokehGridLog2(int size) {
  int exponent = kMinGridExponent;
  while ((1LL << exponent) < static_cast<long long>(size) + kGridMargin) ++exponent;
  return exponent - kGridQuarter;
}

int BokehKernelSize(int width, int height, const Proc::SettingsEffectBokehBlur& settings) {
  const double intensity = settings.GetIntensity();
  return std::max(kMinKernel,
                  static_cast<int>(std::min(width, height) * intensity * settings.GetSize()));
}

// The FFT convolution's textures and the values they were made for.
class EffectBokehBlur::CacheImpl final : public OglCache {
 public:
  // Brings the kernel spectrum and the textures up to date for this frame
  // size and these settings; false when there is no kernel to convolve with.
  bool Prepare(int width, int height, const Proc::SettingsEffectBokehBlur& settings,
               ShaderStorage& storage);
  void Convolve(Frame& rgba, Texture& target, const Proc::SettingsEffectBokehBlur& settings,
                ShaderStorage& storage);

 private:
  bool PrepareShape(const Proc::SettingsEffectBokehBlur& settings, int kernel);
  bool PrepareFrame(int width, int height);
  bool TransformKernel(ShaderStorage& storage);
  // One forward 2-D transform of `data`, ping-ponging with `scratch`; the
  // two swap as the passes go, and `data` holds the result at the end.
  void Transform(ShaderStorage& storage, ShaderProgram& horizontal, ShaderProgram& vertical,
                 std::unique_ptr<Texture>& data, std::unique_ptr<Texture>& scratch);
  // `passes` radix-2 passes along one axis, driven by the rows of `table`.
  void FftPasses(ShaderStorage& storage, ShaderProgram& program, Texture& table, int passes,
                 std::unique_ptr<Texture>& data, std::unique_ptr<Texture>& scratch);
  glm::vec2 GridTexel() const;

  std::unique_ptr<Texture> down_;
  std::unique_ptr<Texture> boosted_;
  std::unique_ptr<Texture> shape_;
  std::unique_ptr<Texture> tableH_;
  std::unique_ptr<Texture> tableV_;
  std::unique_ptr<Texture> spectrum_[2];
  std::unique_ptr<Texture> kernelSpectrum_;
  std::shared_ptr<const Proc::BgraImage> image_;
  int kernel_ = 0;
  int kernelWidth_ = 0;
  int kernelHeight_ = 0;
  int logW_ = 0;
  int logH_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool hasKernel_ = false;
  float renderScale_ = 0.0f;
  // The kernel's extent and the frame's offset, as fractions of the grid.
  glm::vec2 kernelExtent_{0.0f};
  glm::vec2 frameOffset_{0.0f};
};

bool EffectBokehBlur::CacheImpl::PrepareShape(const Proc::SettingsEffectBokehBlur& settings,
                                              int kernel) {
  const auto& image = settings.GetImage();
  const bool same = image_ && image_->width == image->width && image_->height == image->height &&
                    image_->Pixels() == image->Pixels() && kernel_ == kernel;
  if (same) return false;
  shape_ = std::make_unique<Texture>(TextureParams(image->width, image->height, GL_RGBA8, GL_BGRA,
                                                   GL_UNSIGNED_BYTE, GL_LINEAR, GL_CLAMP_TO_EDGE),
                                     image->Pixels());
  image_ = image;
  kernel_ = kernel;
  // The kernel keeps the shape's aspect; its longer side is `kernel` pixels.
  const float k = static_cast<float>(kernel);
  const float w = static_cast<float>(image->width);
  const float h = static_cast<float>(image->height);
  kernelWidth_ = image->width <= image->height ? static_cast<int>(w * k / h) : kernel;
  kernelHeight_ = image->width <= image->height ? kernel : static_cast<int>(h * k / w);
  kernelWidth_ = std::max(kernelWidth_, 1);
  kernelHeight_ = std::max(kernelHeight_, 1);
  return true;
}

bool EffectBokehBlur::CacheImpl::PrepareFrame(int width, int height) {
  if (width == width_ && height == height_) return false;
  width_ = width;
  height_ = height;
  boosted_ = std::make_unique<Texture>(
      TextureParams(width, height, GL_RGBA16F, GL_RGBA, GL_FLOAT, GL_LINEAR, GL_CLAMP_TO_EDGE),
      nullptr);
  const int logW = BokehGridLog2(width);
  const int logH = BokehGridLog2(height);
  if (logW != logW_ || !tableH_) tableH_ = ButterflyTable(logW);
  if (logH != logH_ || !tableV_) tableV_ = ButterflyTable(logH);
  if (logW != logW_ || logH != logH_ || !kernelSpectrum_) {
    const int gridW = 1 << logW;
    const int gridH = 1 << logH;
    for (auto& spectrum : spectrum_) {
      spectrum = std::make_unique<Texture>(SpectrumParams(gridW, gridH), nullptr);
    }
    kernelSpectrum_ = std::make_unique<Texture>(KernelSpectrumParams(gridW, gridH), nullptr);
  }
  logW_ = logW;
  logH_ = logH;
  return true;
}

glm::vec2 EffectBokehBlur::CacheImpl::GridTexel() const {
  return {1.0f / static_cast<float>(1 << logW_), 1.0f / static_cast<float>(1 << logH_)};
}

bool EffectBokehBlur::CacheImpl::Prepare(int width, int height,
                                         const Proc::SettingsEffectBokehBlur& settings,
                                         ShaderStorage& storage) {
  if (!IsUsable(settings.GetImage().get())) return false;
  const bool shapeChanged = PrepareShape(settings, BokehKernelSize(width, height, settings));
  const bool frameChanged = PrepareFrame(width, height);
  if (!shapeChanged && !frameChanged) return hasKernel_;

  down_ = std::make_unique<Texture>(
      TextureParams(std::max(width / kernelWidth_, 1), std::max(height / kernelHeight_, 1), GL_RGB8,
                    GL_BGR, GL_UNSIGNED_BYTE, GL_LINEAR, GL_CLAMP_TO_EDGE),
      nullptr);
  // The grid spans the frame plus one kernel: kernel extent kw / (W + kw).
  kernelExtent_ = {static_cast<float>(kernelWidth_) / static_cast<float>(width + kernelWidth_),
                   static_cast<float>(kernelHeight_) / static_cast<float>(height + kernelHeight_)};
  // Half the margin (whole grid texels) before the frame, half after, so
  // that each edge is continued by its own pixels.
  const glm::vec2 texel = GridTexel();
  frameOffset_ = glm::floor(kernelExtent_ / texel * 0.5f) * texel;
  hasKernel_ = TransformKernel(storage);
  return hasKernel_;
}

bool EffectBokehBlur::CacheImpl::TransformKernel(ShaderStorage& storage) {
  // The shape at the kernel's size, laid into the corner of the grid.
  Texture mask(TextureParams(kernelWidth_, kernelHeight_, GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE,
                             GL_LINEAR, GL_CLAMP_TO_EDGE),
               nullptr);
  DrawPass(storage, mask, storage.Quad(), storage.GetShaderProgram(BuiltinProgram::kCopy),
           [&](ShaderProgram& program) {
             program.Uniform("tex", 0);
             shape_->Use(0);
           });
  DrawPass(storage, *kernelSpectrum_, storage.FrameQuad(), storage.MakeShader(kKernelShader),
           [&](ShaderProgram& program) {
             program.Uniform("mask_tex", 0);
             program.Uniform("size", kernelExtent_);
             mask.Use(0);
           });
  auto scratch = std::make_unique<Texture>(kernelSpectrum_->GetParams(), nullptr);
  Transform(storage, storage.MakeShader(kFftHS), storage.MakeShader(kFftVS), kernelSpectrum_,
            scratch);

  // The zero-frequency term is the kernel's total weight as the grid holds
  // it. A black shape weighs nothing: there is nothing to normalise by.
  storage.FBO().Attach(*kernelSpectrum_);
  std::array<float, 4> zeroFrequency{};
  glReadPixels(0, 0, 1, 1, GL_RGBA, GL_FLOAT, zeroFrequency.data());
  const float weight = zeroFrequency[0];
  if (!(weight > 0.0f)) return false;
  // Divides out the factor W x H of transforming forward twice and the weight.
  const float gridW = static_cast<float>(1 << logW_);
  const float gridH = static_cast<float>(1 << logH_);
  renderScale_ = 1.0f / (gridW * gridH * weight);
  return true;
}

void EffectBokehBlur::CacheImpl::FftPasses(ShaderStorage& storage, ShaderProgram& program,
                                           Texture& table, int passes,
                                           std::unique_ptr<Texture>& data,
                                           std::unique_ptr<Texture>& scratch) {
  for (int r = 0; r < passes; ++r) {
    DrawPass(storage, *scratch, storage.Quad(), program, [&](ShaderProgram& pass) {
      pass.Uniform("tex", 0);
      pass.Uniform("src", 1);
      pass.Uniform("PassN", (static_cast<float>(r) + 0.5f) / static_cast<float>(passes));
      table.Use(0);
      data->Use(1);
      // Every read lands on a texel centre: sample exactly.
      glBindSampler(1, storage.NearestSampler());
    });
    glBindSampler(1, 0);
    std::swap(data, scratch);
  }
}

void EffectBokehBlur::CacheImpl::Transform(ShaderStorage& storage, ShaderProgram& horizontal,
                                           ShaderProgram& vertical, std::unique_ptr<Texture>& data,
                                           std::unique_ptr<Texture>& scratch) {
  FftPasses(storage, horizontal, *tableH_, logW_, data, scratch);
  FftPasses(storage, vertical, *tableV_, logH_, data, scratch);
}

void EffectBokehBlur::CacheImpl::Convolve(Frame& rgba, Texture& target,
                                          const Proc::SettingsEffectBokehBlur& settings,
                                          ShaderStorage& storage) {
  Texture& source = rgba.GetFirstTexture();
  storage.FBO().Attach(*down_);
  rgba.Draw(storage.FrameQuad(), storage);
  DrawPass(storage, *boosted_, storage.FrameQuad(), storage.MakeShader(kHighlightShader),
           [&](ShaderProgram& program) {
             program.Uniform("tex", 0);
             program.Uniform("down_tex", 1);
             program.Uniform("scale", static_cast<float>(settings.GetHighlightGain()));
             program.Uniform("treshhold", static_cast<float>(settings.GetHighlightThreshold()));
             source.Use(0);
             down_->Use(1);
           });
  DrawPass(storage, *spectrum_[0], storage.FrameQuad(), storage.MakeShader(kGridShader),
           [&](ShaderProgram& program) {
             program.Uniform("tex", 0);
             program.Uniform("scale", 1.0f / (1.0f - kernelExtent_));
             program.Uniform("offset", frameOffset_);
             boosted_->Use(0);
           });
  ShaderProgram& horizontal = storage.MakeShader(kFftH);
  ShaderProgram& vertical = storage.MakeShader(kFftV);
  Transform(storage, horizontal, vertical, spectrum_[0], spectrum_[1]);
  DrawPass(storage, *spectrum_[1], storage.Quad(), storage.MakeShader(kMultiplyShader),
           [&](ShaderProgram& program) {
             program.Uniform("rg_tex", 0);
             program.Uniform("bm_tex", 1);
             spectrum_[0]->Use(0);
             kernelSpectrum_->Use(1);
             glBindSampler(0, storage.NearestSampler());
             glBindSampler(1, storage.NearestSampler());
           });
  glBindSampler(0, 0);
  glBindSampler(1, 0);
  std::swap(spectrum_[0], spectrum_[1]);
  Transform(storage, horizontal, vertical, spectrum_[0], spectrum_[1]);
  DrawPass(storage, target, storage.FrameQuad(), storage.MakeShader(kRenderShader),
           [&](ShaderProgram& program) {
             program.Uniform("rg_tex", 0);
             program.Uniform("scale", renderScale_);
             program.Uniform("size", kernelExtent_);
             program.Uniform("origin", frameOffset_ + kernelExtent_ * 0.5f -
                                           kReflectionShiftTexels * GridTexel());
             spectrum_[0]->Use(0);
           });
}

const std::string_view& EffectBokehBlur::GetName() const {
  static constexpr std::string_view kName = "EffectBokehBlur";
  return kName;
}

Ptr<OglCache> EffectBokehBlur::CreateCache() {
  return MakeRef<CacheImpl>();
}

void EffectBokehBlur::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                 double, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  CacheImpl& bokeh = CacheAs<CacheImpl>(cache);
  const Proc::SettingsEffectBokehBlur& settings = DrawingSettings();
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  const Proc::FrameInfo& info = rgba->GetFrameInfo();
  const bool convolve = bokeh.Prepare(info.width, info.height, settings, storage);
  if (convolve) bokeh.Convolve(*rgba, target->GetFirstTexture(), settings, storage);
  // The intensity both sizes the kernel and mixes the result with the
  // source; without a kernel the source passes through.
  storage.FBO().Attach(target->GetFirstTexture());
  const float opacity = convolve ? 1.0f - settings.GetIntensity() : 1.0f;
  rgba->Draw(storage.FrameQuad(), storage, opacity);
}

}  // namespace Obrisk::Ogl
