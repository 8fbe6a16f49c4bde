#include "transitions/TransitionGlitch.h"

#include <cmath>
#include <string>

#include "frame/ShaderSourceKeeper.h"
#include "obrisk/host/Exception.h"
#include "transitions/TransitionPasses.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

constexpr const char* kSourcePath = "Proc/Effects/Quenvara/TransitionGlitch";

// Pixelation that grows to cells of 1/20 of the frame at the midpoint, in 50
// steps, and shrinks again, while the pictures mix.
const ShaderSourceKeeper kPixel{"TransitionGlitchPixel", Shader::FullFrame, R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float progress;
varying vec2 TexCoord0;

const float kSteps = 50.0;
const vec2 kCells = vec2(20.0);  // cells across at the coarsest

void main() {
  float d = min(progress, 1.0 - progress);
  float q = ceil(d * kSteps) / kSteps;
  vec2 cell = 2.0 * q / kCells;
  vec2 p = q > 0.0 ? (floor(TexCoord0 / cell) + 0.5) * cell : TexCoord0;
  gl_FragColor = mix(texture2D(tex0, p), texture2D(tex1, p), progress);
}
)",
                                kSourcePath};

// Each picture is displaced by the other's colours, the first fading
// through grey and the second settling out of the displaced first.
const ShaderSourceKeeper kGrayscale{"TransitionGlitchGrayscaleTransform", Shader::FullFrame, R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float progress;
varying vec2 TexCoord0;

const vec3 kLuma = vec3(0.299, 0.587, 0.114);

// Exponential ease in and out.
float Ease0(float t) {
  if (t <= 0.0 || t >= 1.0) return t;
  return t < 0.5 ? 0.5 * pow(2.0, 20.0 * t - 10.0) : 1.0 - 0.5 * pow(2.0, 10.0 - 20.0 * t);
}

// Exponential ease out.
float Ease1(float t) {
  return t >= 1.0 ? t : 1.0 - pow(2.0, -10.0 * t);
}

// The coordinate moved by the colour c.
vec2 Displace(vec4 c, vec2 uv, float scale, float depth, float strength) {
  return uv + ((c * scale + 1.0 - c * depth).xy - 1.0 + depth * scale) * strength;
}

void main() {
  vec2 uv = TexCoord0;
  vec4 c0 = texture2D(tex0, uv);
  vec4 c1 = texture2D(tex1, uv);
  vec4 d0 = texture2D(tex1, Displace(c0, uv, 0.33, 0.7, 1.0 - Ease0(progress)));
  vec4 d1 = texture2D(tex0, Displace(c1, uv, 0.33, 0.5, Ease1(progress)));
  float g = dot(min(d0, d1).rgb, kLuma);
  vec4 first = mix(c0, vec4(g, g, g, 1.0) * 2.0, smoothstep(0.0, 0.5, progress));
  // Falls from 1 at the midpoint to 0 at the end.
  vec4 second = mix(c1, d0, 1.0 - smoothstep(0.5, 1.0, progress));
  gl_FragColor = mix(first, second, Ease0(progress));
}
)",
                                    kSourcePath};

// A hard swap within 0.01 of the midpoint.
const ShaderSourceKeeper kSwap{"TransitionGlitchSwap", Shader::FullFrame, R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float progress;
varying vec2 TexCoord0;

void main() {
  float alpha = progress < 0.49 ? 0.0 : (progress > 0.51 ? 1.0 : (progress + 0.01 - 0.5) / 0.02);
  gl_FragColor = mix(texture2D(tex0, TexCoord0), texture2D(tex1, TexCoord0), alpha);
}
)",
                               kSourcePath};

// Around the midpoint the picture rolls up from the first to the second,
// shaking and in grey; both textures repeat, so the roll wraps.
const ShaderSourceKeeper kTape{"TransitionGlitchVHS", Shader::FullFrame, R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float progress;
varying vec2 TexCoord0;

const float kGreyWindow = 0.2;   // distance from the midpoint drawn grey and shaking
const float kRollStart = 0.4;    // the roll runs from here ...
const float kRollLength = 0.2;   // ... over this share of the duration
const float kShakeSteps = 30.0;  // new shake offsets over the duration
const float kShake = 1.0 / 25.0; // largest shake, in picture heights

void main() {
  float m = abs(progress - 0.5);
  vec2 uv = TexCoord0;
  if (m < kGreyWindow) {
    uv.y += obrisk_rand_(mat2(1.0), vec2(1.0), vec2(floor(kShakeSteps * progress))) * kShake;
  }
  vec4 c;
  if (progress < kRollStart) {
    c = texture2D(tex0, uv);
  } else if (progress > kRollStart + kRollLength) {
    c = texture2D(tex1, uv);
  } else {
    uv.y += (progress - kRollStart) / kRollLength;
    c = uv.y > 1.0 ? texture2D(tex1, vec2(uv.x, uv.y - 1.0)) : texture2D(tex0, uv);
  }
  gl_FragColor = m < kGreyWindow ? c.ggga : c;
}
)",
                               kSourcePath};

