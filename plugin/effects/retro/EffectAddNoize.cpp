#include "effects/retro/EffectAddNoize.h"

#include "frame/RandomDraws.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectAddNoize", Shader::FullFrame, R"(
uniform int colour;
uniform mat4 seeds;
varying vec2 TexCoord0;

// Grain from 0 to 1: one value for all three channels (grey grain), or one
// per channel from its own seeds. Alpha 0: blending keeps the picture's alpha.
void main() {
  float r = obrisk_rand_(mat2(seeds[0].xy, seeds[0].zw), seeds[3].xy, TexCoord0);
  float g = r;
  float b = r;
  if (colour != 0) {
    g = obrisk_rand_(mat2(seeds[1].xy, seeds[1].zw), seeds[3].yz, TexCoord0);
    b = obrisk_rand_(mat2(seeds[2].xy, seeds[2].zw), seeds[3].zx, TexCoord0);
  }
  gl_FragColor = vec4(r, g, b, 0.0);
}
)",
                                 "Proc/Effects/Quenvara/EffectAddNoize"};

}  // namespace

const std::string_view& EffectAddNoize::GetName() const {
  static constexpr std::string_view kName = "EffectAddNoize";
  return kName;
}

void EffectAddNoize::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectAddNoize& settings = DrawingSettings();
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  storage.FBO().Attach(target->GetFirstTexture());
  rgba->Draw(storage.FrameQuad(), storage);

  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("colour", settings.IsColour() ? 1 : 0);
  program.Uniform("seeds", SeedMatrix(), false);
  // rgb = grain * amount + picture * (1 - amount); alpha stays.
  EnableState blend(GL_BLEND);
  glBlendColor(0.0f, 0.0f, 0.0f, static_cast<float>(settings.GetAmount()));
  glBlendFuncSeparate(GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA, GL_ZERO, GL_ONE);
  storage.Quad().Activate();
  storage.Quad().Draw(program);
}

}  // namespace Obrisk::Ogl
