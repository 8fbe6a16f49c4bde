#include "effects/mask/EffectMask.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include <fmt/format.h>

#include "frame/SinglePass.h"
#include "obrisk/ogl/ShaderSources.h"

namespace Obrisk::Ogl {
namespace {

using Proc::FrameMask;

const std::string kSourcePath = "Proc/Effects/Quenvara/EffectMask";

// Declarations shared by every mask program. An ellipse's status divides by
// the gap between its two normalised radii, which vanishes at the centre:
// kMinGap keeps that division finite.
constexpr std::string_view kHeader = R"(
uniform sampler2D tex;
uniform sampler2D tex1;
uniform sampler2D tex2;
uniform float invert;
uniform vec4 backGC;
uniform vec4 frameC;
uniform float aspect;
varying vec2 TexCoord0;

const float PI = 3.14159265358979;
const float kMinGap = 1e-6;

// Squared normalised radius of offset q (squared) from an ellipse's centre.
float EllipsFunction(float a, float b, vec2 q) { return q.x / (a * a) + q.y / (b * b); }

// The pixel in a mask's own axes: turned back about the mask's centre by its
// turn (cos, sin), on the display (u stretched by the aspect, so that turned
// shapes keep their proportions), then in texture coordinates again.
vec2 MaskPoint(vec2 centre, vec2 turn) {
  vec2 d = (TexCoord0 - centre) * vec2(aspect, 1.0);
  vec2 local = vec2(d.x * turn.x - d.y * turn.y, d.x * turn.y + d.y * turn.x);
  return centre + local * vec2(1.0 / aspect, 1.0);
}
)";

constexpr std::string_view kMaskUniforms = R"(
uniform vec4 coef{0};
uniform vec2 turn{0};
uniform float opacity{0};
uniform float width{0};
uniform float withFrame{0};
uniform float fillType{0};
)";

// A pixel's status for each mask: 0 inside the shape, 1 outside its soft
// band, rising across the band.
constexpr std::string_view kMainStart = R"(
void main() {
  vec4 source = texture2D(tex, TexCoord0);
  vec4 back = vec4(0.0, 0.0, 0.0, 1.0);
  float withFrame = 0.0;
  float status = 0.0;
)";

// The band lies between the ellipse and the one grown by width{0} (width{0}
// x aspect along v, the same number of pixels): the status is where the
// pixel lies between them along the ray from the centre.
constexpr std::string_view kEllipseStatus = R"(
  vec2 p{0} = MaskPoint(coef{0}.xy, turn{0});
  vec2 q{0} = (p{0} - coef{0}.xy) * (p{0} - coef{0}.xy);
  float si{0} = sqrt(EllipsFunction(coef{0}.z, coef{0}.w, q{0}));
  float se{0} = sqrt(EllipsFunction(coef{0}.z + width{0}, coef{0}.w + width{0} * aspect, q{0}));
  float status{0} = clamp((si{0} - 1.0) * se{0} / max(si{0} - se{0}, kMinGap), 0.0, 1.0);
)";

// The distance outside the rectangle along the farther axis, v distances
// scaled to u units, in band widths.
constexpr std::string_view kRectangleStatus = R"(
  vec2 p{0} = MaskPoint(0.5 * (coef{0}.xy + coef{0}.zw), turn{0});
  float status{0} = max(max(coef{0}.t - p{0}.y, p{0}.y - coef{0}.q) * revertAspect,
                        max(coef{0}.s - p{0}.x, p{0}.x - coef{0}.p));
  status{0} = clamp(status{0} / width{0}, 0.0, 1.0);
)";

// Without invert the status becomes the coverage: 1 inside, 0 outside.
constexpr std::string_view kInvert = "  status{0} = mix(1.0 - status{0}, status{0}, invert);\n";
constexpr std::string_view kCombine = "  status = {1}(status, status{0});\n";

// The mask that set the combined status fills the pixel by its coverage.
constexpr std::string_view kFill = R"(if (status == status{0}) {{
    vec4 fill{0} = fillType{0} < 0.5 ? backGC
                 : (fillType{0} < 1.5 ? texture2D(tex1, TexCoord0) : texture2D(tex2, TexCoord0));
    back = obrisk_mixRGBA_(source, fill{0}, status{0} * opacity{0});
    withFrame = withFrame{0};
  }})";

// A line in the frame colour along the middle of the soft band.
constexpr std::string_view kFooter = R"(
  if (withFrame > 0.5 && status > 0.0001 && status < 0.9999) {
    gl_FragColor = obrisk_mixRGBA_(back, frameC, sin(PI * status));
  } else {
    gl_FragColor = back;
  }
}
)";

