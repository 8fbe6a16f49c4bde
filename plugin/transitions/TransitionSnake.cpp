#include "transitions/TransitionSnake.h"

#include <algorithm>
#include <cmath>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionSnake", Shader::FullFrame, R"(
uniform sampler2D tex_top;
uniform sampler2D tex_bot;
uniform float thickness;
uniform float smoothness;
uniform float t;
uniform vec2 calibration;
varying vec2 TexCoord0;

const float kEpsilon = 0.0001;

// The bands stack from the bottom, `thickness` of them; a pixel's row decides
// its band (calibration = (rows, 1 / rows)). The snake's head runs along
// band after band, left to right on even bands and back on odd ones, with a
// soft head `smoothness` long; behind it the bottom input shows.
void main() {
  vec2 c = vec2(TexCoord0.x, floor(TexCoord0.y * calibration.x) * calibration.y);
  float band = floor(c.y * thickness);
  float along = mod(band, 2.0) > 0.5 ? 1.0 - c.x : c.x;
  float dist = band + along + smoothness;
  float ahead = dist - (thickness + smoothness) * t;
  float z = smoothness > 0.0 ? clamp(ahead / smoothness, 0.0, 1.0) : step(0.0, ahead);
  vec4 top = texture2D(tex_top, TexCoord0);
  vec4 bot = texture2D(tex_bot, TexCoord0);
  if (z > kEpsilon && z < 1.0 - kEpsilon) {
    gl_FragColor = obrisk_mixRGBA_(bot, top, z);
  } else if (z + kEpsilon > 1.0) {
    gl_FragColor = top;
  } else {
    gl_FragColor = bot;
  }
}
)",
                                 "Proc/Effects/Quenvara/TransitionSnake"};

// The smoothness setting counts sevenths of a band's length.
constexpr double kSmoothnessUnit = 1.0 / 7.0;

}  // namespace

const std::string_view& TransitionSnake::GetName() const {
  static constexpr std::string_view kName = "TransitionSnake";
  return kName;
}

// The pixels are sampled where they are: the row only picks the band.
void TransitionSnake::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                 const Ptr<DataVideoOGL>& second, double, double progress,
                                 ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsTransitionSnake& settings = DrawingSettings();
  const double rows = target->GetFrameInfo().height;
  TransitionFrames frames = ConvertInputs(*first, *second, storage);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex_top", 0);
  program.Uniform("tex_bot", 1);
  program.Uniform("thickness", std::exp2(std::max(settings.GetBandExponent(), 0) + 1.0));
  program.Uniform("smoothness", std::max(settings.GetSmoothness(), 0) * kSmoothnessUnit);
  program.Uniform("t", progress);
  program.Uniform("calibration", rows, 1.0 / rows);
  DrawFullScreenAtTexels(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
