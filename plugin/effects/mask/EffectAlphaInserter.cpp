#include "effects/mask/EffectAlphaInserter.h"

#include "effects/blur/BlurPasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectAlphaInserter", Shader::FullFrame, R"(
uniform sampler2D frameTex;
uniform sampler2D alphaTex;
varying vec2 TexCoord0;

// The frame's colour; its alpha times the brightness of the alpha source.
void main() {
  vec4 frame = texture2D(frameTex, TexCoord0);
  vec3 source = texture2D(alphaTex, TexCoord0).rgb;
  float alpha = clamp((source.r + source.g + source.b) / 3.0, 0.0, 1.0);
  gl_FragColor = vec4(frame.rgb, frame.a * alpha);
}
)",
                                 "Proc/Effects/Quenvara/EffectAlphaInserter"};

}  // namespace

const std::string_view& EffectAlphaInserter::GetName() const {
  static constexpr std::string_view kName = "EffectAlphaInserter";
  return kName;
}

void EffectAlphaInserter::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  TwoInputEffectAlgorithm::UpdateFormatCodecVideo(format);
  format->SetAlphaFlag(true);
}

void EffectAlphaInserter::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                     const Ptr<DataVideoOGL>& second, double, double,
                                     ShaderStorage& storage, const Ptr<OglCache>&) {
  Ptr<Frame> frame = first->FrameData()->ConvertToRGBA(storage);
  Ptr<Frame> alphaSource = second->FrameData()->ConvertToRGB(storage);
  DrawPass(storage, target->GetFirstTexture(), storage.Quad(), storage.MakeShader(kShader),
           [&](ShaderProgram& program) {
             program.Uniform("frameTex", 0);
             program.Uniform("alphaTex", 1);
             frame->GetFirstTexture().Use(0);
             alphaSource->GetFirstTexture().Use(1);
           });
}

}  // namespace Obrisk::Ogl