// Units of the source and of the two prepared pictures.
constexpr int kSourceUnit = 0;
constexpr int kBlurredUnit = 1;
constexpr int kPixelatedUnit = 2;

// The band of a mask: 0.0025 of the width at least, plus a tenth of the
// width per unit of feather; pixelated fills keep the narrowest band.
constexpr double kMinEdgeWidth = 0.0025;
constexpr double kEdgeWidthPerFeather = 0.1;
// Ellipse radii below this (a fraction of the frame) count as this, so that
// a shape shrunk to nothing leaves only its soft band instead of dividing by
// zero.
constexpr double kMinRadius = 1e-4;
constexpr double kHalfTurnDegrees = 180.0;

std::string CombineFunction(std::int32_t type) {
  return type != 0 ? "min" : "max";
}

std::string MaskFragment(const std::vector<bool>& ellipses, std::int32_t type) {
  const std::size_t count = ellipses.size();
  const bool anyRectangle = std::find(ellipses.begin(), ellipses.end(), false) != ellipses.end();
  std::string text(kHeader);
  for (std::size_t k = 0; k < count; ++k) text += fmt::format(kMaskUniforms, k);
  if (anyRectangle) text += "uniform float revertAspect;\n";
  text += kMainStart;
  for (std::size_t k = 0; k < count; ++k) {
    text += ellipses[k] ? fmt::format(kEllipseStatus, k) : fmt::format(kRectangleStatus, k);
  }
  text += fmt::format(kInvert, 0);
  text += "  status = status0;\n";
  for (std::size_t k = 1; k < count; ++k) text += fmt::format(kInvert, k);
  for (std::size_t k = 1; k < count; ++k) text += fmt::format(kCombine, k, CombineFunction(type));
  text += "  ";
  for (std::size_t k = count; k-- > 0;) {
    text += fmt::format(kFill, k);
    text += k > 0 ? " else " : "\n";
  }
  text += kFooter;
  return text;
}

class EffectMaskOGLCache final : public OglCache {
 public:
  explicit EffectMaskOGLCache(Ptr<OglCache> blur) : blurCache(std::move(blur)) {}

  Ptr<OglCache> blurCache;
  Ptr<DataVideoOGL> blurred;
  Ptr<DataVideoOGL> pixelated;
};

// The frame of a prepared picture, made again when the source's pixel format
// or frame information changed.
const Ptr<Frame>& PreparedFrame(Ptr<DataVideoOGL>& data, const Frame& source) {
  if (!data || data->GetPixelFormat() != source.GetPixelFormat() ||
      !(data->GetFrameInfo() == source.GetFrameInfo())) {
    data = DataVideoOGL::Create(source.GetColorSpace(), source.GetPixelFormat(),
                                source.GetFrameInfo());
    data->FrameData()->Allocate(source.GetColorSpace(), source.GetPixelFormat(),
                                source.GetFrameInfo());
  }
  return data->FrameData();
}

bool AnyFill(const std::vector<FrameMask>& masks, std::int32_t fill) {
  return std::any_of(masks.begin(), masks.end(),
                     [fill](const FrameMask& mask) { return mask.GetFillType() == fill; });
}

void SetColour(ShaderProgram& program, std::string_view name,
               const Proc::SettingsEffectMask::Color& colour) {
  constexpr float kLevels = 255.0f;
  program.Uniform(name, static_cast<float>(colour[0]) / kLevels,
                  static_cast<float>(colour[1]) / kLevels, static_cast<float>(colour[2]) / kLevels,
                  static_cast<float>(colour[3]) / kLevels);
}

std::array<double, 4> UniformCoefficients(const FrameMask& mask) {
  std::array<double, 4> coef = mask.ShapeCoefficients();
  if (mask.IsEllipse()) {
    coef[2] = std::max(coef[2], kMinRadius);
    coef[3] = std::max(coef[3], kMinRadius);
  }
  return coef;
}

void SetMaskUniforms(ShaderProgram& program, const FrameMask& mask, std::size_t k) {
  const std::array<double, 4> coef = UniformCoefficients(mask);
  program.Uniform(fmt::format("coef{}", k), coef[0], coef[1], coef[2], coef[3]);
  // Clockwise as seen is clockwise with v up too; turning the pixel back
  // undoes it.
  const double turn = mask.GetPlacement().rotation * std::numbers::pi / kHalfTurnDegrees;
  program.Uniform(fmt::format("turn{}", k), std::cos(turn), std::sin(turn));
  program.Uniform(fmt::format("opacity{}", k), mask.GetOpacity());
  program.Uniform(fmt::format("width{}", k), MaskEdgeWidth(mask));
  program.Uniform(fmt::format("withFrame{}", k), mask.HasFrame() ? 1.0f : 0.0f);
  program.Uniform(fmt::format("fillType{}", k), static_cast<float>(mask.GetFillType()));
}

}  // namespace

