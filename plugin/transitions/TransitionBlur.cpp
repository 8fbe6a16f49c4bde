#include "transitions/TransitionBlur.h"

#include <algorithm>

#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// The blur radius in pixels grows from 1.5 at progress 0 by 5 to 6.5 at
// progress 1, whatever the frame size.
constexpr double kStartRadius = 1.5;
constexpr double kRadiusGrowth = 5.0;

Proc::SettingsEffectBlurGaussian BlurFor(double q, const Proc::FrameInfo& info) {
  const double longerSide = std::max(info.width, info.height);
  return Proc::SettingsEffectBlurGaussian((q * kRadiusGrowth + kStartRadius) / longerSide);
}

}  // namespace

const std::string_view& TransitionBlur::GetName() const {
  static constexpr std::string_view kName = "TransitionBlur";
  return kName;
}

Ptr<OglCache> TransitionBlur::CreateCache() {
  return blur_.CreateCache();
}

// Even the smallest radius blurs, so progress 0 takes the input itself: the
// transition then starts and ends on its inputs exactly.
Ptr<Frame> TransitionBlur::Blurred(const Frame& target, const Ptr<DataVideoOGL>& input, double time,
                                   double q, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  if (q <= 0.0) return input->FrameData()->ConvertToRGBA(storage);
  blur_.SetSettings(BlurFor(q, input->GetFrameInfo()));
  Ptr<Frame> blurred = target.AllocateIntermediate();
  blur_.ProcessGpu(blurred, input, time, q, storage, cache);
  return blurred;
}

void TransitionBlur::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                const Ptr<DataVideoOGL>& second, double time, double progress,
                                ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const Proc::TransitionBlurDirection direction = DrawingSettings().GetDirection();
  if (direction == Proc::TransitionBlurDirection::BlurOutAndIn) {
    Ptr<Frame> blurredSecond = Blurred(*target, second, time, 1.0 - progress, storage, cache);
    Ptr<Frame> blurredFirst = Blurred(*target, first, time, progress, storage, cache);
    DrawMix(storage, *target, *blurredFirst, *blurredSecond, progress);
    return;
  }
  // Blurring in is blurring out played backwards.
  const bool reversed = direction == Proc::TransitionBlurDirection::BlurIn;
  const double q = reversed ? 1.0 - progress : progress;
  Ptr<Frame> blurred = Blurred(*target, reversed ? second : first, time, q, storage, cache);
  Ptr<Frame> sharp = (reversed ? first : second)->FrameData()->ConvertToRGBA(storage);
  DrawMix(storage, *target, *blurred, *sharp, q);
}

}  // namespace Obrisk::Ogl
