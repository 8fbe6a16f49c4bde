#include "transitions/TransitionBarnDoor.h"

#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::BarnDoorDirection;

enum class Seam { Horizontal, Vertical, Corners };

// Values outside the enumeration open at a horizontal seam.
BarnDoorDirection Known(BarnDoorDirection direction) {
  const auto value = static_cast<int>(direction);
  return value >= 0 && value <= static_cast<int>(BarnDoorDirection::CornersOpen)
             ? direction
             : BarnDoorDirection::HorizontalOpen;
}

Seam SeamOf(BarnDoorDirection direction) {
  switch (direction) {
    case BarnDoorDirection::VerticalClose:
    case BarnDoorDirection::VerticalOpen:
      return Seam::Vertical;
    case BarnDoorDirection::CornersClose:
    case BarnDoorDirection::CornersOpen:
      return Seam::Corners;
    default:
      return Seam::Horizontal;
  }
}

bool IsClosing(BarnDoorDirection direction) {
  return direction == BarnDoorDirection::HorizontalClose ||
         direction == BarnDoorDirection::VerticalClose ||
         direction == BarnDoorDirection::CornersClose;
}

// The doors q of the way open: each half (or quarter) of the picture has
// slid away from the seam by q half-frames, cut off at the frame's edge.
PackedMesh Doors(Seam seam, float q) {
  const float h = q / 2.0f;  // the share of the picture that has left the frame
  PackedMesh doors;
  switch (seam) {
    case Seam::Horizontal:
      doors.AddQuad(QuadBetween({0.0f, h, -1.0f, -1.0f}, {1.0f, 0.5f, 1.0f, -q}));
      doors.AddQuad(QuadBetween({0.0f, 0.5f, -1.0f, q}, {1.0f, 1.0f - h, 1.0f, 1.0f}));
      break;
    case Seam::Vertical:
      doors.AddQuad(QuadBetween({h, 0.0f, -1.0f, -1.0f}, {0.5f, 1.0f, -q, 1.0f}));
      doors.AddQuad(QuadBetween({0.5f, 0.0f, q, -1.0f}, {1.0f - h, 1.0f, 1.0f, 1.0f}));
      break;
    case Seam::Corners:
      doors.AddQuad(QuadBetween({h, h, -1.0f, -1.0f}, {0.5f, 0.5f, -q, -q}));
      doors.AddQuad(QuadBetween({0.5f, h, q, -1.0f}, {1.0f - h, 0.5f, 1.0f, -q}));
      doors.AddQuad(QuadBetween({h, 0.5f, -1.0f, q}, {0.5f, 1.0f - h, -q, 1.0f}));
      doors.AddQuad(QuadBetween({0.5f, 0.5f, q, q}, {1.0f - h, 1.0f - h, 1.0f, 1.0f}));
      break;
  }
  return doors;
}

}  // namespace

const std::string_view& TransitionBarnDoor::GetName() const {
  static constexpr std::string_view kName = "TransitionBarnDoor";
  return kName;
}

// Opening: the first picture is the doors, opening over the second. Closing
// plays that backwards: the second picture closes in as doors over the first.
void TransitionBarnDoor::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                    const Ptr<DataVideoOGL>& second, double, double progress,
                                    ShaderStorage& storage, const Ptr<OglCache>&) {
  const BarnDoorDirection direction = Known(DrawingSettings().GetDirection());
  const TransitionPlayback play =
      Play(ConvertInputs(*first, *second, storage), progress, IsClosing(direction));
  ShaderProgram& copy = storage.GetShaderProgram(BuiltinProgram::kCopy);
  copy.Use();
  copy.Uniform("tex", 0);
  DrawFullScreenAtTexels(storage, copy, *target, {play.frames.second.get()});
  DrawThroughQuads(*play.frames.first, Doors(SeamOf(direction), static_cast<float>(play.progress)),
                   storage);
}

}  // namespace Obrisk::Ogl
