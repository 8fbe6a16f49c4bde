#include "effects/key/EffectColorFilter.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "effects/key/KeyPasses.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

using Proc::SettingsEffectColorFilter;

// Luma weights of the saturation matrix (BT.709-6, item 3.2).
constexpr std::array<float, 3> kLumaWeights{0.2126f, 0.7152f, 0.0722f};

// A channel's tone curve: lift + (gain - lift) S(c^gamma), where S moves c
// towards smoothstep(c) by `contrast` (negative values flatten).
struct ToneCurve {
  float lift;
  float gain;
  float gamma;
  float contrast;

  float operator()(float c) const {
    const float powered = std::pow(std::clamp(c, 0.0f, 1.0f), gamma);
    const float smooth = powered * powered * (3.0f - 2.0f * powered);
    return lift + (gain - lift) * (powered + contrast * (smooth - powered));
  }
};

// A look: a tone curve per channel, then a saturation matrix.
struct Look {
  std::string_view name;
  ToneCurve red;
  ToneCurve green;
  ToneCurve blue;
  float saturation;
};

// Look 0 keeps nearly all colour and lifts the blacks a little; the others
// are listed in the README.
constexpr std::array<Look, SettingsEffectColorFilter::kPresetCount> kLooks{{
    {"soft matte",
     {0.0658209f, 0.959491f, 1.0f, 0.0f},
     {0.06f, 0.96f, 1.0f, 0.0f},
     {0.07f, 0.95f, 1.0f, 0.0f},
     0.985f},
    {"warm",
     {0.02f, 1.0f, 0.92f, 0.1f},
     {0.01f, 0.97f, 1.0f, 0.1f},
     {0.0f, 0.86f, 1.1f, 0.1f},
     1.05f},
    {"cool",
     {0.0f, 0.88f, 1.08f, 0.1f},
     {0.01f, 0.97f, 1.0f, 0.1f},
     {0.03f, 1.0f, 0.92f, 0.1f},
     1.0f},
    {"faded film",
     {0.12f, 0.92f, 1.0f, -0.1f},
     {0.1f, 0.9f, 1.0f, -0.1f},
     {0.12f, 0.88f, 1.0f, -0.1f},
     0.75f},
    {"cross-process",
     {0.05f, 1.0f, 0.9f, 0.4f},
     {0.0f, 1.0f, 0.85f, 0.3f},
     {0.2f, 0.8f, 1.2f, -0.2f},
     1.15f},
    {"bleach bypass",
     {0.0f, 1.0f, 1.0f, 0.5f},
     {0.0f, 1.0f, 1.0f, 0.5f},
     {0.0f, 1.0f, 1.0f, 0.5f},
     0.45f},
    {"sepia",
     {0.1f, 1.0f, 0.9f, 0.2f},
     {0.06f, 0.88f, 1.0f, 0.2f},
     {0.02f, 0.7f, 1.15f, 0.2f},
     0.0f},
    {"black and white",
     {0.0f, 1.0f, 1.0f, 0.3f},
     {0.0f, 1.0f, 1.0f, 0.3f},
     {0.0f, 1.0f, 1.0f, 0.3f},
     0.0f},
    {"vivid", {0.0f, 1.0f, 1.0f, 0.3f}, {0.0f, 1.0f, 1.0f, 0.3f}, {0.0f, 1.0f, 1.0f, 0.3f}, 1.4f},
    {"teal and orange",
     {0.0f, 1.0f, 0.95f, 0.35f},
     {0.02f, 0.97f, 1.0f, 0.25f},
     {0.08f, 0.9f, 1.05f, 0.1f},
     1.15f},
    {"golden hour",
     {0.04f, 1.0f, 0.85f, 0.1f},
     {0.02f, 0.93f, 0.95f, 0.1f},
     {0.0f, 0.75f, 1.1f, 0.1f},
     1.1f},
    {"moonlight",
     {0.0f, 0.75f, 1.15f, 0.2f},
     {0.01f, 0.85f, 1.1f, 0.2f},
     {0.05f, 1.0f, 0.95f, 0.2f},
     0.6f},
    {"vintage print",
     {0.08f, 0.95f, 0.95f, 0.1f},
     {0.06f, 0.92f, 1.0f, 0.1f},
     {0.1f, 0.8f, 1.05f, 0.0f},
     0.8f},
    {"instant photo",
     {0.06f, 0.98f, 0.92f, -0.05f},
     {0.05f, 0.95f, 0.95f, 0.05f},
     {0.12f, 0.9f, 1.05f, -0.05f},
     0.85f},
    {"cyanotype",
     {0.0f, 0.45f, 1.1f, 0.2f},
     {0.08f, 0.75f, 1.0f, 0.2f},
     {0.2f, 1.0f, 0.9f, 0.2f},
     0.0f},
    {"high key",
     {0.15f, 1.0f, 0.75f, -0.1f},
     {0.15f, 1.0f, 0.75f, -0.1f},
     {0.15f, 1.0f, 0.75f, -0.1f},
     0.9f},
    {"low key",
     {0.0f, 0.85f, 1.35f, 0.3f},
     {0.0f, 0.85f, 1.35f, 0.3f},
     {0.0f, 0.85f, 1.35f, 0.3f},
     1.0f},
    {"noir", {0.0f, 1.0f, 1.1f, 0.7f}, {0.0f, 1.0f, 1.1f, 0.7f}, {0.0f, 1.0f, 1.1f, 0.7f}, 0.0f},
    {"pastel",
     {0.15f, 1.0f, 0.85f, -0.2f},
     {0.15f, 1.0f, 0.85f, -0.2f},
     {0.15f, 1.0f, 0.85f, -0.2f},
     0.6f},
    {"autumn",
     {0.03f, 1.0f, 0.9f, 0.2f},
     {0.02f, 0.9f, 1.05f, 0.2f},
     {0.0f, 0.7f, 1.15f, 0.2f},
     1.2f},
    {"spring",
     {0.02f, 0.95f, 1.0f, 0.1f},
     {0.04f, 1.0f, 0.9f, 0.1f},
     {0.03f, 0.92f, 1.0f, 0.1f},
     1.15f},
    {"arctic",
     {0.05f, 0.85f, 1.05f, 0.0f},
     {0.08f, 0.95f, 1.0f, 0.0f},
     {0.12f, 1.0f, 0.9f, 0.0f},
     0.7f},
    {"desert",
     {0.06f, 1.0f, 0.9f, 0.15f},
     {0.04f, 0.92f, 0.95f, 0.15f},
     {0.02f, 0.78f, 1.05f, 0.15f},
     0.9f},
    {"false infrared",
     {0.05f, 1.0f, 0.8f, 0.3f},
     {0.0f, 0.7f, 1.2f, 0.3f},
     {0.0f, 0.9f, 1.0f, 0.3f},
     1.1f},
    {"selenium tone",
     {0.02f, 0.95f, 1.0f, 0.25f},
     {0.0f, 0.9f, 1.05f, 0.25f},
     {0.03f, 0.95f, 1.0f, 0.25f},
     0.0f},
    {"platinum print",
     {0.05f, 0.97f, 0.95f, 0.1f},
     {0.05f, 0.95f, 0.97f, 0.1f},
     {0.04f, 0.9f, 1.0f, 0.1f},
     0.0f},
    {"dye transfer",
     {0.0f, 1.0f, 0.9f, 0.3f},
     {0.0f, 1.0f, 0.95f, 0.3f},
     {0.0f, 1.0f, 0.9f, 0.3f},
     1.5f},
    {"toy camera",
     {0.0f, 1.0f, 0.9f, 0.6f},
     {0.0f, 1.0f, 0.95f, 0.55f},
     {0.1f, 0.9f, 1.1f, 0.4f},
     1.3f},
    {"matte shadows",
     {0.18f, 1.0f, 1.0f, 0.2f},
     {0.18f, 1.0f, 1.0f, 0.2f},
     {0.18f, 1.0f, 1.0f, 0.2f},
     1.0f},
    {"night vision",
     {0.0f, 0.4f, 1.0f, 0.4f},
     {0.05f, 1.0f, 0.85f, 0.4f},
     {0.0f, 0.35f, 1.0f, 0.4f},
     0.0f},
    {"sunset",
     {0.08f, 1.0f, 0.8f, 0.2f},
     {0.02f, 0.85f, 1.0f, 0.2f},
     {0.05f, 0.8f, 1.0f, 0.2f},
     1.2f},
    {"emerald",
     {0.0f, 0.85f, 1.1f, 0.2f},
     {0.03f, 1.0f, 0.9f, 0.2f},
     {0.02f, 0.9f, 1.0f, 0.2f},
     1.1f},
    {"magenta dream",
     {0.05f, 1.0f, 0.95f, 0.1f},
     {0.0f, 0.85f, 1.1f, 0.1f},
     {0.06f, 1.0f, 0.95f, 0.1f},
     1.1f},
    {"washed out",
     {0.2f, 0.85f, 1.0f, -0.3f},
     {0.2f, 0.85f, 1.0f, -0.3f},
     {0.2f, 0.85f, 1.0f, -0.3f},
     0.5f},
    {"punchy", {0.0f, 1.0f, 1.0f, 0.5f}, {0.0f, 1.0f, 1.0f, 0.5f}, {0.0f, 1.0f, 1.0f, 0.5f}, 1.25f},
    {"faded teal",
     {0.1f, 0.9f, 1.05f, -0.1f},
     {0.12f, 0.95f, 1.0f, -0.1f},
     {0.14f, 0.95f, 0.95f, -0.1f},
     0.7f},
}};

