#include "effects/mask/EffectAlphaChannelModifier.h"

#include <algorithm>
#include <cmath>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectAlphaChannelModifier", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float alphaScale;
varying vec2 TexCoord0;

// The colour as it is, the alpha scaled.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(color.rgb, color.a * alphaScale);
}
)",
                                 "Proc/Effects/Quenvara/EffectAlphaChannelModifier"};

}  // namespace

double AlphaScale(const Proc::SettingsEffectAlphaChannelModifier& settings, double progress) {
  // A triangle from 0 at either end to 1 at the middle; a progress outside
  // 0 to 1 counts as the nearer end (a negative base has no real power).
  const double p = std::clamp(progress, 0.0, 1.0);
  const double rise = p < 0.5 ? p : 1.0 - p;
  const double scale =
      std::pow(2.0 * rise, settings.GetPowerScale()) * settings.GetAdditionalMultiplier();
  return std::clamp(scale, 0.0, 1.0);
}

const std::string_view& EffectAlphaChannelModifier::GetName() const {
  static constexpr std::string_view kName = "EffectAlphaChannelModifier";
  return kName;
}

void EffectAlphaChannelModifier::UpdateFormatCodecVideo(
    const Ptr<Proc::IFormatCodecVideo>& format) {
  format->SetPixelFormat(Proc::kPixFmtAlpha);
  format->SetAlphaFlag(true);
}

Ptr<DataVideoOGL> EffectAlphaChannelModifier::CreateDst(const Proc::ColorSpace& colorSpace,
                                                        Proc::PixFmt, const Proc::FrameInfo& info,
                                                        double) {
  return DataVideoOGL::Create(colorSpace, Proc::kPixFmtAlpha, info);
}

void EffectAlphaChannelModifier::ProcessGpu(const Ptr<Frame>& target,
                                            const Ptr<DataVideoOGL>& source, double,
                                            double progress, ShaderStorage& storage,
                                            const Ptr<OglCache>&) {
  const auto scale = static_cast<float>(AlphaScale(DrawingSettings(), progress));
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) { program.Uniform("alphaScale", scale); });
}

}  // namespace Obrisk::Ogl
