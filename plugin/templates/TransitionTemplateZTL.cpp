#include "templates/TransitionTemplateZTL.h"

#include <glog/logging.h>

#include "templates/TemplateShader.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

constexpr std::string_view kProgramPrefix = "TransitionTemplateZTL_";
constexpr std::string_view kSourcePath = "Proc/Effects/Quenvara/TransitionTemplateZTL";
// The inputs are on units 0 and 1, the auxiliary picture on the next.
constexpr int kAuxUnit = 2;

class TransitionTemplateZTLOglCache final : public TemplateAuxCache {};

}  // namespace

const std::string_view& TransitionTemplateZTL::GetName() const {
  static constexpr std::string_view kName = "TransitionTemplateZTL";
  return kName;
}

Ptr<OglCache> TransitionTemplateZTL::CreateCache() {
  return MakeRef<TransitionTemplateZTLOglCache>();
}

// The program follows the text of the frame's own settings, so that a new
// text never mixes with a frame set handed out before it.
void TransitionTemplateZTL::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                       const Ptr<DataVideoOGL>& second, double time,
                                       double progress, ShaderStorage& storage,
                                       const Ptr<OglCache>& cache) {
  const Proc::SettingsTransitionTemplateZTL& settings = DrawingSettings();
  auto& aux = CacheAs<TransitionTemplateZTLOglCache>(cache);
  const auto sources = MakeTemplateSources(kProgramPrefix, kSourcePath, settings.GetShader());
  ShaderProgram& program = TemplateProgram(storage, sources);
  if (first->GetFrameInfo() != second->GetFrameInfo()) {
    LOG(WARNING) << "Input frames have different resolution";
  }
  TransitionFrames frames = ConvertInputs(*first, *second, storage);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  SetTemplateUniforms(program, {settings, *frames.first, time, progress, kAuxUnit}, aux);
  DrawFullScreen(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