std::string MaskProgramName(const std::vector<FrameMask>& masks, std::int32_t type) {
  std::string name = "EffectMask_" + CombineFunction(type) + "_";
  for (const FrameMask& mask : masks) name += mask.IsEllipse() ? '1' : '0';
  return name;
}

double MaskEdgeWidth(const FrameMask& mask) {
  if (mask.GetFillType() == FrameMask::kFillPixelate) return kMinEdgeWidth;
  return mask.GetFeather() * kEdgeWidthPerFeather + kMinEdgeWidth;
}

const std::string_view& EffectMask::GetName() const {
  static constexpr std::string_view kName = "EffectMask";
  return kName;
}

Ptr<OglCache> EffectMask::CreateCache() {
  return MakeRef<EffectMaskOGLCache>(blur_.CreateCache());
}

void EffectMask::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                            double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  auto& prepared = CacheAs<EffectMaskOGLCache>(cache);
  const Proc::SettingsEffectMask& settings = DrawingSettings();
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  std::vector<FrameMask> masks = settings.GetFrames(progress);
  // The program has pieces for ten masks; the settings hold no more.
  if (masks.size() > Proc::SettingsEffectMask::kMaxMasks) {
    masks.erase(masks.begin() + Proc::SettingsEffectMask::kMaxMasks, masks.end());
  }
  if (masks.empty()) {
    storage.FBO().Attach(target->GetFirstTexture());
    rgba->Draw(storage.FrameQuad(), storage);
    return;
  }

  // Every fill a mask asks for is prepared, and with type 1 the method's too.
  const bool oneMethod = settings.GetType() == 1;
  const bool blur = (oneMethod && settings.GetMethod() == FrameMask::kFillBlur) ||
                    AnyFill(masks, FrameMask::kFillBlur);
  const bool pixelate = (oneMethod && settings.GetMethod() == FrameMask::kFillPixelate) ||
                        AnyFill(masks, FrameMask::kFillPixelate);
  Ptr<Frame> blurred = rgba;
  Ptr<Frame> pixelated = rgba;
  if (blur) {
    Proc::SettingsEffectBlurGaussian blurSettings(settings.GetBlurness());
    blurSettings.SwitchFastImpl(true);
    blur_.SetSettings(blurSettings);
    blurred = PreparedFrame(prepared.blurred, *rgba);
    blur_.ProcessGpu(blurred, source, time, progress, storage, prepared.blurCache);
  }
  if (pixelate) {
    pixelate_.SetSettings(Proc::SettingsEffectCensored(settings.GetPixelSize()));
    pixelated = PreparedFrame(prepared.pixelated, *rgba);
    pixelate_.ProcessGpu(pixelated, source, time, progress, storage, nullptr);
  }

  std::vector<bool> ellipses;
  for (const FrameMask& mask : masks) ellipses.push_back(mask.IsEllipse());
  const std::int32_t type = settings.GetType();
  const ShaderSources sources(
      MaskProgramName(masks, type), Shader::FullFrame,
      [ellipses, type] { return MaskFragment(ellipses, type); }, kSourcePath);
  ShaderProgram& program = storage.MakeShader(sources);
  const double aspect = rgba->GetFrameInfo().DisplayAspect();

  storage.FBO().Attach(target->GetFirstTexture());
  program.Use();
  program.Uniform("tex", kSourceUnit);
  program.Uniform("tex1", kBlurredUnit);
  program.Uniform("tex2", kPixelatedUnit);
  SetColour(program, "backGC", settings.GetBackgroundColor());
  SetColour(program, "frameC", settings.GetFrameColor());
  program.Uniform("aspect", static_cast<float>(aspect));
  program.Uniform("revertAspect", static_cast<float>(1.0 / aspect));
  program.Uniform("invert", settings.GetInvert() != 0 ? 1.0f : 0.0f);
  for (std::size_t k = 0; k < masks.size(); ++k) SetMaskUniforms(program, masks[k], k);
  // Units without a prepared picture show the source: no program reads them
  // then, but none samples an unbound unit either.
  rgba->GetFirstTexture().Use(kSourceUnit);
  blurred->GetFirstTexture().Use(kBlurredUnit);
  pixelated->GetFirstTexture().Use(kPixelatedUnit);
  // The prepared pictures have the source's size: each is read at its texels.
  const NearestSampling sampling(storage, static_cast<GLuint>(kPixelatedUnit + 1));
  storage.Quad().Activate();
  storage.Quad().Draw(program);
}

}  // namespace Obrisk::Ogl
