#include "transitions/TransitionCrossfade.h"

#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

const std::string_view& TransitionCrossfade::GetName() const {
  static constexpr std::string_view kName = "TransitionCrossfade";
  return kName;
}

// The RGBA inputs are mixed straight into the target: a copy of the first
// input into an intermediate would only add a pass.
void TransitionCrossfade::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                     const Ptr<DataVideoOGL>& second, double, double progress,
                                     ShaderStorage& storage, const Ptr<OglCache>&) {
  TransitionFrames frames = ConvertInputs(*first, *second, storage);
  DrawMix(storage, *target, *frames.first, *frames.second, progress);
}

}  // namespace Obrisk::Ogl
