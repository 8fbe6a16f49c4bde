#include "templates/EffectTemplateZTL.h"

#include "frame/SinglePass.h"
#include "templates/TemplateShader.h"

namespace Obrisk::Ogl {
namespace {

constexpr std::string_view kProgramPrefix = "EffectTemplateZTL_";
constexpr std::string_view kSourcePath = "Proc/Effects/Quenvara/EffectTemplateZTL";
// The input is on unit 0, the auxiliary picture on the next.
constexpr int kAuxUnit = 1;

class EffectTemplateZTLOglCache final : public TemplateAuxCache {};

}  // namespace

const std::string_view& EffectTemplateZTL::GetName() const {
  static constexpr std::string_view kName = "EffectTemplateZTL";
  return kName;
}

Ptr<OglCache> EffectTemplateZTL::CreateCache() {
  return MakeRef<EffectTemplateZTLOglCache>();
}

// The program follows the text of the frame's own settings, so that a new
// text never mixes with a frame set handed out before it.
void EffectTemplateZTL::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                   double time, double progress, ShaderStorage& storage,
                                   const Ptr<OglCache>& cache) {
  const Proc::SettingsEffectTemplateZTL& settings = DrawingSettings();
  auto& aux = CacheAs<EffectTemplateZTLOglCache>(cache);
  ShaderProgram& program = TemplateProgram(
      storage, MakeTemplateSources(kProgramPrefix, kSourcePath, settings.GetShader()));
  DrawFilteredPass(storage, program, *target, *source, [&](const ShaderProgram& bound) {
    SetTemplateUniforms(bound, {settings, *source->FrameData(), time, progress, kAuxUnit}, aux);
  });
}

}  // namespace Obrisk::Ogl
