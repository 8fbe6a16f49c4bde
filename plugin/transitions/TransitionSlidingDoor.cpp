#include "transitions/TransitionSlidingDoor.h"

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionSlidingDoor", Shader::FullFrame, R"(
uniform sampler2D tex_top;
uniform sampler2D tex_bot;
uniform vec2 direction;
uniform float progress;
varying vec2 TexCoord0;

// i is the distance from the centre line across `direction`. Where the
// opening has reached (i < progress < 1 - i) the inputs mix, the top one the
// more the nearer the line; before it the top input shows, after it the
// bottom one.
void main() {
  float i = abs(dot(TexCoord0 - 0.5, direction));
  vec4 top = texture2D(tex_top, TexCoord0);
  vec4 bot = texture2D(tex_bot, TexCoord0);
  if (i < progress && progress < 1.0 - i) {
    gl_FragColor = obrisk_mixRGBA_(bot, top, 1.0 - 2.0 * i);
  } else if (progress < i) {
    gl_FragColor = top;
  } else {
    gl_FragColor = bot;
  }
}
)",
                                 "Proc/Effects/Quenvara/TransitionSlidingDoor"};

}  // namespace

const std::string_view& TransitionSlidingDoor::GetName() const {
  static constexpr std::string_view kName = "TransitionSlidingDoor";
  return kName;
}

void TransitionSlidingDoor::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                       const Ptr<DataVideoOGL>& second, double, double progress,
                                       ShaderStorage& storage, const Ptr<OglCache>&) {
  const bool upAndDown =
      DrawingSettings().GetDirection() == Proc::TransitionSlidingDoorDirection::UpAndDown;
  TransitionFrames frames = ConvertInputs(*first, *second, storage);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex_top", 0);
  program.Uniform("tex_bot", 1);
  program.Uniform("direction", upAndDown ? glm::vec2(0.0f, 1.0f) : glm::vec2(1.0f, 0.0f));
  program.Uniform("progress", progress);
  DrawFullScreenAtTexels(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
