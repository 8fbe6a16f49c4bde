#include "transitions/TransitionSlide.h"

#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::SlideDirection;

// The part of the second picture already in: its quad starts as the whole
// frame with none of it showing and grows from the side it comes in from,
// texture and position by the same share p, so the picture is not squeezed.
PackedMesh::QuadVertices Incoming(SlideDirection direction, float p) {
  QuadVertex from{0.0f, 0.0f, -1.0f, -1.0f};
  QuadVertex to{1.0f, 1.0f, 1.0f, 1.0f};
  const float farEdge = 2.0f * p - 1.0f;  // the edge that has come in so far
  const float nearEdge = 1.0f - 2.0f * p;
  const bool fromLeft = direction == SlideDirection::FromLeft ||
                        direction == SlideDirection::FromBottomLeft ||
                        direction == SlideDirection::FromTopLeft;
  const bool fromRight = direction == SlideDirection::FromRight ||
                         direction == SlideDirection::FromBottomRight ||
                         direction == SlideDirection::FromTopRight;
  const bool fromTop = direction == SlideDirection::FromTop ||
                       direction == SlideDirection::FromTopLeft ||
                       direction == SlideDirection::FromTopRight;
  const bool fromBottom = direction == SlideDirection::FromBottom ||
                          direction == SlideDirection::FromBottomLeft ||
                          direction == SlideDirection::FromBottomRight;
  if (fromLeft) {
    from.s = 1.0f - p;
    to.x = farEdge;
  }
  if (fromRight) {
    to.s = p;
    from.x = nearEdge;
  }
  if (fromTop) {
    to.t = p;
    from.y = nearEdge;
  }
  if (fromBottom) {
    from.t = 1.0f - p;
    to.y = farEdge;
  }
  return QuadBetween(from, to);
}

// Values outside the enumeration slide in from the left.
SlideDirection Known(SlideDirection direction) {
  const auto value = static_cast<int>(direction);
  return value >= 0 && value <= static_cast<int>(SlideDirection::FromTopRight)
             ? direction
             : SlideDirection::FromLeft;
}

}  // namespace

const std::string_view& TransitionSlide::GetName() const {
  static constexpr std::string_view kName = "TransitionSlide";
  return kName;
}

void TransitionSlide::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                 const Ptr<DataVideoOGL>& second, double, double progress,
                                 ShaderStorage& storage, const Ptr<OglCache>&) {
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  storage.FBO().Attach(target->GetFirstTexture());
  frames.first->Draw(storage.FrameQuad(), storage);
  PackedMesh incoming;
  incoming.AddQuad(Incoming(Known(DrawingSettings().GetDirection()), static_cast<float>(progress)));
  DrawThroughQuads(*frames.second, incoming, storage);
}

}  // namespace Obrisk::Ogl
