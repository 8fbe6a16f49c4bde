#include "transitions/TransitionRageZoom.h"

#include <cmath>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionPasses.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// The picture scaled about its centre: `scale` is the share of the picture
// sampled (below 1 zooms in; above 1 shows mirrored copies around it).
const ShaderSourceKeeper kShader{"TransitionRageZoom", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float scale;
varying vec2 TexCoord0;

void main() {
  gl_FragColor = texture2D(tex, (TexCoord0 - 0.5) * scale + 0.5);
}
)",
                                 "Proc/Effects/Quenvara/TransitionRageZoom"};

// The zoom accelerates: (2p)^4 of the way to its end at the midpoint.
constexpr double kZoomPower = 4.0;

}  // namespace

const std::string_view& TransitionRageZoom::GetName() const {
  static constexpr std::string_view kName = "TransitionRageZoom";
  return kName;
}

Ptr<OglCache> TransitionRageZoom::CreateCache() {
  return blur_.CreateCache();
}

void TransitionRageZoom::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                    const Ptr<DataVideoOGL>& second, double, double progress,
                                    ShaderStorage& storage, const Ptr<OglCache>& cache) {
  if (progress >= 0.5) {
    Ptr<Frame> picture = second->FrameData()->ConvertToRGBA(storage);
    storage.FBO().Attach(target->GetFirstTexture());
    picture->Draw(storage.FrameQuad(), storage);
    return;
  }
  const double sign = DrawingSettings().GetType() == Proc::RageZoomType::DiveIn ? -1.0 : 1.0;
  Ptr<Frame> picture = first->FrameData()->ConvertToRGBA(storage);
  Ptr<DataVideoOGL> zoomed = NewVideoData(*target);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("scale", 1.0 + sign * std::pow(2.0 * progress, kZoomPower));
  {
    const ScopedSampling mirrored(GL_MIRRORED_REPEAT, {0});
    DrawFullScreen(storage, program, *zoomed->FrameData(), {picture.get()});
  }
  blur_.ProcessGpu(target, zoomed, 0.0, progress, storage, cache);
}

}  // namespace Obrisk::Ogl