// The curves are cubic Bezier segments over eight equal steps of the input:
// 25 control points per channel, the ends of each segment on the curve and
// the inner two chosen so that the segment also passes through the curve at
// a third and two thirds of its way.
constexpr int kSegments = 8;
constexpr int kControlPoints = 3 * kSegments + 1;
using ControlPoints = std::array<float, kControlPoints>;

ControlPoints BezierPoints(const ToneCurve& curve) {
  ControlPoints points{};
  for (int k = 0; k < kSegments; ++k) {
    const auto at = [&](float third) { return curve((k + third / 3.0f) / kSegments); };
    const float p0 = at(0.0f);
    const float p3 = at(3.0f);
    // B(1/3) and B(2/3) of the segment, less the ends' shares, times 27.
    const float a = 27.0f * at(1.0f) - 8.0f * p0 - p3;
    const float b = 27.0f * at(2.0f) - p0 - 8.0f * p3;
    points[3 * k] = p0;
    points[3 * k + 1] = (2.0f * a - b) / 18.0f;
    points[3 * k + 2] = (2.0f * b - a) / 18.0f;
    points[3 * k + 3] = p3;
  }
  return points;
}

// The saturation matrix by rows: out = s c + (1 - s) luma(c).
std::array<std::array<float, 3>, 3> SaturationRows(float s) {
  std::array<std::array<float, 3>, 3> rows{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) rows[i][j] = (1.0f - s) * kLumaWeights[j] + (i == j ? s : 0.0f);
  }
  return rows;
}

