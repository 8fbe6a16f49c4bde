#include "transitions/TransitionPieces.h"

#include <array>

#include "transitions/TransitionPasses.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// One third of the picture along an axis: the part of the texture it shows
// and where it stands in clip space.
struct Band {
  float s0, s1;
  float x0, x1;
};

// The three bands along an axis with q = 1 - p still to come: the outer
// bands grow from nothing at the frame's edges (p = 0) to their thirds
// (p = 1), showing the inner part of their third first; the middle band
// stands still.
std::array<Band, 3> Bands(float q) {
  constexpr float kThird = 1.0f / 3.0f;
  const float a = q / 3.0f;
  const float c = -kThird - 2.0f * q / 3.0f;
  return {{{a, kThird, -1.0f, c},
           {kThird, 2.0f * kThird, -kThird, kThird},
           {2.0f * kThird, 1.0f - a, -c, 1.0f}}};
}

PackedMesh NinePieces(double progress) {
  const std::array<Band, 3> bands = Bands(static_cast<float>(1.0 - progress));
  PackedMesh pieces;
  pieces.ReserveQuad(bands.size() * bands.size());
  for (const Band& across : bands) {
    for (const Band& up : bands) {
      pieces.AddQuad(
          QuadBetween({across.s0, up.s0, across.x0, up.x0}, {across.s1, up.s1, across.x1, up.x1}));
    }
  }
  return pieces;
}

}  // namespace

const std::string_view& TransitionPieces::GetName() const {
  static constexpr std::string_view kName = "TransitionPieces";
  return kName;
}

// Transition outputs carry alpha: the pieces go over the first picture in an
// intermediate, which is then mixed in over the first by the progress.
void TransitionPieces::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  Ptr<Frame> assembled = target->AllocateIntermediate();
  DrawQuadsOver(storage, *assembled, *frames.first, *frames.second, NinePieces(progress));
  DrawMix(storage, *target, *frames.first, *assembled, progress);
}

}  // namespace Obrisk::Ogl
