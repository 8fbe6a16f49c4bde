#include "effects/overlay/EffectLensFlare.h"

#include <array>
#include <cmath>
#include <memory>
#include <numbers>

#include <glm/ext/matrix_transform.hpp>
#include <glm/vec4.hpp>

#include "effects/overlay/OverlayPasses.h"
#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {

// The flare layer with the type and frame it was rendered for, and the quad
// that sways it.
class EffectLensFlare::CacheImpl final : public OglCache {
 public:
  Ptr<Frame> flares;
  std::size_t flareType = 0;
  std::unique_ptr<Quad> quad;
};

namespace {

const ShaderSourceKeeper kFlaresShader{"EffectLensFlare_OnlyFlares", Shader::FullFrame, R"(
uniform vec2 pos;
uniform float aspect;
uniform float glareD1;
uniform float glareD2;
uniform float glareD3;
uniform float glareD4;
uniform float glareD5;
uniform float glareD6;
uniform float glareD7;
varying vec2 TexCoord0;

// One flare: a small disc per channel at `shift` times the light's position
// from the lens centre, sharpened by `exponent`.
vec3 Flare(vec2 w, vec3 shift, float exponent, vec3 brightness) {
  vec3 d = vec3(length(w + shift.x * pos), length(w + shift.y * pos), length(w + shift.z * pos));
  return max(0.01 - pow(d, vec3(exponent)), 0.0) * brightness;
}

// Seven flares along the line through the light and the centre, on a
// barrel-distorted plane; alpha 0 so that adding them keeps the picture's.
void main() {
  vec2 uv = TexCoord0 - 0.5;
  uv.x *= aspect;
  vec2 w = uv * (length(uv) + 1.0) / 2.0;
  vec3 sum = Flare(w, vec3(-0.9, -0.9125, -0.925), glareD1, vec3(12.0, 11.0, 14.0));
  sum += Flare(w, vec3(-0.6, -0.6125, -0.625), glareD2, vec3(14.0, 13.0, 11.0));
  sum += Flare(w, vec3(-0.5, -0.53125, -0.5325), glareD3, vec3(14.0, 13.0, 11.0));
  sum += Flare(w, vec3(-0.4, -0.425, -0.45), glareD4, vec3(14.0, 13.0, 11.0));
  sum += Flare(w, vec3(-0.1, -0.125, -0.15), glareD5, vec3(14.0, 13.0, 11.0));
  sum += Flare(w, vec3(0.3, 0.325, 0.35), glareD6, vec3(11.0, 13.0, 14.0));
  sum += Flare(w, vec3(0.9, 0.925, 0.95), glareD7, vec3(13.0, 13.0, 11.0));
  gl_FragColor = vec4(sum, 0.0);
}
)",
                                       "Proc/Effects/Quenvara/EffectLensFlare"};

const ShaderSourceKeeper kSunShader{"EffectLensFlare", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec2 position;
uniform float aspect;
uniform vec3 sunLightColor;
varying vec2 TexCoord0;

const float range = 1.0;
const float colorShift = 0.1;
const float brightness = 2.4;
const float glareSize = 0.05;
const float sunSize = 0.004;
const float smoothness = 0.45;

float hash(float n) {
  return abs(fract(cos(n) * 43758.5453));
}

// The sun's disc and ten glare rings per channel between the sun and its
// reflection through the centre, fading towards the centre.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  vec2 uv = TexCoord0 - 0.5;
  uv.x *= aspect;
  vec2 p = position - 0.5;
  p.x *= aspect;
  vec3 c = vec3((0.01 + 0.1 * sunSize) / length(uv - p));
  float f = min(dot(uv, uv) * 0.5 + 0.5, 1.0);
  for (int i = 0; i < 10; i++) {
    float h1 = hash(1.5 * float(i));
    float h2 = hash(2.1 * float(i));
    float h3 = hash(3.3 * float(i));
    h3 = 0.65 * (h3 + 2.0 * abs(h3));
    float is = 9.5 * h1 * h1 * sunSize + glareSize;
    vec2 q = uv * mix(1.5, length(uv), h1 * h1);
    for (int j = 0; j < 3; j++) {
      float ip = h1 * range + float(j) * colorShift * h2 * h2 * h2;
      vec2 d = mix(q - p, q + p, ip);
      c[j] += pow(max(0.0, is - length(d)), smoothness) / is * brightness * sunSize * h3 * f;
    }
  }
  vec3 flare = c * sunLightColor;
  vec3 rgb = color.rgb;
  if (max(max(flare.r, flare.g), flare.b) > 0.01) rgb = mix(flare, rgb, 0.8);
  gl_FragColor = vec4(rgb + flare, color.a);
}
)",
                                    "Proc/Effects/Quenvara/EffectLensFlare"};

constexpr std::int32_t kSunLeft = 4;
constexpr std::int32_t kSunRight = 5;

// The flares of one type: where the light is across the frame, and the
// exponents of flares 1, 5, 6 and 7 (2, 3 and 4 are fixed).
struct FlareType {
  float x0;
  float glareD1;
  float glareD5;
  float glareD6;
  float glareD7;
};

constexpr std::array<FlareType, 4> kFlareTypes{{
    {0.338f, 1.5f, 1.3f, 1.5f, 1.7f},
    {0.338f, 1.7f, 1.5f, 1.7f, 1.9f},
    {0.662f, 1.5f, 1.3f, 1.5f, 1.7f},
    {0.662f, 1.7f, 1.5f, 1.6f, 1.9f},
}};

