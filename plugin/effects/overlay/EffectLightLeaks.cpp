#include "effects/overlay/EffectLightLeaks.h"

#include <array>
#include <cmath>
#include <string_view>

#include "effects/overlay/OverlayPasses.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {

// The current type's generated shader.
class EffectLightLeaks::CacheImpl final : public OglCache {
 public:
  GeneratedShader shader;
};

namespace {

constexpr std::string_view kShaderPrefix = "EffectLightLeaks_";

// One type's look: the curve that bounds the leak (0 none), the palette, the
// waves' amplitudes (A, B, C) and phases (p1, p2, p3), the second waves'
// frequencies (D, E, F) and the first waves' fixed phase shift.
struct LeakType {
  int shape;
  int palette;
  std::array<float, 3> amplitude;
  std::array<float, 3> phase;
  std::array<float, 3> frequency;
  std::array<float, 3> phaseShift2;
};

// A quarter turn, near enough: the phases that start a wave at its middle.
constexpr float kQ = 1.58f;

constexpr std::array<LeakType, 16> kTypes{{
    {2, 0, {5, 2, 4}, {0, 0, 0}, {4, 5, 6}, {0, 0, 0}},
    {3, 0, {5, 2, 4}, {0, 0, 0}, {4, 5, 6}, {0, 0, 0}},
    {1, 0, {4, 3, 6}, {kQ, 0, 0}, {5, 3, 6}, {0, 0, 0}},
    {5, 0, {4, 3, 6}, {kQ, 0, 0}, {5, 3, 6}, {0, 0, 0}},
    {9, 0, {6, 3, 5}, {0, kQ, 0}, {6, 3, 4}, {kQ, kQ, kQ}},
    {6, 0, {4, 3, 5}, {0, 0, kQ}, {6, 4, 7}, {kQ, 0, kQ}},
    {0, 0, {5, 3, 4}, {0, kQ, kQ}, {7, 3, 5}, {0, kQ, 0}},
    {7, 0, {5, 3, 4}, {0, kQ, kQ}, {7, 3, 5}, {0, kQ, 0}},
    {0, 0, {6, 3, 4}, {kQ, 0, 0}, {5, 3, 6}, {kQ, 0, 0}},
    {8, 0, {6, 3, 4}, {kQ, 0, 0}, {5, 3, 6}, {kQ, 0, 0}},
    {0, 1, {4, 3, 5}, {kQ, kQ, kQ}, {4, 3, 6}, {0, kQ, 0}},
    {6, 1, {4, 3, 5}, {kQ, kQ, kQ}, {4, 3, 6}, {0, kQ, 0}},
    {3, 1, {5, 2, 4}, {0, 0, 0}, {4, 5, 6}, {0, 0, 0}},
    {4, 1, {4, 3, 6}, {kQ, 0, 0}, {5, 3, 6}, {0, 0, 0}},
    {5, 1, {4, 3, 6}, {kQ, 0, 0}, {5, 3, 6}, {0, 0, 0}},
    {9, 1, {4, 3, 6}, {kQ, 0, 0}, {5, 3, 6}, {0, 0, 0}},
}};

const LeakType& LookOf(std::int32_t type) {
  return kTypes[type >= 0 && type < static_cast<std::int32_t>(kTypes.size())
                    ? static_cast<std::size_t>(type)
                    : 0];
}

constexpr std::string_view kHeader = R"(
uniform sampler2D tex0;
uniform float t;
uniform vec3 factor2;
uniform vec3 phaseShift1;
uniform vec3 phaseShift2;
varying vec2 TexCoord0;

const vec3 mul1 = vec3(1.0 / 232.0, 1.0 / 211.0, 1.0 / 311.0);
const vec3 mul2 = vec3(1.0 / 212.0, 1.0 / 234.0, 1.0 / 321.0);
// How much of the leak is mixed in; the shape pieces limit it to one side.
float mixDeg = 0.2;

void main() {
  float u = TexCoord0.x;
  float v = TexCoord0.y;
  // Two crossed waves per channel whose frequencies drift with t.
  vec3 rgb = 0.5 + 0.5 * (cos(u * phaseShift1 * cos(v * t * mul1) + phaseShift2) +
                          sin(v * factor2 * cos(u * t * mul2)));
  vec4 color = texture2D(tex0, TexCoord0);
)";

// The leak's colour from the waves.
constexpr std::array<std::string_view, 2> kPalettes{
    R"(
  // Warm: red the brightest wave, green the darkest.
  vec3 leaks = vec3(max(max(rgb.r, rgb.g), rgb.b), min(min(rgb.r, rgb.g), rgb.b), rgb.b);
)",
    R"(
  // Green: red the brightest wave, blue the darkest.
  vec3 leaks = vec3(max(max(rgb.r, rgb.g), rgb.b), rgb.g, min(min(rgb.r, rgb.g), rgb.b));
)"};

