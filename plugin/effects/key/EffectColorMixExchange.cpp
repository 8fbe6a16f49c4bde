#include "effects/key/EffectColorMixExchange.h"

#include "effects/key/KeyPasses.h"
#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectColorMixExchange", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec4 exchange;
varying vec2 TexCoord0;

// Each channel inverted by the share the exchange colour gives it.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(mix(color.rgb, 1.0 - color.rgb, exchange.rgb), color.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectColorMixExchange"};

}  // namespace

const std::string_view& EffectColorMixExchange::GetName() const {
  static constexpr std::string_view kName = "EffectColorMixExchange";
  return kName;
}

void EffectColorMixExchange::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                        double, double, ShaderStorage& storage,
                                        const Ptr<OglCache>&) {
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("exchange", ToColorF(DrawingSettings().GetExchangeColor()));
                 });
}

}  // namespace Obrisk::Ogl
