#include "transitions/TransitionSmear.h"

#include <string>

#include <glm/mat3x3.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// Samples along each smear.
constexpr int kSmearSamples = 20;

// The smear steps of each vertex, one per picture, from its texture
// coordinate through the matrices `v_blur0` and `v_blur1` (see
// SettingsTransitionSmear::GetMatrices).
constexpr const char* kSmearVertex = R"(
attribute vec4 vbo_xy_uv;
uniform mat3 v_blur0;
uniform mat3 v_blur1;
varying vec2 TexCoord0;
varying vec2 blur_step0;
varying vec2 blur_step1;

void main() {
  TexCoord0 = vbo_xy_uv.xy;
  blur_step0 = (vec3(vbo_xy_uv.xy, 1.0) * v_blur0).xy;
  blur_step1 = (vec3(vbo_xy_uv.xy, 1.0) * v_blur1).xy;
  gl_Position = vec4(vbo_xy_uv.zw, 0.0, 1.0);
}
)";

// Each picture averaged over kSmearSamples points behind the pixel, with
// colours premultiplied by alpha; the two averages are mixed by `progress`
// and the sum is written with straight colours again, as the inputs hold
// them. The step grows with the cube of its length, so short smears stay
// fine and long ones reach far.
std::string SmearFragment() {
  return "const int kSamples = " + std::to_string(kSmearSamples) + ";\n" + R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float progress;
varying vec2 TexCoord0;
varying vec2 blur_step0;
varying vec2 blur_step1;

vec4 Smeared(sampler2D tex, vec2 blurStep) {
  vec2 step = blurStep * dot(blurStep, blurStep) * 0.025;
  vec2 point = TexCoord0;
  vec4 sum = vec4(0.0);
  for (int i = 0; i < kSamples; ++i) {
    vec4 color = texture2D(tex, point);
    sum += vec4(color.rgb * color.a, color.a);
    point -= step;
  }
  return sum / float(kSamples);
}

void main() {
  vec4 sum = Smeared(tex0, blur_step0) * (1.0 - progress) + Smeared(tex1, blur_step1) * progress;
  gl_FragColor = sum.a > 0.0 ? vec4(sum.rgb / sum.a, sum.a) : vec4(0.0);
}
)";
}

const ShaderSourceKeeper kShader{"TransitionSmear", std::string_view(kSmearVertex),
                                 ShaderSourceFunction(SmearFragment),
                                 "Proc/Effects/Quenvara/TransitionSmear"};

}  // namespace

const std::string_view& TransitionSmear::GetName() const {
  static constexpr std::string_view kName = "TransitionSmear";
  return kName;
}

// The first picture smeared away (weight 1 - p) and the second smeared in
// (weight p), summed in one pass: the sum stays in the shader at full
// precision, with no intermediate picture to clear, blend into and copy.
void TransitionSmear::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                 const Ptr<DataVideoOGL>& second, double, double progress,
                                 ShaderStorage& storage, const Ptr<OglCache>&) {
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  glm::mat3 firstStep(0.0f);
  glm::mat3 secondStep(0.0f);
  DrawingSettings().GetMatrices(firstStep, secondStep, progress);

  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  program.Uniform("v_blur0", firstStep, false);
  program.Uniform("v_blur1", secondStep, false);
  program.Uniform("progress", progress);
  DrawFullScreen(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