// A curve `coordinate` = `curve`; the leak lies where `coordinate`
// `comparison` the curve, growing with the distance from it.
struct ShapeCurve {
  std::string_view coordinate;
  std::string_view curve;
  std::string_view comparison;
};

constexpr std::array<ShapeCurve, 9> kShapes{{
    {"v", "u * u", "<"},
    {"v", "1.0 - u * u", ">"},
    {"v", "u", ">"},
    {"v", "u", "<"},
    {"v", "1.0 - u", ">"},
    {"v", "1.0 - u", "<"},
    {"u", "0.5", "<"},
    {"u", "0.5", ">"},
    {"v", "0.5", ">"},
}};

std::string ShapePiece(int shape) {
  if (shape == 0) return {};
  const ShapeCurve& s = kShapes[static_cast<std::size_t>(shape - 1)];
  const std::string coordinate(s.coordinate);
  return "\n  // The leak on one side of the curve, up to 0.6 away from it.\n"
         "  float curve = " +
         std::string(s.curve) + ";\n  float dist = abs(" + coordinate +
         " - curve);\n  mixDeg = " + coordinate + " " + std::string(s.comparison) +
         " curve ? min(dist, 0.6) : 0.0;\n";
}

constexpr std::string_view kFooter = R"(
  // The leak only brightens.
  gl_FragColor = vec4(max(mix(color.rgb, leaks, mixDeg), color.rgb), color.a);
}
)";

}  // namespace

std::string EffectLightLeaks::FragmentText(std::int32_t type) {
  const LeakType& look = LookOf(type);
  std::string text(kHeader);
  text += kPalettes[static_cast<std::size_t>(look.palette)];
  text += ShapePiece(look.shape);
  text += kFooter;
  return text;
}

const std::string_view& EffectLightLeaks::GetName() const {
  static constexpr std::string_view kName = "EffectLightLeaks";
  return kName;
}

Ptr<OglCache> EffectLightLeaks::CreateCache() {
  return MakeRef<CacheImpl>();
}

void EffectLightLeaks::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                  double time, double, ShaderStorage& storage,
                                  const Ptr<OglCache>& cache) {
  const Proc::SettingsEffectLightLeaks& settings = DrawingSettings();
  const LeakType& look = LookOf(settings.GetType());
  const auto& sources =
      CacheAs<CacheImpl>(cache).shader.For(settings.GetType(), std::string(kShaderPrefix),
                                           [](std::int32_t type) { return FragmentText(type); });
  // The waves' clock: a slow swing plus a slower drift.
  constexpr float kSwingRate = 0.5f;
  constexpr float kDriftPeriod = 13.0f;
  const auto seconds = static_cast<float>(time);
  const float tau = std::cos(seconds * kSwingRate) + seconds / kDriftPeriod;
  DrawSinglePass(storage, storage.MakeShader(sources), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("tex0", 0);
                   program.Uniform("t", tau);
                   program.Uniform("phaseShift1", look.amplitude[0] * std::cos(look.phase[0] + tau),
                                   look.amplitude[1] * std::cos(look.phase[1] + tau),
                                   look.amplitude[2] * std::cos(look.phase[2] + tau));
                   const float swing = std::sin(tau);
                   program.Uniform("factor2", look.frequency[0] * swing, look.frequency[1] * swing,
                                   look.frequency[2] * swing);
                   program.Uniform("phaseShift2", look.phaseShift2[0], look.phaseShift2[1],
                                   look.phaseShift2[2]);
                 });
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  FinishWithSource(storage, *target, *rgba, settings.GetIntensity());
}

}  // namespace Obrisk::Ogl
