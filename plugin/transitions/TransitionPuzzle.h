#pragma once

#include <vector>

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransitionTileSettings.h"

namespace Obrisk::Ogl {

// One piece of a puzzle layout: the rectangle of the picture it carries and
// where it rests, in texture coordinates, and the side it comes in from (a
// unit step in x or y, y up).
struct PuzzlePiece {
  float s0, t0, s1, t1;
  float fromX, fromY;
};

// The pieces of a layout in the order they arrive; together they cover the
// picture once.
std::vector<PuzzlePiece> PuzzleLayout(Proc::PuzzleType type);

// Pieces of the second picture arrive one after another and assemble over
// the first: with n pieces, piece k (from 1) travels while p <= k / n and is
// k - n p of its own extents away from rest until then.
class TransitionPuzzle final
    : public EffectAlgorithmWithSettings<TransitionAlgorithm, Proc::SettingsTransitionPuzzle> {
 public:
  const std::string_view& GetName() const override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                  const Ptr<DataVideoOGL>& second, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
