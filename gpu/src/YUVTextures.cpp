#include "obrisk/ogl/YUVTextures.h"

#include <fmt/format.h>

#include "obrisk/ogl/ColorConversion.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;

// Code values of 8-bit Y'CbCr (ITU-R BT.601-7 and BT.709-6, item 4.6).
constexpr double kCodeMax = 255.0;
constexpr double kLimitedBlack = 16.0;
constexpr double kLimitedLumaSpan = 219.0;
constexpr double kLimitedChromaSpan = 224.0;
constexpr double kChromaZero = 128.0;

struct PlaneLayout {
  bool subsampled;  // 4:2:0 rather than 4:4:4
  bool alpha;
};

bool FindLayout(PixFmt format, PlaneLayout& layout) {
  switch (format) {
    case PixFmt::YUV420P:
      layout = {true, false};
      return true;
    case PixFmt::YUV444P:
      layout = {false, false};
      return true;
    case PixFmt::YUVA420P:
      layout = {true, true};
      return true;
    case PixFmt::YUVA444P:
      layout = {false, true};
      return true;
    default:
      return false;
  }
}

PlaneLayout LayoutOf(PixFmt format) {
  PlaneLayout layout{};
  if (!FindLayout(format, layout)) {
    OBRISK_THROW(OglException,
                 fmt::format("pixel format {} is not planar Y'CbCr", static_cast<int>(format)));
  }
  return layout;
}

// Normalised plane samples to Y'PbPr: value = sample x gain + bias.
struct Range {
  glm::dvec3 gain;
  glm::dvec3 bias;
};

Range RangeOf(const Proc::ColorSpace& colorSpace) {
  if (colorSpace.fullRange != 0) {
    const double chromaBias = -kChromaZero / kCodeMax;
    return {glm::dvec3(1.0), glm::dvec3(0.0, chromaBias, chromaBias)};
  }
  const double lumaGain = kCodeMax / kLimitedLumaSpan;
  const double chromaGain = kCodeMax / kLimitedChromaSpan;
  const double chromaBias = -kChromaZero / kLimitedChromaSpan;
  return {glm::dvec3(lumaGain, chromaGain, chromaGain),
          glm::dvec3(-kLimitedBlack / kLimitedLumaSpan, chromaBias, chromaBias)};
}

// R'G'B' to Y'PbPr for a matrix (column-major).
glm::dmat3 RgbToYpbpr(const LumaCoefficients& k) {
  const double kg = 1.0 - k.kr - k.kb;
  const double pbScale = 2.0 * (1.0 - k.kb);
  const double prScale = 2.0 * (1.0 - k.kr);
  // Rows: Y' = kr R + kg G + kb B; Pb = (B - Y') / pbScale; Pr = (R - Y') / prScale.
  const glm::dmat3 rows(k.kr, kg, k.kb, -k.kr / pbScale, -kg / pbScale, (1.0 - k.kb) / pbScale,
                        (1.0 - k.kr) / prScale, -kg / prScale, -k.kb / prScale);
  return glm::transpose(rows);
}

constexpr const char* kToRgbaFragment = R"(
uniform sampler2D texY;
uniform sampler2D texCb;
uniform sampler2D texCr;
uniform sampler2D texA;
uniform float hasAlpha;
uniform vec3 gain;   // plane samples to Y'PbPr: sample x gain + bias
uniform vec3 bias;
uniform mat3 toRgb;  // Y'PbPr to R'G'B'
varying vec2 TexCoord0;

void main() {
  vec3 samples = vec3(texture2D(texY, TexCoord0).r, texture2D(texCb, TexCoord0).r,
                      texture2D(texCr, TexCoord0).r);
  float alpha = mix(1.0, texture2D(texA, TexCoord0).r, hasAlpha);
  gl_FragColor = vec4(toRgb * (samples * gain + bias), alpha);
}
)";

constexpr const char* kFromRgbaFragment = R"(
uniform sampler2D tex;
uniform vec4 plane;  // picks Y', Cb, Cr or A
uniform vec3 gain;   // as in the way back: sample x gain + bias is Y'PbPr
uniform vec3 bias;
uniform mat3 toYpbpr;
varying vec2 TexCoord0;

void main() {
  vec4 c = texture2D(tex, TexCoord0);
  vec3 samples = (toYpbpr * c.rgb - bias) / gain;
  gl_FragColor = vec4(dot(plane, vec4(samples, c.a)));
}
)";

