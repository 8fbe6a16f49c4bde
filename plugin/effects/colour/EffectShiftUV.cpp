#include "effects/colour/EffectShiftUV.h"

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectShiftUV", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float shiftU;  // added to Cb, 0 to 1 scale
uniform float shiftV;  // added to Cr, 0 to 1 scale
varying vec2 TexCoord0;

// Constant offsets on the chroma; luma and alpha kept.
void main() {
  vec4 yuva = obrisk_RGBA2YUVA_(texture2D(tex, TexCoord0));
  yuva.yz += vec2(shiftU, shiftV);
  gl_FragColor = obrisk_ClampSDR_(obrisk_YUVA2RGBA_(obrisk_ClampSDR_(yuva)));
}
)",
                                 "Proc/Effects/Quenvara/EffectShiftUV"};

constexpr double kLevels = 255.0;

}  // namespace

const std::string_view& EffectShiftUV::GetName() const {
  static constexpr std::string_view kName = "EffectShiftUV";
  return kName;
}

void EffectShiftUV::DrawInWorkingSpace(Frame& target, DataVideoOGL& source,
                                       WorkingSpacePass& pass) {
  const auto [shiftU, shiftV] = DrawingSettings().CalculateShift();
  pass.Draw(kShader, target, source, [&](ShaderProgram& program) {
    program.Uniform("shiftU", shiftU / kLevels);
    program.Uniform("shiftV", shiftV / kLevels);
  });
}

}  // namespace Obrisk::Ogl
