#include "effects/blur/EffectCensored.h"

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectCensored", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float accuracy;
uniform vec2 dxdy;
varying vec2 TexCoord0;

// The nearest grid point (cells dxdy apart) fills the cell around it. The
// position in cells is cut to 1/accuracy first so that points exactly
// between two cells pick the same one everywhere.
void main() {
  vec2 q = floor(TexCoord0 / dxdy * accuracy + 0.5);
  vec2 g = floor(q / accuracy + 0.5);
  gl_FragColor = texture2D(tex, dxdy * g);
}
)",
                                 "Proc/Effects/Quenvara/EffectCensored"};

// Cell size 1 makes cells this fraction of the frame height.
constexpr double kCellPerSize = 0.26;
// Below this (a fraction of the frame height) cells are smaller than any
// pixel and the frame is copied.
constexpr float kMinCell = 0.001f;
constexpr float kAccuracy = 1000.0f;

}  // namespace

const std::string_view& EffectCensored::GetName() const {
  static constexpr std::string_view kName = "EffectCensored";
  return kName;
}

void EffectCensored::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto cell = static_cast<float>(DrawingSettings().GetCellSize() * kCellPerSize);
  if (cell < kMinCell) {
    Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
    storage.FBO().Attach(target->GetFirstTexture());
    rgba->Draw(storage.FrameQuad(), storage);
    return;
  }
  const double aspect = source->GetFrameInfo().DisplayAspect();
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("accuracy", kAccuracy);
                   program.Uniform("dxdy", static_cast<float>(cell / aspect), cell);
                 });
}

}  // namespace Obrisk::Ogl
