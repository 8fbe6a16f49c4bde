#include "transitions/TransitionPush.h"

#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PushDirection;

// The way both pictures move, in clip units per unit of progress (a frame
// is 2 wide); values outside the enumeration push to the left.
struct Motion {
  float dx;
  float dy;
};
Motion MotionOf(PushDirection direction) {
  switch (direction) {
    case PushDirection::Right:
      return {2.0f, 0.0f};
    case PushDirection::Up:
      return {0.0f, 2.0f};
    case PushDirection::Down:
      return {0.0f, -2.0f};
    case PushDirection::Left:
    default:
      return {-2.0f, 0.0f};
  }
}

}  // namespace

const std::string_view& TransitionPush::GetName() const {
  static constexpr std::string_view kName = "TransitionPush";
  return kName;
}

// The first picture moves out by p frames, the second follows one frame
// behind it and is in place at p = 1.
void TransitionPush::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                const Ptr<DataVideoOGL>& second, double, double progress,
                                ShaderStorage& storage, const Ptr<OglCache>&) {
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  const Motion motion = MotionOf(DrawingSettings().GetDir());
  const auto p = static_cast<float>(progress);
  PackedMesh leaving;
  leaving.AddQuad(FullQuadMovedBy(motion.dx * p, motion.dy * p));
  PackedMesh arriving;
  arriving.AddQuad(FullQuadMovedBy(-motion.dx * (1.0f - p), -motion.dy * (1.0f - p)));
  storage.FBO().Attach(target->GetFirstTexture());
  DrawThroughQuads(*frames.first, leaving, storage);
  DrawThroughQuads(*frames.second, arriving, storage);
}

}  // namespace Obrisk::Ogl
