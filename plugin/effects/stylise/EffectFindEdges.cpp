#include "effects/stylise/EffectFindEdges.h"

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectFindEdges", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float mode;
uniform float blend;
uniform float sensibility;
uniform vec2 delta;
varying vec2 TexCoord0;

// BT.601 luma weights.
const vec4 kLuma = vec4(0.299, 0.587, 0.114, 0.0);

float Luma(float dx, float dy) {
  return dot(kLuma, texture2D(tex, TexCoord0 + vec2(dx, dy) * delta));
}

// Sobel: weights (1, 2, 1) across the top row minus the bottom row, and the
// right column minus the left. e is 1 where the picture stays and falls
// towards the edge strength as blend rises; mode 1 draws 1 - e instead.
void main() {
  float tl = Luma(-1.0, 1.0);
  float t = Luma(0.0, 1.0);
  float tr = Luma(1.0, 1.0);
  float l = Luma(-1.0, 0.0);
  float r = Luma(1.0, 0.0);
  float bl = Luma(-1.0, -1.0);
  float b = Luma(0.0, -1.0);
  float br = Luma(1.0, -1.0);
  vec2 g = vec2(tl + 2.0 * t + tr - bl - 2.0 * b - br, tr + 2.0 * r + br - tl - 2.0 * l - bl);
  float e = mix(1.0, clamp(sensibility * length(g), 0.0, 1.0), blend);
  vec4 source = texture2D(tex, TexCoord0);
  vec4 colour = source * vec4(e, e, e, 1.0);
  vec4 inverted = vec4(vec3(1.0 - e), source.a);
  gl_FragColor = mix(colour, inverted, mode);
}
)",
                                 "Proc/Effects/Quenvara/EffectFindEdges"};

}  // namespace

const std::string_view& EffectFindEdges::GetName() const {
  static constexpr std::string_view kName = "EffectFindEdges";
  return kName;
}

void EffectFindEdges::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                 double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectFindEdges& settings = DrawingSettings();
  const Proc::FrameInfo& info = target->GetFrameInfo();
  const bool inverted = settings.GetType() != Proc::SettingsEffectFindEdges::Type::Colour;
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("mode", inverted ? 1.0f : 0.0f);
                   program.Uniform("blend", settings.GetBlend());
                   program.Uniform("sensibility", settings.GetSensibility());
                   program.Uniform("delta", 1.0 / info.width, 1.0 / info.height);
                 });
}

}  // namespace Obrisk::Ogl
