#include "obrisk/ogl/YUVTextures.h"

#include <array>
#include <string>
#include <string_view>

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

constexpr std::string_view kSourcePath = "Ogl/YUVConverter";
// Fragment sources that write integer planes (out uvec4) or fetch texels.
constexpr std::string_view kIntegerVersion = "#version 130\n";

// The arithmetic of the splits and of the way back, shared with the passes
// of other modules that work on code values without drawing planes.
constexpr std::string_view kPlaneMath = R"(
uniform vec3 gain;     // plane samples to Y'PbPr: sample x gain + bias
uniform vec3 bias;
uniform mat3 toYpbpr;  // R'G'B' to Y'PbPr
uniform mat3 toRgb;    // Y'PbPr to R'G'B'
uniform float codeMax;

// R'G'B' to plane samples, 0 to 1 over the code range.
vec3 PlaneSamples(vec3 rgb) {
  return (toYpbpr * rgb - bias) / gain;
}

// The nearest code value of plane samples, as an integer split writes it.
vec3 NearestCodes(vec3 samples) {
  return floor(clamp(samples, 0.0, 1.0) * codeMax + 0.5);
}

// Plane samples to R'G'B', as the way back draws them.
vec3 RgbOfSamples(vec3 samples) {
  return toRgb * (samples * gain + bias);
}
)";

constexpr std::string_view kToRgbaMain = R"(
uniform sampler2D texY;
uniform sampler2D texCb;
uniform sampler2D texCr;
uniform sampler2D texA;
uniform float hasAlpha;
varying vec2 TexCoord0;

void main() {
  vec3 samples = vec3(texture2D(texY, TexCoord0).r, texture2D(texCb, TexCoord0).r,
                      texture2D(texCr, TexCoord0).r);
  float alpha = mix(1.0, texture2D(texA, TexCoord0).r, hasAlpha);
  gl_FragColor = vec4(RgbOfSamples(samples), alpha);
}
)";

// The split into one plane: its sample of the RGBA picture, 0 to 1 over the
// code range (chroma of a 4:2:0 plane is the bilinear mean of its block).
constexpr std::string_view kSplitCommon = R"(
uniform sampler2D tex;
uniform vec4 plane;  // picks Y', Cb, Cr or A
varying vec2 TexCoord0;

vec4 PlaneSample() {
  vec4 c = texture2D(tex, TexCoord0);
  return vec4(dot(plane, vec4(PlaneSamples(c.rgb), c.a)));
}
)";

constexpr std::string_view kSplitNormalizedMain = R"(
void main() {
  gl_FragColor = PlaneSample();
}
)";

constexpr std::string_view kSplitIntegerMain = R"(
out uvec4 code;

void main() {
  code = uvec4(uint(NearestCodes(PlaneSample().xyz).x));
}
)";

// Integer plane to normalised plane of the same size: v becomes v / codeMax.
constexpr std::string_view kToNormalizedPlaneFragment = R"(#version 130
uniform usampler2D plane;
uniform float codeMax;
out vec4 value;

void main() {
  value = vec4(float(texelFetch(plane, ivec2(gl_FragCoord.xy), 0).r) / codeMax);
}
)";

// Normalised plane to integer plane of the same size: the nearest code value.
constexpr std::string_view kToIntegerPlaneFragment = R"(#version 130
uniform sampler2D plane;
uniform float codeMax;
out uvec4 code;

void main() {
  code = uvec4(uint(floor(texelFetch(plane, ivec2(gl_FragCoord.xy), 0).r * codeMax + 0.5)));
}
)";

const ShaderSources kToRgba{"YUVConverter_ToRGBA", Shader::FullFrame,
                            [] { return std::string(kPlaneMath) + std::string(kToRgbaMain); },
                            std::string(kSourcePath)};
const ShaderSources kSplitNormalized{"YUVConverter_SplitNormalized", Shader::FullFrame,
                                     [] {
                                       return std::string(kPlaneMath) + std::string(kSplitCommon) +
                                              std::string(kSplitNormalizedMain);
                                     },
                                     std::string(kSourcePath)};
const ShaderSources kSplitInteger{"YUVConverter_SplitInteger", Shader::FullFrame,
                                  [] {
                                    return std::string(kIntegerVersion) + std::string(kPlaneMath) +
                                           std::string(kSplitCommon) +
                                           std::string(kSplitIntegerMain);
                                  },
                                  std::string(kSourcePath)};
const ShaderSources kToNormalizedPlane{"YUVConverter_ToNormalizedPlane", Shader::FullFrame,
                                       kToNormalizedPlaneFragment, std::string(kSourcePath)};
