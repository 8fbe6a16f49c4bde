#include "transitions/TransitionDisintegrate.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "transitions/TransitionPasses.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// Cells across (`columns`) and up (`rows`): twice n along the shorter side,
// about square cells along the longer.
struct Grid {
  int columns;
  int rows;
};

Grid GridFor(int n, const Proc::FrameInfo& info) {
  const double ratio = static_cast<double>(info.width) / info.height;
  const int across = ratio > 1.0 ? static_cast<int>(std::floor(n * ratio + 0.5)) : n;
  const int up = ratio < 1.0 ? static_cast<int>(std::floor(n / ratio + 0.5)) : n;
  return {2 * across, 2 * up};
}

// Every cell keeps its piece of the picture; its centre moves out from the
// frame's centre by 1 + min(columns, rows) p times its place, and it shrinks
// to half its size by p = 1, when all have left the frame.
PackedMesh Cells(const Grid& grid, double progress) {
  const double spread = 1.0 + std::min(grid.columns, grid.rows) * progress;
  const double halfWidth = 1.0 / (grid.columns * (1.0 + progress));
  const double halfHeight = 1.0 / (grid.rows * (1.0 + progress));
  PackedMesh cells;
  cells.ReserveQuad(static_cast<std::size_t>(grid.columns) * grid.rows);
  for (int i = 0; i < grid.columns; ++i) {
    const double x = ((2.0 * i + 1.0) / grid.columns - 1.0) * spread;
    for (int j = 0; j < grid.rows; ++j) {
      const double y = ((2.0 * j + 1.0) / grid.rows - 1.0) * spread;
      cells.AddQuad(QuadBetween(
          {static_cast<float>(i) / grid.columns, static_cast<float>(j) / grid.rows,
           static_cast<float>(x - halfWidth), static_cast<float>(y - halfHeight)},
          {static_cast<float>(i + 1) / grid.columns, static_cast<float>(j + 1) / grid.rows,
           static_cast<float>(x + halfWidth), static_cast<float>(y + halfHeight)}));
    }
  }
  return cells;
}

}  // namespace

const std::string_view& TransitionDisintegrate::GetName() const {
  static constexpr std::string_view kName = "TransitionDisintegrate";
  return kName;
}

void TransitionDisintegrate::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                        const Ptr<DataVideoOGL>& second, double, double progress,
                                        ShaderStorage& storage, const Ptr<OglCache>&) {
  const Grid grid = GridFor(DrawingSettings().GetNum(), target->GetFrameInfo());
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  DrawQuadsOver(storage, *target, *frames.second, *frames.first, Cells(grid, progress));
}

}  // namespace Obrisk::Ogl
