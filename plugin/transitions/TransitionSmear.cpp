#include "transitions/TransitionSmear.h"

#include <string>

#include <glm/mat3x3.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// Samples along each smear.
constexpr int kSmearSamples = 20;

// The smear step of each vertex, from its texture coordinate through the
// matrix `v_blur` (see SettingsTransitionSmear::GetMatrices).
constexpr const char* kSmearVertex = R"(
attribute vec4 vbo_xy_uv;
uniform mat3 v_blur;
varying vec2 TexCoord0;
varying vec2 blur_step;

void main() {
  TexCoord0 = vbo_xy_uv.xy;
  blur_step = (vec3(vbo_xy_uv.xy, 1.0) * v_blur).xy;
  gl_Position = vec4(vbo_xy_uv.zw, 0.0, 1.0);
}
)";

// The picture averaged over kSmearSamples points behind each pixel, with
// colours premultiplied by alpha, weighted by `blend_alpha` for adding into
// the sum of both pictures. The step grows with the cube of its length, so
// short smears stay fine and long ones reach far.
std::string SmearFragment() {
  return "const int kSamples = " + std::to_string(kSmearSamples) + ";\n" + R"(
uniform sampler2D tex;
uniform float blend_alpha;
varying vec2 TexCoord0;
varying vec2 blur_step;

void main() {
  vec2 step = blur_step * dot(blur_step, blur_step) * 0.025;
  vec2 point = TexCoord0;
  vec4 sum = vec4(0.0);
  for (int i = 0; i < kSamples; ++i) {
    vec4 color = texture2D(tex, point);
    sum += vec4(color.rgb * color.a, color.a);
    point -= step;
  }
  gl_FragColor = sum * blend_alpha / float(kSamples);
}
)";
}

const ShaderSourceKeeper kShader{"TransitionSmear", std::string_view(kSmearVertex),
                                 ShaderSourceFunction(SmearFragment),
                                 "Proc/Effects/Quenvara/TransitionSmear"};

// The sum holds colours premultiplied by alpha; the destination, like the
// inputs, holds them straight.
const ShaderSourceKeeper kStraight{"TransitionSmear_Straight", Shader::FullFrame, R"(
uniform sampler2D tex;
varying vec2 TexCoord0;

void main() {
  vec4 sum = texture2D(tex, TexCoord0);
  gl_FragColor = sum.a > 0.0 ? vec4(sum.rgb / sum.a, sum.a) : vec4(0.0);
}
)",
                                   "Proc/Effects/Quenvara/TransitionSmear"};

// Adds one picture, smeared by `step`, into the attached sum.
void AddSmeared(ShaderStorage& storage, ShaderProgram& program, Frame& picture,
                const glm::mat3& step, double weight) {
  program.Uniform("v_blur", step, false);
  program.Uniform("blend_alpha", weight);
  picture.GetFirstTexture().Use(0);
  storage.Quad().Activate();
  storage.Quad().Draw(program);
}

}  // namespace

const std::string_view& TransitionSmear::GetName() const {
  static constexpr std::string_view kName = "TransitionSmear";
  return kName;
}

// The sum of the first picture smeared away (weight 1 - p) and the second
// smeared in (weight p), drawn into a transparent intermediate with additive
// blending, then written into the destination with straight colours. The
// intermediate is 16-bit float so that dividing by a small alpha keeps the
// colour.
void TransitionSmear::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                 const Ptr<DataVideoOGL>& second, double, double progress,
                                 ShaderStorage& storage, const Ptr<OglCache>&) {
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  glm::mat3 firstStep(0.0f);
  glm::mat3 secondStep(0.0f);
  DrawingSettings().GetMatrices(firstStep, secondStep, progress);

  const Ptr<Frame> sum = Frame::CreateIntermediate(target->GetColorSpace(), Proc::PixFmt::RGBA_HALF,
                                                   target->GetFrameInfo());
  storage.FBO().Attach(sum->GetFirstTexture());
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  {
    const TransitionBlending blending;
    glBlendFunc(GL_ONE, GL_ONE);
    ShaderProgram& program = storage.MakeShader(kShader);
    program.Use();
    program.Uniform("tex", 0);
    AddSmeared(storage, program, *frames.first, firstStep, 1.0 - progress);
    AddSmeared(storage, program, *frames.second, secondStep, progress);
  }
  ShaderProgram& straight = storage.MakeShader(kStraight);
  straight.Use();
  straight.Uniform("tex", 0);
  DrawFullScreen(storage, straight, *target, {sum.get()});
}

}  // namespace Obrisk::Ogl
