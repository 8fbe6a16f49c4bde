#include "effects/key/EffectColorBrush.h"

#include "effects/key/KeyPasses.h"
#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectColorBrush", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float blend;
varying vec2 TexCoord0;

// The picture taken most of the way to grey.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = mix(color, obrisk_RGBA2GRAYA_(color), blend);
}
)",
                                 "Proc/Effects/Quenvara/EffectColorBrush"};

// How grey the grey sketch is.
constexpr float kGreySketch = 0.75f;

// The edge sketch: dark edges on white, fully drawn, at the gradient's own gain.
Proc::SettingsEffectFindEdges PencilSketch() {
  Proc::SettingsEffectFindEdges settings;
  settings.SetParams(Proc::SettingsEffectFindEdges::Type::Inverted, 1.0, 1.0);
  return settings;
}

}  // namespace

EffectColorBrush::EffectColorBrush() {
  edges_.SetSettings(PencilSketch());
}

const std::string_view& EffectColorBrush::GetName() const {
  static constexpr std::string_view kName = "EffectColorBrush";
  return kName;
}

Ptr<OglCache> EffectColorBrush::CreateCache() {
  return brush_.CreateCache();
}

void EffectColorBrush::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                  double time, double progress, ShaderStorage& storage,
                                  const Ptr<OglCache>& cache) {
  const auto& settings = DrawingSettings();
  // The sketch, as data the transition can take for its first input.
  Ptr<DataVideoOGL> sketch = DataVideoOGL::Create(target->GetColorSpace(), target->GetPixelFormat(),
                                                  source->GetFrameInfo());
  const Ptr<Frame>& sketchFrame = sketch->FrameData();
  sketchFrame->Allocate(target->GetColorSpace(), target->GetPixelFormat(), source->GetFrameInfo());
  if (settings.GetMode() == Proc::SettingsEffectColorBrush::kGrey) {
    DrawSinglePass(storage, storage.MakeShader(kShader), *sketchFrame, *source,
                   [](ShaderProgram& program) { program.Uniform("blend", kGreySketch); });
  } else {
    edges_.ProcessGpu(sketchFrame, source, time, progress, storage, Ptr<OglCache>());
  }

  Proc::SettingsTransitionWaterbrush strokes;
  strokes.SetAngle(settings.GetAngle());
  strokes.SetRough(settings.GetRoughness());
  strokes.SetSize(settings.GetSize());
  strokes.SetType(Proc::SettingsTransitionWaterbrush::kQuickStrokes);
  brush_.SetSettings(strokes);
  brush_.ProcessGpu(target, sketch, source, time, progress, storage, cache);
  if (settings.GetIntensity() < 1.0f) {
    DrawSourceOver(*target, *source, storage, 1.0f - settings.GetIntensity());
  }
}

}  // namespace Obrisk::Ogl