const ShaderSources kToIntegerPlane{"YUVConverter_ToIntegerPlane", Shader::FullFrame,
                                    kToIntegerPlaneFragment, std::string(kSourcePath)};

Texture::Params PlaneTexture(int width, int height, YUVTextures::Samples samples) {
  Texture::Params params;
  params.width = width;
  params.height = height;
  if (samples == YUVTextures::Samples::Integer) {
    // Integer textures are only complete with nearest filtering.
    params.internalFormat = GL_R8UI;
    params.format = GL_RED_INTEGER;
    params.filter = GL_NEAREST;
  } else {
    params.internalFormat = GL_R8;
    params.format = GL_RED;
  }
  return params;
}

void DrawFullFrame(ShaderProgram& program, ShaderStorage& storage) {
  storage.FrameQuad().Activate();
  storage.FrameQuad().Draw(program);
}

// A copy of one plane with the same code values in the other kind of samples.
TexturePool::Lease ConvertPlane(Texture& plane, YUVTextures::Samples samples,
                                ShaderStorage& storage) {
  TexturePool::Lease copy =
      TexturePool::GetInstance().GetTex(PlaneTexture(plane.Width(), plane.Height(), samples));
  ShaderProgram& program = storage.MakeShader(
      samples == YUVTextures::Samples::Integer ? kToIntegerPlane : kToNormalizedPlane);
  program.Use();
  program.Uniform("plane", 0);
  program.Uniform("codeMax", static_cast<float>(kCodeMax));
  plane.Use(0);
  storage.FBO().Attach(*copy);
  DrawFullFrame(program, storage);
  return copy;
}

// The plane itself when it is normalised, else a normalised copy kept in `copies`.
Texture& NormalizedPlane(Texture& plane, std::vector<TexturePool::Lease>& copies,
                         ShaderStorage& storage) {
  if (!plane.IsInteger()) return plane;
  copies.push_back(ConvertPlane(plane, YUVTextures::Samples::Normalized, storage));
  return *copies.back();
}

}  // namespace

bool YUVTextures::IsPlanar(PixFmt format) {
  PlaneLayout layout{};
  return FindLayout(format, layout);
}

std::vector<Texture::Params> YUVTextures::PlaneParams(PixFmt format, const Proc::FrameInfo& info,
                                                      Samples samples) {
  const PlaneLayout layout = LayoutOf(format);
  const Texture::Params luma = PlaneTexture(info.width, info.height, samples);
  const Texture::Params chroma =
      layout.subsampled ? PlaneTexture((info.width + 1) / 2, (info.height + 1) / 2, samples) : luma;
  std::vector<Texture::Params> planes{luma, chroma, chroma};
  if (layout.alpha) planes.push_back(luma);
  return planes;
}

YUVTextures::YUVTextures(const Proc::FrameInfo& info, PixFmt format, Samples samples)
    : format_(format), samples_(samples) {
  for (const Texture::Params& params : PlaneParams(format, info, samples)) {
    owned_.push_back(TexturePool::GetInstance().GetTex(params));
    planes_.push_back(owned_.back().get());
  }
}

YUVTextures::YUVTextures(PixFmt format, Samples samples, std::vector<TexturePool::Lease> owned)
    : format_(format), samples_(samples), owned_(std::move(owned)) {
  for (const auto& plane : owned_) planes_.push_back(plane.get());
}

YUVTextures::YUVTextures(PixFmt format, std::vector<Texture*> planes)
    : format_(format), planes_(std::move(planes)) {
  const bool integer =
      !planes_.empty() && planes_.front() != nullptr && planes_.front()->IsInteger();
  samples_ = integer ? Samples::Integer : Samples::Normalized;
  const Proc::FrameInfo info{planes_.empty() ? 0 : planes_.front()->Width(),
                             planes_.empty() ? 0 : planes_.front()->Height()};
  const std::vector<Texture::Params> expected = PlaneParams(format, info, samples_);
  bool fits = expected.size() == planes_.size();
  for (std::size_t i = 0; fits && i < planes_.size(); ++i) {
    fits = planes_[i] != nullptr && planes_[i]->Width() == expected[i].width &&
           planes_[i]->Height() == expected[i].height && planes_[i]->IsInteger() == integer;
  }
  if (!fits) {
    OBRISK_THROW(OglException,
                 fmt::format("the planes do not fit pixel format {}", static_cast<int>(format)));
  }
}

Proc::FrameInfo YUVTextures::Size() const {
  return {Plane(kLuma).Width(), Plane(kLuma).Height()};
}

YUVTextures YUVTextures::ToNormalized(ShaderStorage& storage) const {
  if (!IsInteger()) OBRISK_THROW(OglException, "the planes already are normalised");
  std::vector<TexturePool::Lease> copies;
  for (Texture* plane : planes_)
    copies.push_back(ConvertPlane(*plane, Samples::Normalized, storage));
  return YUVTextures(format_, Samples::Normalized, std::move(copies));
}

