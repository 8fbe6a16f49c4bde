#include "effects/colour/EffectChannelMixer.h"

#include <glm/gtc/type_ptr.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectChannelMixer", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform mat3 mixer;
varying vec2 TexCoord0;

// The colour as a row vector times the mixer: output channel j is the dot
// product of the input colour with column j, that channel's three weights.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(color.rgb * mixer, color.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectChannelMixer"};

}  // namespace

const std::string_view& EffectChannelMixer::GetName() const {
  static constexpr std::string_view kName = "EffectChannelMixer";
  return kName;
}

void EffectChannelMixer::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                    double, double, ShaderStorage& storage, const Ptr<OglCache>&) {
  // The weights, grouped by output channel, are the matrix's columns.
  const glm::mat3 mixer = glm::make_mat3(DrawingSettings().GetMatrix().data());
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) { program.Uniform("mixer", mixer, false); });
}

}  // namespace Obrisk::Ogl
