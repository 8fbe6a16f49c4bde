#include "isf/TransitionISF.h"

namespace Obrisk::Ogl {

const std::string_view& TransitionISF::GetName() const {
  static constexpr std::string_view kName = "TransitionISF";
  return kName;
}

void TransitionISF::SetSettings(const Proc::Settings& settings) {
  engine_.Configure(dynamic_cast<const Proc::SettingsTransitionISF&>(settings));
  EffectAlgorithmWithSettings::SetSettings(settings);
}

Ptr<OglCache> TransitionISF::CreateCache() {
  return MakeRef<ISF::ISFOGLCache>();
}

void TransitionISF::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                               const Ptr<DataVideoOGL>& second, double time, double progress,
                               ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const std::vector<Ptr<Frame>> inputs{first->FrameData()->ConvertToRGBA(storage),
                                       second->FrameData()->ConvertToRGBA(storage)};
  engine_.Processing(DrawingSettings(), *target, inputs, time, progress, storage, cache);
}

}  // namespace Obrisk::Ogl
