#include "transitions/TransitionPuzzle.h"

#include <algorithm>
#include <cstddef>

#include "transitions/TransitionPasses.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

constexpr float kThird = 1.0f / 3.0f;

// Three rows dropping in from the top, the top row first.
std::vector<PuzzlePiece> ThreeRows() {
  return {{0.0f, 2.0f * kThird, 1.0f, 1.0f, 0.0f, 1.0f},
          {0.0f, kThird, 1.0f, 2.0f * kThird, 0.0f, 1.0f},
          {0.0f, 0.0f, 1.0f, kThird, 0.0f, 1.0f}};
}

// Three columns sliding in from the right, the right column first.
std::vector<PuzzlePiece> ThreeColumns() {
  return {{2.0f * kThird, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f},
          {kThird, 0.0f, 2.0f * kThird, 1.0f, 1.0f, 0.0f},
          {0.0f, 0.0f, kThird, 1.0f, 1.0f, 0.0f}};
}

// The quarters in turn, clockwise from the top-left, each from the side it
// leads into: top, right, bottom, left.
std::vector<PuzzlePiece> FourQuarters() {
  return {{0.0f, 0.5f, 0.5f, 1.0f, 0.0f, 1.0f},
          {0.5f, 0.5f, 1.0f, 1.0f, 1.0f, 0.0f},
          {0.5f, 0.0f, 1.0f, 0.5f, 0.0f, -1.0f},
          {0.0f, 0.0f, 0.5f, 0.5f, -1.0f, 0.0f}};
}

// Five columns from left to right, dropping from the top and rising from the
// bottom in turn.
std::vector<PuzzlePiece> FiveColumns() {
  constexpr int kColumns = 5;
  std::vector<PuzzlePiece> pieces;
  for (int k = 0; k < kColumns; ++k) {
    const float fromY = k % 2 == 0 ? 1.0f : -1.0f;
    pieces.push_back({static_cast<float>(k) / kColumns, 0.0f, static_cast<float>(k + 1) / kColumns,
                      1.0f, 0.0f, fromY});
  }
  return pieces;
}

// Piece number `k` (from 1) of `count` at progress p: drawn where it rests,
// moved towards its side by k - count p of its own extents while it travels.
PackedMesh::QuadVertices Placed(const PuzzlePiece& piece, int k, int count, double progress) {
  const float away = static_cast<float>(std::max(0.0, k - count * progress));
  // Clip units run twice the texture's.
  const float dx = 2.0f * away * piece.fromX * (piece.s1 - piece.s0);
  const float dy = 2.0f * away * piece.fromY * (piece.t1 - piece.t0);
  return QuadBetween(
      {piece.s0, piece.t0, 2.0f * piece.s0 - 1.0f + dx, 2.0f * piece.t0 - 1.0f + dy},
      {piece.s1, piece.t1, 2.0f * piece.s1 - 1.0f + dx, 2.0f * piece.t1 - 1.0f + dy});
}

}  // namespace

std::vector<PuzzlePiece> PuzzleLayout(Proc::PuzzleType type) {
  switch (type) {
    case Proc::PuzzleType::ThreeRows:
      return ThreeRows();
    case Proc::PuzzleType::ThreeColumns:
      return ThreeColumns();
    case Proc::PuzzleType::FourQuarters:
      return FourQuarters();
    case Proc::PuzzleType::FiveColumns:
    default:
      return FiveColumns();
  }
}

const std::string_view& TransitionPuzzle::GetName() const {
  static constexpr std::string_view kName = "TransitionPuzzle";
  return kName;
}

// Pieces that travel together lie on one another until each stops: the
// earlier piece is drawn last, on top.
void TransitionPuzzle::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  const std::vector<PuzzlePiece> layout = PuzzleLayout(DrawingSettings().GetType());
  const int count = static_cast<int>(layout.size());
  PackedMesh pieces;
  pieces.ReserveQuad(layout.size());
  for (int k = count; k >= 1; --k) {
    pieces.AddQuad(Placed(layout[static_cast<std::size_t>(k - 1)], k, count, progress));
  }
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  DrawQuadsOver(storage, *target, *frames.first, *frames.second, pieces);
}

}  // namespace Obrisk::Ogl