const ShaderSources kToRgba{"YUVConverter_ToRGBA", Shader::FullFrame,
                            std::string_view(kToRgbaFragment), "Ogl/YUVConverter"};
const ShaderSources kFromRgba{"YUVConverter_FromRGBA", Shader::FullFrame,
                              std::string_view(kFromRgbaFragment), "Ogl/YUVConverter"};

void SetRangeUniforms(ShaderProgram& program, const Range& range) {
  program.Uniform("gain", glm::vec3(range.gain));
  program.Uniform("bias", glm::vec3(range.bias));
}

}  // namespace

bool YUVTextures::IsPlanar(PixFmt format) {
  PlaneLayout layout{};
  return FindLayout(format, layout);
}

std::vector<Texture::Params> YUVTextures::PlaneParams(PixFmt format, const Proc::FrameInfo& info) {
  const PlaneLayout layout = LayoutOf(format);
  Texture::Params luma;
  luma.width = info.width;
  luma.height = info.height;
  luma.internalFormat = GL_R8;
  luma.format = GL_RED;
  Texture::Params chroma = luma;
  if (layout.subsampled) {
    chroma.width = (info.width + 1) / 2;
    chroma.height = (info.height + 1) / 2;
  }
  std::vector<Texture::Params> planes{luma, chroma, chroma};
  if (layout.alpha) planes.push_back(luma);
  return planes;
}

YUVTextures::YUVTextures(PixFmt format, std::vector<Texture*> planes)
    : format_(format), planes_(std::move(planes)) {
  const Proc::FrameInfo info{planes_.empty() ? 0 : planes_.front()->Width(),
                             planes_.empty() ? 0 : planes_.front()->Height()};
  const std::vector<Texture::Params> expected = PlaneParams(format, info);
  bool fits = expected.size() == planes_.size();
  for (std::size_t i = 0; fits && i < planes_.size(); ++i) {
    fits = planes_[i] != nullptr && planes_[i]->Width() == expected[i].width &&
           planes_[i]->Height() == expected[i].height;
  }
  if (!fits) {
    OBRISK_THROW(OglException,
                 fmt::format("the planes do not fit pixel format {}", static_cast<int>(format)));
  }
}

void YUVConverter::ToRGBA(const YUVTextures& planes, const Proc::ColorSpace& colorSpace,
                          ShaderStorage& storage) {
  const glm::dmat3 toRgb = glm::inverse(RgbToYpbpr(FindLumaCoefficients(colorSpace.matrix)));
  ShaderProgram& program = storage.MakeShader(kToRgba);
  program.Use();
  const char* samplers[] = {"texY", "texCb", "texCr", "texA"};
  // Without an alpha plane the luma plane stands in on the alpha unit; hasAlpha ignores it.
  for (int unit = 0; unit < 4; ++unit) {
    program.Uniform(samplers[unit], unit);
    planes.Plane(unit < planes.PlaneCount() ? unit : YUVTextures::kLuma).Use(unit);
  }
  program.Uniform("hasAlpha", planes.HasAlpha() ? 1.0f : 0.0f);
  SetRangeUniforms(program, RangeOf(colorSpace));
  program.Uniform("toRgb", glm::mat3(toRgb), false);
  storage.FrameQuad().Activate();
  storage.FrameQuad().Draw(program);
  glActiveTexture(GL_TEXTURE0);
}

void YUVConverter::FromRGBA(Texture& rgba, const Proc::ColorSpace& colorSpace, YUVTextures& planes,
                            ShaderStorage& storage) {
  const glm::dmat3 toYpbpr = RgbToYpbpr(FindLumaCoefficients(colorSpace.matrix));
  ShaderProgram& program = storage.MakeShader(kFromRgba);
  program.Use();
  program.Uniform("tex", 0);
  SetRangeUniforms(program, RangeOf(colorSpace));
  program.Uniform("toYpbpr", glm::mat3(toYpbpr), false);
  rgba.Use(0);
  for (int index = 0; index < planes.PlaneCount(); ++index) {
    glm::vec4 selector(0.0f);
    selector[index] = 1.0f;
    program.Uniform("plane", selector);
    storage.FBO().Attach(planes.Plane(index));
    storage.FrameQuad().Activate();
    storage.FrameQuad().Draw(program);
  }
}

glm::vec3 RgbToBT709YpPbPr(const glm::vec3& rgb) {
  return glm::vec3(RgbToYpbpr(FindLumaCoefficients(1)) * glm::dvec3(rgb));
}

}  // namespace Obrisk::Ogl
