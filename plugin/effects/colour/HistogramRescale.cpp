#include "effects/colour/HistogramRescale.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <glog/logging.h>

#include "frame/ShaderSourceKeeper.h"
#include "obrisk/settings/AutoColorSettings.h"

namespace Obrisk::Ogl {
namespace {

constexpr const char* kSourcePath = "Proc/Effects/Quenvara/HistogramRescale";

// Every reducer writes the chosen component of its sample (or the mean of
// its samples) into red.
const ShaderSourceKeeper kOneComponent{"OneTexComponentForHistogram", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform int component;
varying vec2 TexCoord0;

// 1 in the chosen component's place, 0 elsewhere.
vec4 Selector() {
  return vec4(equal(ivec4(component), ivec4(0, 1, 2, 3)));
}

void main() {
  gl_FragColor = vec4(dot(texture2D(tex, TexCoord0), Selector()), 0.0, 0.0, 1.0);
}
)",
                                       kSourcePath};

// The sample point of an output pixel lies on the corner shared by the 2 x 2
// texels it covers; each is half a texel away diagonally.
const ShaderSourceKeeper kDownsizer2X{"TexDownsizer2XForHistogram", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform int component;
uniform float pixelXSize;
uniform float pixelYSize;
varying vec2 TexCoord0;

vec4 Selector() {
  return vec4(equal(ivec4(component), ivec4(0, 1, 2, 3)));
}

void main() {
  vec2 offset = 0.5 * vec2(pixelXSize, pixelYSize);
  vec4 sum = texture2D(tex, TexCoord0 + vec2(-offset.x, -offset.y)) +
             texture2D(tex, TexCoord0 + vec2(offset.x, -offset.y)) +
             texture2D(tex, TexCoord0 + vec2(-offset.x, offset.y)) +
             texture2D(tex, TexCoord0 + vec2(offset.x, offset.y));
  gl_FragColor = vec4(dot(sum, Selector()) / 4.0, 0.0, 0.0, 1.0);
}
)",
                                      kSourcePath};

// The sample point of an output pixel is the centre texel of the 3 x 3 it covers.
const ShaderSourceKeeper kDownsizer3X{"TexDownsizer3XForHistogram", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform int component;
uniform float pixelXSize;
uniform float pixelYSize;
varying vec2 TexCoord0;

vec4 Selector() {
  return vec4(equal(ivec4(component), ivec4(0, 1, 2, 3)));
}

void main() {
  vec4 sum = vec4(0.0);
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      sum += texture2D(tex, TexCoord0 + vec2(float(dx) * pixelXSize, float(dy) * pixelYSize));
    }
  }
  gl_FragColor = vec4(dot(sum, Selector()) / 9.0, 0.0, 0.0, 1.0);
}
)",
                                      kSourcePath};

// Level c (0 to 1) is looked up in the centre of table texel c x 255:
// (c x 255 + 0.5) / 256 = (510 c + 1) / 512.
constexpr const char* kTableLookup = R"(
uniform sampler2D normTex;

vec4 Lookup(float level) {
  return texture2D(normTex, vec2((510.0 * level + 1.0) / 512.0, 0.5));
}
)";

const ShaderSourceKeeper kRescaleRGBAShader{"RescaleHistrogramRGBA", Shader::FullFrame,
                                            [] {
                                              return std::string(kTableLookup) + R"(
uniform sampler2D tex0;
varying vec2 TexCoord0;

// Each colour channel through its own table; alpha kept.
void main() {
  vec4 color = texture2D(tex0, TexCoord0);
  gl_FragColor = vec4(Lookup(color.r).r, Lookup(color.g).g, Lookup(color.b).b, color.a);
}
)";
                                            },
                                            kSourcePath};

const ShaderSourceKeeper kRescaleYShader{"RescaleHistrogramY", Shader::FullFrame,
                                         [] {
                                           return std::string(kTableLookup) + R"(
uniform sampler2D tex0;
varying vec2 TexCoord0;

// The luma plane through the table.
void main() {
  gl_FragColor = vec4(Lookup(texture2D(tex0, TexCoord0).r).r, 0.0, 0.0, 1.0);
}
)";
                                         },
                                         kSourcePath};

// Counts every byte of a single-component texture, read back as it is.
Proc::Histogram CountLevels(Texture& texture, ShaderStorage& storage) {
  const std::size_t count =
      static_cast<std::size_t>(texture.Width()) * static_cast<std::size_t>(texture.Height());
  std::vector<std::uint8_t> levels(count);
  storage.FBO().Attach(texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, texture.Width(), texture.Height(), GL_RED, GL_UNSIGNED_BYTE, levels.data());
  Proc::Histogram histogram;
  for (std::uint8_t level : levels) ++histogram.bins[level];
  histogram.samples = count;
  return histogram;
}

int ReductionFactor(int longerSide) {
  if (longerSide >= kHistogramThirdFrom) return 3;
  if (longerSide >= kHistogramHalveFrom) return 2;
  return 1;
}

// Draws `program` over `target` with `texture` on unit 0, sampled texel-exactly.
template <class SetUniforms>
void DrawFromTexture(ShaderStorage& storage, ShaderProgram& program, const Texture& texture,
                     Texture& target, SetUniforms&& setUniforms) {
  storage.FBO().Attach(target);
  program.Use();
  program.Uniform("tex", 0);
  setUniforms(program);
  texture.Use(0);
  glBindSampler(0, storage.NearestSampler());
  storage.Quad().Activate();
  storage.Quad().Draw(program);
  glBindSampler(0, 0);
}

