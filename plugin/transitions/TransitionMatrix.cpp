#include "transitions/TransitionMatrix.h"

#include "frame/RandomDraws.h"
#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// Each cell draws a random moment r from its corner; it switches from top to
// bottom between times r / (1 + softness) and (r + softness) / (1 + softness).
const ShaderSourceKeeper kShader{"TransitionMatrix", Shader::FullFrame, R"(
uniform sampler2D tex_top;
uniform sampler2D tex_bot;
uniform vec2 amount;
uniform float local_smooth;
uniform float time;
uniform mat3 seeds;
varying vec2 TexCoord0;

void main() {
  vec2 cell = floor(TexCoord0 * amount) / amount;
  float r = obrisk_rand_(mat2(seeds[0].xy, seeds[1].xy), seeds[2].xy, cell);
  float s = (time * (1.0 + local_smooth) - r) / local_smooth;
  vec4 top = texture2D(tex_top, TexCoord0);
  vec4 bot = texture2D(tex_bot, TexCoord0);
  if (s <= 0.0) {
    gl_FragColor = top;
  } else if (s >= 1.0) {
    gl_FragColor = bot;
  } else {
    gl_FragColor = obrisk_mixRGBA_(top, bot, s);
  }
}
)",
                                 "Proc/Effects/Quenvara/TransitionMatrix"};

// Cell rows per unit of density, and the softness scale.
constexpr double kRowsPerDensity = 5.0;
constexpr double kSoftnessSteps = 5.0;

}  // namespace

// Every seed drawn afresh: a matrix with only its diagonal set would hash
// each cell by its column alone, and whole columns would switch together.
TransitionMatrix::TransitionMatrix() : seeds_(glm::mat3(SeedMatrix())) {}

const std::string_view& TransitionMatrix::GetName() const {
  static constexpr std::string_view kName = "TransitionMatrix";
  return kName;
}

void TransitionMatrix::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  const double rows = kRowsPerDensity * settings.GetDensity();
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex_top", 0);
  program.Uniform("tex_bot", 1);
  program.Uniform("amount", rows * target->GetFrameInfo().DisplayAspect(), rows);
  program.Uniform("local_smooth", (settings.GetSoftness() + 1.0) / kSoftnessSteps);
  program.Uniform("time", progress);
  program.Uniform("seeds", seeds_, false);
  DrawFullScreen(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
