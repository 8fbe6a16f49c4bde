#include "transitions/TransitionZoom.h"

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"TransitionZoom", Shader::FullFrame, R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float extAlpha;
uniform float scale0;
uniform float scale1;
varying vec2 TexCoord0;

// Each input sampled about the centre at its scale (below 1 enlarges it),
// then the two mixed.
void main() {
  vec4 c0 = texture2D(tex0, (TexCoord0 - 0.5) * scale0 + 0.5);
  vec4 c1 = texture2D(tex1, (TexCoord0 - 0.5) * scale1 + 0.5);
  gl_FragColor = obrisk_mixRGBA_(c0, c1, extAlpha);
}
)",
                                 "Proc/Effects/Quenvara/TransitionZoom"};

// A zoomed input is shown at up to three times its size.
constexpr double kZoomGrowth = 2.0;

}  // namespace

const std::string_view& TransitionZoom::GetName() const {
  static constexpr std::string_view kName = "TransitionZoom";
  return kName;
}

// The first input grows from 1 to 3 times its size, the second shrinks from
// 3 to 1; the type says which of them is zoomed. The pass covers the whole
// target, so nothing needs drawing underneath it first.
void TransitionZoom::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                const Ptr<DataVideoOGL>& second, double, double progress,
                                ShaderStorage& storage, const Ptr<OglCache>&) {
  using Proc::TransitionZoomType;
  const TransitionZoomType type = DrawingSettings().GetType();
  const bool zoomFirst =
      type == TransitionZoomType::ZoomFirst || type == TransitionZoomType::ZoomBoth;
  const bool zoomSecond =
      type == TransitionZoomType::ZoomSecond || type == TransitionZoomType::ZoomBoth;
  const double size0 = zoomFirst ? 1.0 + kZoomGrowth * progress : 1.0;
  const double size1 = zoomSecond ? 1.0 + kZoomGrowth * (1.0 - progress) : 1.0;

  TransitionFrames frames = ConvertInputs(*first, *second, storage);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  program.Uniform("extAlpha", progress);
  program.Uniform("scale0", 1.0 / size0);
  program.Uniform("scale1", 1.0 / size1);
  DrawFullScreen(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
