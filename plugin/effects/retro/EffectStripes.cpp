#include "effects/retro/EffectStripes.h"

#include <algorithm>
#include <numbers>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectStripes", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float scale;
uniform float deep;
varying vec2 TexCoord0;

// The picture scaled by a cosine of the height plus an offset: `scale` / 2 pi
// dark-bright cycles over the picture.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(color.rgb * (cos(TexCoord0.y * scale) + deep), color.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectStripes"};

// Rows per stripe at the least: finer stripes would alias.
constexpr int kMinRowsPerStripe = 6;

}  // namespace

const std::string_view& EffectStripes::GetName() const {
  static constexpr std::string_view kName = "EffectStripes";
  return kName;
}

void EffectStripes::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                               double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectStripes& settings = DrawingSettings();
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  const int stripes =
      std::min(settings.GetCount(), rgba->GetFrameInfo().height / kMinRowsPerStripe);
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("scale", 2.0 * stripes * std::numbers::pi);
                   program.Uniform("deep", 2.0 * settings.GetDepth() - 1.0);
                 });
  // The picture over the stripes, by the share the intensity leaves.
  storage.FBO().Attach(target->GetFirstTexture());
  rgba->Draw(storage.FrameQuad(), storage, 1.0f - settings.GetIntensity());
}

}  // namespace Obrisk::Ogl
