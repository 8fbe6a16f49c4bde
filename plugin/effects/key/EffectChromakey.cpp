#include "effects/key/EffectChromakey.h"

#include <string>

#include "effects/key/KeyPasses.h"
#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"ChromaKeyYUV", Shader::FullFrame, ShaderSourceFunction([] {
                                   return std::string(kKeyConeGlsl) + R"(
uniform sampler2D tex;
uniform vec2 texel;  // one texel of tex
uniform float tg_fi;
uniform float noiseLevel;
varying vec2 TexCoord0;

vec4 yuvaAt(vec2 offset) {
  return obrisk_RGBA2YUVA_(texture2D(tex, TexCoord0 + offset * texel));
}

void main() {
  vec4 color = texture2D(tex, TexCoord0);
  if (color.a == 0.0) {
    gl_FragColor = vec4(0.0);
    return;
  }
  // The chroma of the pixel and its right, lower-right and lower neighbours,
  // averaged against single-pixel noise.
  vec4 src = obrisk_ClampSDR_(
      (obrisk_RGBA2YUVA_(color) + yuvaAt(vec2(1.0, 0.0)) + yuvaAt(vec2(1.0, -1.0)) +
       yuvaAt(vec2(0.0, -1.0))) * 0.25);
  float reach, l, h;
  if (!inKeyCone(src.yz - 0.5, reach, l, h)) {
    gl_FragColor = color;
    return;
  }
  if (reach >= uBound) {
    gl_FragColor = vec4(0.0);
    return;
  }
  // Spill: the chroma beyond the cone's edge along the key, with the luma
  // that came with it, taken out by noiseLevel.
  float dl = l - h * ctg_alpha;
  vec3 kept = obrisk_ClampSDR_(vec4(src.xyz - noiseLevel * dl * vec3(tg_fi, ortU), 1.0)).xyz;
  float alpha = color.a;
  if (reach >= lBound) alpha *= (uBound - reach) / (uBound - lBound);
  gl_FragColor = obrisk_ClampSDR_(obrisk_YUVA2RGBA_(vec4(kept, alpha)));
}
)";
                                 }),
                                 "Proc/Effects/Quenvara/EffectChromakey"};

}  // namespace

const std::string_view& EffectChromakey::GetName() const {
  static constexpr std::string_view kName = "EffectChromakey";
  return kName;
}

void EffectChromakey::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  format->SetPixelFormat(Proc::kPixFmtAlpha);
  format->SetAlphaFlag(true);
}

Ptr<DataVideoOGL> EffectChromakey::CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt,
                                             const Proc::FrameInfo& info, double) {
  return DataVideoOGL::Create(colorSpace, Proc::kPixFmtAlpha, info);
}

void EffectChromakey::DrawInWorkingSpace(Frame& target, DataVideoOGL& source,
                                         WorkingSpacePass& pass) {
  const auto& settings = DrawingSettings();
  const KeyCone cone = MakeKeyCone(settings.GetKeyColor(), settings.GetAngle(),
                                   settings.GetLowerBound(), settings.GetUpperBound());
  if (cone.grey) {
    DrawUnchanged(target, source, pass.Storage());
    return;
  }
  pass.Draw(kShader, target, source, [&](ShaderProgram& program) {
    SetKeyConeUniforms(program, cone);
    const Proc::FrameInfo& info = source.GetFrameInfo();
    program.Uniform("texel", 1.0 / info.width, 1.0 / info.height);
    program.Uniform("tg_fi", cone.tgFi);
    program.Uniform("noiseLevel", 1.0 - settings.GetNoise());
  });
}

}  // namespace Obrisk::Ogl
