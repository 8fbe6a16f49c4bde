#include "transitions/TransitionFadeInFadeOut.h"

namespace Obrisk::Ogl {

const std::string_view& TransitionFadeInFadeOut::GetName() const {
  static constexpr std::string_view kName = "TransitionFadeInFadeOut";
  return kName;
}

// The envelope draws its input with alpha times its progress: the first
// input's from 1 down to 0 over the first half, the second's from 0 up to 1
// over the second half.
void TransitionFadeInFadeOut::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                         const Ptr<DataVideoOGL>& second, double time,
                                         double progress, ShaderStorage& storage,
                                         const Ptr<OglCache>&) {
  constexpr double kHalf = 0.5;
  if (progress < kHalf) {
    envelope_.ProcessGpu(target, first, time, static_cast<float>(1.0 - 2.0 * progress), storage,
                         nullptr);
  } else {
    envelope_.ProcessGpu(target, second, time, static_cast<float>(2.0 * progress - 1.0), storage,
                         nullptr);
  }
}

}  // namespace Obrisk::Ogl