// Types past the table take type 0's flares.
std::size_t FlareTypeIndex(std::int32_t type) {
  return type >= 0 && type < static_cast<std::int32_t>(kFlareTypes.size())
             ? static_cast<std::size_t>(type)
             : 0;
}

// The exponents of flares 2, 3 and 4, the same in every type.
constexpr float kGlareD2 = 1.1f;
constexpr float kGlareD3 = 1.2f;
constexpr float kGlareD4 = 1.3f;
// The light of the flares lies on a circle of radius 0.25 about the centre.
constexpr float kFlareCircleSquared = 0.0625f;
// The sun moves on a circle of radius 0.3536 about the centre (squared here),
// swinging 0.05 either side of a quarter or three quarters of the width.
constexpr double kSunCircleSquared = 0.12503296;
constexpr double kSunSwing = 0.05;
constexpr double kSunLeftX = 0.25;
constexpr double kSunRightX = 0.75;
constexpr std::array<float, 3> kSunLight{1.9f, 1.9f, 2.4f};
// The flare layer sways by up to a quarter of 30 degrees.
constexpr double kSwayAngle = 0.25 * std::numbers::pi / 6.0;

void RenderFlares(Frame& layer, const FlareType& flare, float aspect, ShaderStorage& storage) {
  const float dx = flare.x0 - 0.5f;
  ShaderProgram& program = storage.MakeShader(kFlaresShader);
  program.Use();
  program.Uniform("pos", dx * aspect, -std::sqrt(kFlareCircleSquared - dx * dx));
  program.Uniform("aspect", aspect);
  program.Uniform("glareD1", flare.glareD1);
  program.Uniform("glareD2", kGlareD2);
  program.Uniform("glareD3", kGlareD3);
  program.Uniform("glareD4", kGlareD4);
  program.Uniform("glareD5", flare.glareD5);
  program.Uniform("glareD6", flare.glareD6);
  program.Uniform("glareD7", flare.glareD7);
  storage.FBO().Attach(layer.GetFirstTexture());
  storage.Quad().Activate();
  storage.Quad().Draw(program);
}

// The full-frame quad turned by `angle` about the frame centre.
PackedMesh SwayedQuad(double angle) {
  const glm::mat4 turn =
      glm::rotate(glm::mat4(1.0f), static_cast<float>(angle), glm::vec3(0.0f, 0.0f, 1.0f));
  PackedMesh::QuadVertices quad = PackedMesh::FullFrame();
  for (QuadVertex& vertex : quad) {
    const glm::vec4 turned = turn * glm::vec4(vertex.x, vertex.y, 0.0f, 1.0f);
    vertex.x = turned.x;
    vertex.y = turned.y;
  }
  PackedMesh mesh;
  mesh.AddQuad(quad);
  return mesh;
}

void DrawSun(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, std::int32_t type,
             double time, float aspect, ShaderStorage& storage) {
  const double x = kSunSwing * std::sin(time / 2.0) + (type == kSunLeft ? kSunLeftX : kSunRightX);
  const double y = 0.5 - std::sqrt(kSunCircleSquared - (x - 0.5) * (x - 0.5));
  DrawSinglePass(storage, storage.MakeShader(kSunShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("position", x, y);
                   program.Uniform("aspect", aspect);
                   program.Uniform("sunLightColor", kSunLight[0], kSunLight[1], kSunLight[2]);
                 });
}

}  // namespace

const std::string_view& EffectLensFlare::GetName() const {
  static constexpr std::string_view kName = "EffectLensFlare";
  return kName;
}

Ptr<OglCache> EffectLensFlare::CreateCache() {
  return MakeRef<CacheImpl>();
}

void EffectLensFlare::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                 double time, double, ShaderStorage& storage,
                                 const Ptr<OglCache>& cache) {
  CacheImpl& flare = CacheAs<CacheImpl>(cache);
  const Proc::SettingsEffectLensFlare& settings = DrawingSettings();
  const auto aspect = static_cast<float>(target->GetFrameInfo().DisplayAspect());
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  const std::int32_t type = settings.GetType();
  if (type == kSunLeft || type == kSunRight) {
    DrawSun(target, source, type, time, aspect, storage);
  } else {
    // Rendered again only when the flares or the frame change.
    const std::size_t flareType = FlareTypeIndex(type);
    if (!flare.flares || flare.flareType != flareType ||
        !(flare.flares->GetFrameInfo() == rgba->GetFrameInfo())) {
      flare.flares = Frame::CreateIntermediate(target->GetColorSpace(), Proc::kPixFmtAlpha,
                                               rgba->GetFrameInfo());
      flare.flareType = flareType;
      RenderFlares(*flare.flares, kFlareTypes[flareType], aspect, storage);
    }
    const PackedMesh swayed = SwayedQuad(std::sin(time / 2.0) * kSwayAngle);
    if (flare.quad) {
      flare.quad->Upload(swayed);
    } else {
      flare.quad = std::make_unique<Quad>(swayed, GL_DYNAMIC_DRAW);
    }
    CopyInto(storage, *target, *rgba);
    // The flares add light; the picture's alpha stays.
    EnableState blend(GL_BLEND);
    glBlendFuncSeparate(GL_ONE, GL_ONE, GL_ZERO, GL_ONE);
    flare.flares->Draw(*flare.quad, storage);
  }
  FinishWithSource(storage, *target, *rgba, settings.GetIntensity());
}

}  // namespace Obrisk::Ogl
