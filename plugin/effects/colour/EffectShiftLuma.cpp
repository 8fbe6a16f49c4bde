#include "effects/colour/EffectShiftLuma.h"

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"
#include "obrisk/effectcommon/ColorEffectMath.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectShiftLuma", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float k;   // slope
uniform float x0;  // input black, 0 to 1
uniform float y0;  // output black, 0 to 1
varying vec2 TexCoord0;

// Luma along the line through (x0, y0) with slope k; chroma and alpha kept.
void main() {
  vec4 yuva = obrisk_ClampSDR_(obrisk_RGBA2YUVA_(texture2D(tex, TexCoord0)));
  yuva.x = k * (yuva.x - x0) + y0;
  gl_FragColor = obrisk_ClampSDR_(obrisk_YUVA2RGBA_(obrisk_ClampSDR_(yuva)));
}
)",
                                 "Proc/Effects/Quenvara/EffectShiftLuma"};

constexpr double kLevels = 255.0;

}  // namespace

const std::string_view& EffectShiftLuma::GetName() const {
  static constexpr std::string_view kName = "EffectShiftLuma";
  return kName;
}

void EffectShiftLuma::DrawInWorkingSpace(Frame& target, DataVideoOGL& source,
                                         WorkingSpacePass& pass) {
  const auto& settings = DrawingSettings();
  const Proc::LumaLevelMapping mapping =
      Proc::LumaLevelShift(settings.GetBlackShift(), settings.GetWhiteShift());
  pass.Draw(kShader, target, source, [&](ShaderProgram& program) {
    program.Uniform("k", mapping.slope);
    program.Uniform("x0", mapping.inBlack / kLevels);
    program.Uniform("y0", mapping.outBlack / kLevels);
  });
}

}  // namespace Obrisk::Ogl
