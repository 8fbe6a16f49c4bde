#include "isf/EffectMultiInputISF.h"

namespace Obrisk::Ogl {

const std::string_view& EffectMultiInputISF::GetName() const {
  static constexpr std::string_view kName = "EffectMultiInputISF";
  return kName;
}

void EffectMultiInputISF::SetSettings(const Proc::Settings& settings) {
  engine_.Configure(dynamic_cast<const Proc::SettingsEffectMultiInputISF&>(settings));
  EffectAlgorithmWithSettings::SetSettings(settings);
}

Ptr<OglCache> EffectMultiInputISF::CreateCache() {
  return MakeRef<ISF::ISFOGLCache>();
}

void EffectMultiInputISF::ProcessGpu(const Ptr<Frame>& target, const DataVideoList& sources,
                                     double time, double progress, ShaderStorage& storage,
                                     const Ptr<OglCache>& cache) {
  std::vector<Ptr<Frame>> inputs;
  inputs.reserve(sources.size());
  for (const Ptr<DataVideoOGL>& source : sources) {
    inputs.push_back(source->FrameData()->ConvertToRGBA(storage));
  }
  engine_.Processing(DrawingSettings(), *target, inputs, time, progress, storage, cache);
}

}  // namespace Obrisk::Ogl
