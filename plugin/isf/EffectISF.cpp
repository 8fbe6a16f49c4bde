#include "isf/EffectISF.h"

namespace Obrisk::Ogl {

const std::string_view& EffectISF::GetName() const {
  static constexpr std::string_view kName = "EffectISF";
  return kName;
}

void EffectISF::SetSettings(const Proc::Settings& settings) {
  engine_.Configure(dynamic_cast<const Proc::SettingsEffectISF&>(settings));
  EffectAlgorithmWithSettings::SetSettings(settings);
}

Ptr<OglCache> EffectISF::CreateCache() {
  return MakeRef<ISF::ISFOGLCache>();
}

void EffectISF::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                           double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const std::vector<Ptr<Frame>> inputs{source->FrameData()->ConvertToRGBA(storage)};
  engine_.Processing(DrawingSettings(), *target, inputs, time, progress, storage, cache);
}

}  // namespace Obrisk::Ogl
