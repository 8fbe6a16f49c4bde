#include "effects/mask/EffectMaskedMix.h"

#include <stdexcept>

#include "effects/blur/BlurPasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"MaskTransition", Shader::FullFrame, R"(
uniform sampler2D texLeft;
uniform sampler2D texRight;
uniform sampler2D texMask;
varying vec2 TexCoord0;

// Per channel: black in the mask shows the left picture, white the right,
// both with their alpha premultiplied.
void main() {
  vec3 left = obrisk_premultiplyAlphaRGBA_(texture2D(texLeft, TexCoord0), 1.0).rgb;
  vec3 right = obrisk_premultiplyAlphaRGBA_(texture2D(texRight, TexCoord0), 1.0).rgb;
  vec3 mask = texture2D(texMask, TexCoord0).rgb;
  gl_FragColor = vec4(mix(left, right, mask), 1.0);
}
)",
                                 "Proc/Effects/Quenvara/EffectMaskedMix"};

constexpr std::size_t kInputCount = 3;

}  // namespace

const std::string_view& EffectMaskedMix::GetName() const {
  static constexpr std::string_view kName = "EffectMaskedMix";
  return kName;
}

Ptr<DataVideoOGL> EffectMaskedMix::CreateDst(const DataVideoList& sources, double progress) {
  if (sources.size() != kInputCount) {
    OBRISK_THROW(EffectException, "Expecting three input frames");
  }
  return VarInputEffectAlgorithm::CreateDst(sources, progress);
}

void EffectMaskedMix::ProcessGpu(const Ptr<Frame>& target, const DataVideoList& sources, double,
                                 double, ShaderStorage& storage, const Ptr<OglCache>&) {
  // Called directly, a list of another length must not read past its end.
  if (sources.size() != kInputCount) throw std::logic_error("invalid data count");
  Ptr<Frame> left = sources[0]->FrameData()->ConvertToRGBA(storage);
  Ptr<Frame> right = sources[1]->FrameData()->ConvertToRGBA(storage);
  Ptr<Frame> mask = sources[2]->FrameData()->ConvertToRGBA(storage);
  DrawPass(storage, target->GetFirstTexture(), storage.Quad(), storage.MakeShader(kShader),
           [&](ShaderProgram& program) {
             program.Uniform("texLeft", 0);
             program.Uniform("texRight", 1);
             program.Uniform("texMask", 2);
             left->GetFirstTexture().Use(0);
             right->GetFirstTexture().Use(1);
             mask->GetFirstTexture().Use(2);
           });
}

}  // namespace Obrisk::Ogl
