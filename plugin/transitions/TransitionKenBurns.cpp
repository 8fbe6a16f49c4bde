#include "transitions/TransitionKenBurns.h"

#include <cmath>
#include <cstddef>

#include "transitions/TransitionPasses.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// The whole picture with each corner of the frame moved by `amount` times
// its offset.
PackedMesh::QuadVertices MovedCorners(const Proc::DirMat& direction, double amount) {
  const PackedMesh::QuadVertices full = PackedMesh::FullFrame();
  PackedMesh::QuadVertices moved = full;
  for (std::size_t i = 0; i < moved.size(); ++i) {
    moved[i].x = static_cast<float>(full[i].x + amount * direction.corners[i].x);
    moved[i].y = static_cast<float>(full[i].y + amount * direction.corners[i].y);
  }
  return moved;
}

// `frame` drawn through its moved corners into a new transparent frame of
// its own size.
Ptr<Frame> Drifted(Frame& frame, const Proc::DirMat& direction, double amount,
                   ShaderStorage& storage) {
  Ptr<Frame> drifted =
      Frame::CreateIntermediate(frame.GetColorSpace(), Proc::kPixFmtAlpha, frame.GetFrameInfo());
  storage.FBO().Attach(drifted->GetFirstTexture());
  ClearAttached();
  PackedMesh quad;
  quad.AddQuad(MovedCorners(direction, amount));
  Quad mesh(quad, GL_DYNAMIC_DRAW);
  frame.Draw(mesh, storage);
  return drifted;
}

// The second picture's weight: a linear fade over `fade` of the duration
// around the midpoint, or a cut there.
double SecondWeight(double fade, double progress) {
  const double fromMiddle = 2.0 * progress - 1.0;
  if (fade > std::abs(fromMiddle)) return (fade + fromMiddle) / (2.0 * fade);
  return std::floor(progress + 0.5);
}

}  // namespace

const std::string_view& TransitionKenBurns::GetName() const {
  static constexpr std::string_view kName = "TransitionKenBurns";
  return kName;
}

// The second picture arrives drifted by the whole zoom and settles; the first
// starts in place and drifts away by the same motion.
void TransitionKenBurns::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                    const Ptr<DataVideoOGL>& second, double, double progress,
                                    ShaderStorage& storage, const Ptr<OglCache>&) {
  const auto& settings = DrawingSettings();
  const Proc::DirMat direction = settings.GetDirection();
  const double zoom = settings.GetZoom();
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  Ptr<Frame> arriving = Drifted(*frames.second, direction, (1.0 - progress) * zoom, storage);
  Ptr<Frame> leaving = Drifted(*frames.first, direction, progress * zoom, storage);
  DrawMix(storage, *target, *leaving, *arriving, SecondWeight(settings.GetFade(), progress));
}

}  // namespace Obrisk::Ogl