// The broken-stream effect's caches, one per input; made when that type first
// draws, so that the other types never load its noise image.
class TransitionGlitchOglCache final : public OglCache {
 public:
  Ptr<OglCache> first;
  Ptr<OglCache> second;
};

// The tape effect's strength: full at the midpoint, gone at the ends.
constexpr double kTapePower = 4.0;

void DrawProgram(ShaderStorage& storage, ShaderProgram& program, Frame& target, Frame& first,
                 Frame& second, double progress) {
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  program.Uniform("progress", progress);
  DrawFullScreen(storage, program, target, {&first, &second});
}

}  // namespace

const std::string_view& TransitionGlitch::GetName() const {
  static constexpr std::string_view kName = "TransitionGlitch";
  return kName;
}

Ptr<OglCache> TransitionGlitch::CreateCache() {
  return MakeRef<TransitionGlitchOglCache>();
}

void TransitionGlitch::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double time, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const Proc::GlitchType type = DrawingSettings().GetType();
  switch (type) {
    case Proc::GlitchType::Pixel:
    case Proc::GlitchType::Grayscale: {
      const TransitionFrames frames = ConvertInputs(*first, *second, storage);
      DrawProgram(storage,
                  storage.MakeShader(type == Proc::GlitchType::Pixel ? kPixel : kGrayscale),
                  *target, *frames.first, *frames.second, progress);
      return;
    }
    case Proc::GlitchType::Mpeg:
      DrawBrokenStream(target, first, second, time, progress, storage, cache);
      return;
    case Proc::GlitchType::Vhs:
      DrawTape(target, first, second, time, progress, storage);
      return;
  }
  OBRISK_THROW(EffectException, "Unknow glitch type: " + std::to_string(static_cast<int>(type)));
}

// Both inputs break up, most at the midpoint, where they swap.
void TransitionGlitch::DrawBrokenStream(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                        const Ptr<DataVideoOGL>& second, double time,
                                        double progress, ShaderStorage& storage,
                                        const Ptr<OglCache>& cache) {
  auto& caches = CacheAs<TransitionGlitchOglCache>(cache);
  if (!caches.first) caches.first = mpeg_.CreateCache();
  if (!caches.second) caches.second = mpeg_.CreateCache();
  Proc::SettingsEffectGlitchMpeg settings;
  settings.SetPrivateParameters(false, false, false);
  settings.SetIntensity(static_cast<float>(1.0 - std::abs(2.0 * progress - 1.0)));
  mpeg_.SetSettings(settings);
  Ptr<Frame> brokenFirst = target->AllocateIntermediate();
  mpeg_.ProcessGpu(brokenFirst, first, time, progress, storage, caches.first);
  Ptr<Frame> brokenSecond = target->AllocateIntermediate();
  mpeg_.ProcessGpu(brokenSecond, second, time, progress, storage, caches.second);
  DrawProgram(storage, storage.MakeShader(kSwap), *target, *brokenFirst, *brokenSecond, progress);
}

void TransitionGlitch::DrawTape(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                const Ptr<DataVideoOGL>& second, double time, double progress,
                                ShaderStorage& storage) {
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  Ptr<DataVideoOGL> rolled = NewVideoData(*target);
  {
    const ScopedSampling repeat(GL_REPEAT, {0, 1});
    DrawProgram(storage, storage.MakeShader(kTape), *rolled->FrameData(), *frames.first,
                *frames.second, progress);
  }
  Proc::SettingsEffectVHS settings;
  settings.SetIntensity(
      static_cast<float>(std::pow(1.0 - 2.0 * std::abs(progress - 0.5), kTapePower)));
  settings.SetDrawBorder(false);
  vhs_.SetSettings(settings);
  vhs_.ProcessGpu(target, rolled, time, progress, storage, nullptr);
}

}  // namespace Obrisk::Ogl