std::string FloatList(const ControlPoints& points) {
  return fmt::format("{:.7f}", fmt::join(points, ", "));
}

// The mat4 that a row vector (r, g, b, a) is multiplied by: its columns
// are the matrix's rows, alpha kept.
std::string CorrelationText(float saturation) {
  const auto rows = SaturationRows(saturation);
  std::string text = "mat4(";
  for (const auto& row : rows)
    text += fmt::format("{:.7f}, {:.7f}, {:.7f}, 0.0, ", row[0], row[1], row[2]);
  return text + "0.0, 0.0, 0.0, 1.0)";
}

// Sources of the three kinds of filter. GLSL 1.20 for the constant arrays.
std::string LookSource(const Look& look) {
  return fmt::format(R"(#version 120
uniform sampler2D tex;
varying vec2 TexCoord0;

const mat4 correlation = {};
const float r[{}] = float[{}]({});
const float g[{}] = float[{}]({});
const float b[{}] = float[{}]({});

// The cubic Bezier segment of the curve's eight that holds c.
float curve(float p[{}], float c) {{
  float t = clamp({}.0 * c, 0.0, 7.9999);
  int i = 3 * int(t);
  float u = fract(t);
  float v = 1.0 - u;
  return v * v * v * p[i] + 3.0 * u * v * v * p[i + 1] + 3.0 * u * u * v * p[i + 2] +
         u * u * u * p[i + 3];
}}

// Tone curves per channel, then the colour matrix.
void main() {{
  vec4 color = texture2D(tex, TexCoord0);
  vec4 curved = vec4(curve(r, color.r), curve(g, color.g), curve(b, color.b), color.a);
  gl_FragColor = curved * correlation;
}}
)",
                     CorrelationText(look.saturation), kControlPoints, kControlPoints,
                     FloatList(BezierPoints(look.red)), kControlPoints, kControlPoints,
                     FloatList(BezierPoints(look.green)), kControlPoints, kControlPoints,
                     FloatList(BezierPoints(look.blue)), kControlPoints, kSegments);
}