YUVTextures YUVTextures::ToInteger(ShaderStorage& storage) const {
  if (IsInteger()) OBRISK_THROW(OglException, "the planes already are integer");
  std::vector<TexturePool::Lease> copies;
  for (Texture* plane : planes_) copies.push_back(ConvertPlane(*plane, Samples::Integer, storage));
  return YUVTextures(format_, Samples::Integer, std::move(copies));
}

YUVConverter::YUVConverter(ShaderStorage& storage, const Proc::ColorSpace& colorSpace)
    : storage_(storage), toYpbpr_(RgbToYpbpr(FindLumaCoefficients(colorSpace.matrix))) {
  const Range range = RangeOf(colorSpace);
  gain_ = range.gain;
  bias_ = range.bias;
}

void YUVConverter::ToYUVA(Texture& rgba, YUVTextures& planes) {
  if (!planes.HasAlpha()) {
    OBRISK_THROW(OglException, fmt::format("pixel format {} has no alpha plane to split into",
                                           static_cast<int>(planes.Format())));
  }
  Split(rgba, planes, planes.PlaneCount());
}

void YUVConverter::ToYUV(Texture& rgb, YUVTextures& planes) {
  Split(rgb, planes, YUVTextures::kAlpha);
}

void YUVConverter::ToRGBA(const YUVTextures& planes, Texture& target) {
  Draw(planes, planes.HasAlpha() ? &planes.Plane(YUVTextures::kAlpha) : nullptr, target);
}

void YUVConverter::ToRGBA(const YUVTextures& planes, Texture& alpha, Texture& target) {
  Draw(planes, &alpha, target);
}

void YUVConverter::ToRGB(const YUVTextures& planes, Texture& target) {
  Draw(planes, nullptr, target);
}

void YUVConverter::Split(Texture& rgb, YUVTextures& planes, int planeCount) {
  ShaderProgram& program =
      storage_.MakeShader(planes.IsInteger() ? kSplitInteger : kSplitNormalized);
  program.Use();
  program.Uniform("tex", 0);
  SetCodeUniforms(program);
  rgb.Use(0);
  for (int index = 0; index < planeCount; ++index) {
    glm::vec4 selector(0.0f);
    selector[index] = 1.0f;
    program.Uniform("plane", selector);
    storage_.FBO().Attach(planes.Plane(index));
    DrawFullFrame(program, storage_);
  }
}

void YUVConverter::Draw(const YUVTextures& planes, Texture* alpha, Texture& target) {
  // The drawing program filters normalised samples: integer planes are converted first.
  std::vector<TexturePool::Lease> copies;
  std::array<Texture*, 4> inputs{};
  for (int index = 0; index < YUVTextures::kAlpha; ++index) {
    inputs[static_cast<std::size_t>(index)] =
        &NormalizedPlane(planes.Plane(index), copies, storage_);
  }
  // Without alpha the luma plane stands in on the alpha unit; hasAlpha ignores it.
  inputs[YUVTextures::kAlpha] =
      alpha != nullptr ? &NormalizedPlane(*alpha, copies, storage_) : inputs[YUVTextures::kLuma];
  storage_.FBO().Attach(target);
  ShaderProgram& program = storage_.MakeShader(kToRgba);
  program.Use();
  const char* samplers[] = {"texY", "texCb", "texCr", "texA"};
  for (int unit = 0; unit < 4; ++unit) {
    program.Uniform(samplers[unit], unit);
    inputs[static_cast<std::size_t>(unit)]->Use(unit);
  }
  program.Uniform("hasAlpha", alpha != nullptr ? 1.0f : 0.0f);
  SetCodeUniforms(program);
  DrawFullFrame(program, storage_);
}

std::string_view YUVConverter::CodeFunctions() {
  return kPlaneMath;
}

void YUVConverter::SetCodeUniforms(const ShaderProgram& program) const {
  program.Uniform("gain", glm::vec3(gain_));
  program.Uniform("bias", glm::vec3(bias_));
  program.Uniform("toYpbpr", glm::mat3(toYpbpr_), false);
  program.Uniform("toRgb", glm::mat3(glm::inverse(toYpbpr_)), false);
  program.Uniform("codeMax", static_cast<float>(kCodeMax));
}

glm::vec3 RgbToBT709YpPbPr(const glm::vec3& rgb) {
  return glm::vec3(RgbToYpbpr(FindLumaCoefficients(1)) * glm::dvec3(rgb));
}

}  // namespace Obrisk::Ogl
