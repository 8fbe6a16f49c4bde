#include "transitions/TransitionThroughColor.h"

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionThroughColor", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec4 color;
uniform float mixFactor;
varying vec2 TexCoord0;

// The input of this half of the transition, taken towards the key colour.
void main() {
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex, TexCoord0), color, mixFactor);
}
)",
                                 "Proc/Effects/Quenvara/TransitionThroughColor"};

}  // namespace

const std::string_view& TransitionThroughColor::GetName() const {
  static constexpr std::string_view kName = "TransitionThroughColor";
  return kName;
}

// The first half shows the first input going to the colour, the second half
// the second input coming out of it; only the input shown is converted.
void TransitionThroughColor::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                        const Ptr<DataVideoOGL>& second, double, double progress,
                                        ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsTransitionThroughColor& settings = DrawingSettings();
  const bool firstHalf = progress < 0.5;
  Ptr<Frame> shown = (firstHalf ? first : second)->FrameData()->ConvertToRGBA(storage);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("color", settings.GetKeyColorR(), settings.GetKeyColorG(),
                  settings.GetKeyColorB(), settings.GetKeyColorA());
  program.Uniform("mixFactor", firstHalf ? 2.0 * progress : 2.0 - 2.0 * progress);
  DrawFullScreenAtTexels(storage, program, *target, {shown.get()});
}

}  // namespace Obrisk::Ogl