constexpr const char* kChannelFactorsSource = R"(
uniform sampler2D tex;
uniform float rFactor;
uniform float gFactor;
uniform float bFactor;
varying vec2 TexCoord0;

// Each channel times its factor.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(color.rgb * vec3(rFactor, gFactor, bFactor), color.a);
}
)";

constexpr const char* kWeightedGreySource = R"(
uniform sampler2D tex;
uniform float rFactor;
uniform float gFactor;
uniform float bFactor;
uniform float colorFactor;
varying vec2 TexCoord0;

// A grey of the channels weighted by the factors, times colorFactor.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  float grey = dot(color.rgb, vec3(rFactor, gFactor, bFactor)) * colorFactor;
  gl_FragColor = vec4(vec3(grey), color.a);
}
)";

std::string FilterSource(int filter) {
  if (filter >= SettingsEffectColorFilter::kFirstGrey) return kWeightedGreySource;
  if (filter >= SettingsEffectColorFilter::kCustom) return kChannelFactorsSource;
  return LookSource(kLooks[filter]);
}

using FilterSources = ShaderSources<Shader::Id, std::string_view>;

const Look& LookAt(int filter) {
  return kLooks.at(static_cast<std::size_t>(filter));
}

}  // namespace

// The program of the current filter number, rebuilt when the number changes.
class EffectColorFilter::CacheImpl final : public OglCache {
 public:
  ShaderProgram& Program(int filter, ShaderStorage& storage) {
    if (filter_ != filter || !sources_) {
      filter_ = filter;
      source_ = FilterSource(filter);
      sources_.emplace(fmt::format("EffectColorFilter_{}", filter), Shader::FullFrame, source_,
                       "Proc/Effects/Quenvara/EffectColorFilter");
    }
    return storage.MakeShader(*sources_);
  }

 private:
  int filter_ = -1;
  std::string source_;
  std::optional<FilterSources> sources_;
};

const std::string_view& EffectColorFilter::LookName(int filter) {
  return LookAt(filter).name;
}

float EffectColorFilter::LookCurve(int filter, int channel, float c) {
  const Look& look = LookAt(filter);
  const ToneCurve& curve = channel == 0 ? look.red : channel == 1 ? look.green : look.blue;
  const ControlPoints p = BezierPoints(curve);
  const float t = std::clamp(kSegments * c, 0.0f, kSegments - 1e-4f);
  const int i = 3 * static_cast<int>(t);
  const float u = t - std::floor(t);
  const float v = 1.0f - u;
  return v * v * v * p[i] + 3.0f * u * v * v * p[i + 1] + 3.0f * u * u * v * p[i + 2] +
         u * u * u * p[i + 3];
}

std::array<float, 3> EffectColorFilter::LookMatrix(int filter, const std::array<float, 3>& rgb) {
  const auto rows = SaturationRows(LookAt(filter).saturation);
  std::array<float, 3> out{};
  for (int i = 0; i < 3; ++i)
    out[i] = rows[i][0] * rgb[0] + rows[i][1] * rgb[1] + rows[i][2] * rgb[2];
  return out;
}

const std::string_view& EffectColorFilter::GetName() const {
  static constexpr std::string_view kName = "EffectColorFilter";
  return kName;
}

Ptr<OglCache> EffectColorFilter::CreateCache() {
  return MakeRef<CacheImpl>();
}

void EffectColorFilter::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                   double, double, ShaderStorage& storage,
                                   const Ptr<OglCache>& cache) {
  const auto& settings = DrawingSettings();
  const int filter =
      SettingsEffectColorFilter::FilterNumber(settings.GetFilter(), settings.GetCustom());
  ShaderProgram& program = CacheAs<CacheImpl>(cache).Program(filter, storage);
  DrawSinglePass(storage, program, *target, *source, [&](ShaderProgram& p) {
    if (filter < SettingsEffectColorFilter::kCustom) return;
    p.Uniform("rFactor", settings.GetRedFactor());
    p.Uniform("gFactor", settings.GetGreenFactor());
    p.Uniform("bFactor", settings.GetBlueFactor());
    if (filter >= SettingsEffectColorFilter::kFirstGrey) {
      p.Uniform("colorFactor", settings.GetColorFactor());
    }
  });
  if (settings.GetStrength() < 1.0f) {
    DrawSourceOver(*target, *source, storage, 1.0f - settings.GetStrength());
  }
}

}  // namespace Obrisk::Ogl
