#include "effects/overlay/EffectVignetteFilter.h"

#include <array>
#include <cmath>
#include <string_view>

#include "effects/overlay/OverlayPasses.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {

// The current code's generated shader.
class EffectVignetteFilter::CacheImpl final : public OglCache {
 public:
  GeneratedShader shader;
};

namespace {

constexpr std::string_view kShaderPrefix = "EffectVignetteFilter_";

// Code digits: hundreds the shape, tens the aspect flag, units the smooth flag.
constexpr std::int32_t kShapeDigit = 100;
constexpr std::int32_t kAspectDigit = 10;
constexpr std::int32_t kSmoothDigit = 1;
constexpr std::int32_t kLastShape = 5;

// The smallest fall-off width: equal radii make a sharp edge instead of a
// division by zero.
constexpr double kMinFalloff = 1.0e-6;

constexpr std::string_view kHeader = R"(
uniform sampler2D tex;
uniform vec4 vignetteColor;
uniform vec4 params;  // centre u, centre v, inner radius, outer radius
uniform float rAspect;
varying vec2 TexCoord0;

void main() {
  vec4 color = texture2D(tex, TexCoord0);
  // Distance from the centre along each axis.
  vec2 coord = abs(TexCoord0 - params.xy);
)";

// Heights measured in widths, so that distances are those seen.
constexpr std::string_view kAspectPiece = R"(
  coord = abs(coord) * vec2(1.0, rAspect);
)";

// The distance d of each shape, from the axis distances.
constexpr std::array<std::string_view, kLastShape + 1> kShapePieces{
    R"(
  // Rounded square: the larger axis distance, bulged along the diagonals.
  float s = 0.05;
  float c = 2.0;
  float i = c * max(0.0, s - abs(coord.x - coord.y));
  float d = max(coord.x, coord.y) + i * i;
)",
    R"(
  // Cushion: the larger axis distance grown by the product of both.
  float s = 0.05;
  float d = max(coord.x, coord.y) + min(coord.x, coord.y) * max(coord.x, coord.y) * s;
)",
    R"(
  // Soft square: the larger axis distance, raised near the diagonals.
  float s = 0.05;
  float e = coord.x - coord.y;
  float d = max(coord.x, coord.y) + max(0.0, s - e * e);
)",
    R"(
  // Octagon-like: a tenth of the way from the larger to the smaller distance.
  float s = 0.1;
  float d = mix(max(coord.x, coord.y), min(coord.x, coord.y), s);
)",
    R"(
  // Circle.
  float d = length(coord);
)",
    R"(
  // Vertical bands: the horizontal distance alone.
  float d = abs(coord.x);
)"};

// How far the colour covers: 0 inside the inner radius, 1 beyond the outer.
constexpr std::string_view kFalloff = R"(
  float r = clamp((d - params.z) / (params.w - params.z), 0.0, 1.0);
)";

// The fall-off eased in and out.
constexpr std::string_view kSmoothPiece = R"(
  r = 0.5 - 0.5 * cos(3.14159265 * r);
)";

constexpr std::string_view kFooter = R"(
  float opacity = vignetteColor.a * r;
  gl_FragColor = vec4(mix(color.rgb, vignetteColor.rgb, opacity), color.a);
}
)";

}  // namespace

std::int32_t EffectVignetteFilter::ShaderCode(const Proc::SettingsEffectVignetteFilter& settings) {
  const std::int32_t shape = settings.GetShape();
  const std::int32_t shapeDigit = shape >= 1 && shape <= kLastShape ? shape : 0;
  return kShapeDigit * shapeDigit + (settings.GetAspect() == 1 ? kAspectDigit : 0) +
         (settings.GetSmooth() == 1 ? kSmoothDigit : 0);
}

std::string EffectVignetteFilter::FragmentText(std::int32_t code) {
  std::string text(kHeader);
  if ((code / kAspectDigit) % 10 == 1) text += kAspectPiece;
  text += kShapePieces[static_cast<std::size_t>(code / kShapeDigit)];
  text += kFalloff;
  if (code % 10 == kSmoothDigit) text += kSmoothPiece;
  text += kFooter;
  return text;
}

const std::string_view& EffectVignetteFilter::GetName() const {
  static constexpr std::string_view kName = "EffectVignetteFilter";
  return kName;
}

Ptr<OglCache> EffectVignetteFilter::CreateCache() {
  return MakeRef<CacheImpl>();
}

void EffectVignetteFilter::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                      double, double, ShaderStorage& storage,
                                      const Ptr<OglCache>& cache) {
  const Proc::SettingsEffectVignetteFilter& settings = DrawingSettings();
  const std::int32_t code = ShaderCode(settings);
  const auto& sources = CacheAs<CacheImpl>(cache).shader.For(
      code, std::string(kShaderPrefix), [](std::int32_t choice) { return FragmentText(choice); });
  const Proc::FrameInfo& info = target->GetFrameInfo();
  const Proc::SettingsEffectVignetteFilter::Color color = settings.GetColor();
  const double inner = settings.GetInnerRadius();
  double outer = settings.GetOuterRadius();
  if (std::abs(outer - inner) < kMinFalloff) outer = inner + kMinFalloff;
  DrawSinglePass(
      storage, storage.MakeShader(sources), *target, *source, [&](ShaderProgram& program) {
        constexpr float kLevels = 255.0f;
        program.Uniform("vignetteColor", color[0] / kLevels, color[1] / kLevels, color[2] / kLevels,
                        color[3] / kLevels);
        program.Uniform("params", settings.GetCentreX(), settings.GetCentreY(), inner, outer);
        if (settings.GetAspect() == 1) {
          program.Uniform("rAspect", 1.0 / info.DisplayAspect());
        }
      });
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  FinishWithSource(storage, *target, *rgba, settings.GetIntensity());
}

}  // namespace Obrisk::Ogl