bool ValidThresholds(const Proc::Thresholds& thresholds) {
  const auto [black, white] = thresholds;
  if (!(black >= 0.0f && white >= 0.0f)) {
    LOG(ERROR) << "Invalid thresholds (negative or not a number): min = " << black
               << ", max = " << white;
    return false;
  }
  if (static_cast<double>(black) + static_cast<double>(white) > Proc::kMaxSaturatedPercent) {
    LOG(ERROR) << "Invalid thresholds (min + max > 100.0): min = " << black << ", max = " << white;
    return false;
  }
  return true;
}

bool SuitableTextures(int mode, const Texture& destination, const Texture& source) {
  if (mode != kRescaleRGB && mode != kRescaleY) {
    LOG(ERROR) << "Unknown rescale mode: " << mode;
    return false;
  }
  const int needed = mode == kRescaleRGB ? 3 : 1;
  if (destination.ComponentsPerPixel() >= needed && source.ComponentsPerPixel() >= needed) {
    return true;
  }
  LOG(ERROR) << (mode == kRescaleRGB ? "Both src and dst have to be RGB for RGB rescale mode"
                                     : "Both src and dst have to be YUV for Y rescale mode");
  return false;
}

// Uploads the tables as the cache's 256 x 1 texture: RGB texel i holds entry
// i of the red, green and blue tables; a single table goes into red.
void UploadTables(const std::vector<Proc::LevelTable>& tables, int mode,
                  HistogramRescaleOglCache& cache) {
  const bool rgb = mode == kRescaleRGB;
  if (!cache.allocated || cache.tableMode != mode) {
    Texture::Params params;
    params.width = static_cast<int>(Proc::kHistogramBins);
    params.height = 1;
    params.internalFormat = rgb ? GL_RGB8 : GL_R8;
    params.format = rgb ? GL_RGB : GL_RED;
    params.filter = GL_NEAREST;
    cache.normalization.Allocate(params, nullptr);
    cache.allocated = true;
    cache.tableMode = mode;
  }
  std::vector<std::uint8_t> texels(Proc::kHistogramBins * tables.size());
  for (std::size_t level = 0; level < Proc::kHistogramBins; ++level) {
    for (std::size_t channel = 0; channel < tables.size(); ++channel) {
      texels[level * tables.size() + channel] = tables[channel][level];
    }
  }
  cache.normalization.Update(0, texels.data());
}

}  // namespace

Proc::Histogram ComputeHistogram(Texture& texture, int component, ShaderStorage& storage) {
  const int width = texture.Width();
  const int height = texture.Height();
  const int factor = ReductionFactor(std::max(width, height));
  if (factor == 1 && texture.ComponentsPerPixel() == 1) return CountLevels(texture, storage);

  Texture::Params params;
  params.width = std::max(1, width / factor);
  params.height = std::max(1, height / factor);
  params.internalFormat = GL_R8;
  params.format = GL_RED;
  params.filter = GL_NEAREST;
  TexturePool::Lease reduced = TexturePool::GetInstance().GetTex(params);
  const auto& sources = factor == 1 ? kOneComponent : factor == 2 ? kDownsizer2X : kDownsizer3X;
  DrawFromTexture(storage, storage.MakeShader(sources), texture, *reduced,
                  [&](ShaderProgram& program) {
                    program.Uniform("component", component);
                    program.Uniform("pixelXSize", 1.0 / width);
                    program.Uniform("pixelYSize", 1.0 / height);
                  });
  return CountLevels(*reduced, storage);
}

bool PrepareRescale(Texture& source, int mode, const Proc::Thresholds& thresholds,
                    Proc::Range& range, ShaderStorage& storage, HistogramRescaleOglCache& cache) {
  if (!ValidThresholds(thresholds)) return false;
  const int channels = mode == kRescaleRGB ? 3 : 1;
  std::vector<Proc::Histogram> histograms;
  for (int component = 0; component < channels; ++component) {
    histograms.push_back(ComputeHistogram(source, component, storage));
  }
  const Proc::ChannelRanges quantiles =
      Proc::CalcQuantiles(histograms, histograms.back().samples, thresholds);
  range = Proc::UpdateRange(range, Proc::CalcRange(histograms));
  if (!Proc::ValidQuantile(quantiles, range) || !Proc::RescaleNeeded(quantiles, range)) {
    return false;
  }
  UploadTables(Proc::CreateNormalizationTables(quantiles, range), mode, cache);
  return true;
}

bool RescaleHistogram(Texture& destination, Texture& source, int mode,
                      const Proc::Thresholds& thresholds, Proc::Range& range,
                      ShaderStorage& storage, HistogramRescaleOglCache& cache) {
  if (!ValidThresholds(thresholds) || !SuitableTextures(mode, destination, source) ||
      !PrepareRescale(source, mode, thresholds, range, storage, cache)) {
    return false;
  }
  ShaderProgram& program =
      storage.MakeShader(mode == kRescaleRGB ? kRescaleRGBAShader : kRescaleYShader);
  storage.FBO().Attach(destination);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("normTex", 1);
  source.Use(0);
  glBindSampler(0, storage.NearestSampler());
  cache.normalization.Use(1);
  storage.Quad().Activate();
  storage.Quad().Draw(program);
  glBindSampler(0, 0);
  return true;
}

}  // namespace Obrisk::Ogl
