// Which pixels the tile and piece transitions have changed, from a fixed
// seed: the changed part only grows with the progress and everything shows
// the second picture at the end; the puzzle layouts cover the picture once,
// and their pieces arrive in turn; the disintegrating cells leave the second
// picture behind them.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame/RandomDraws.h"
#include "obrisk/settings/TransitionTileSettings.h"
#include "transitions/TransitionPuzzle.h"
#include "transitions/TransitionTestSupport.h"

namespace Obrisk::Testing {
namespace {

using namespace Proc;

constexpr int kW = kTransitionWidth;
constexpr int kH = kTransitionHeight;
constexpr unsigned kSeed = 20;
// More than rounding: a pixel counts as changed past this difference.
constexpr int kChanged = 2;
// A moving piece may by chance show a colour within kChanged of the first
// picture's at a few pixels.
constexpr int kChanceMatches = 3;

const DataVideoMemory& First() {
  static const auto picture = FirstPicture();
  return *picture;
}
const DataVideoMemory& Second() {
  static const auto picture = SecondPicture();
  return *picture;
}

int Difference(const DataVideoMemory& a, const DataVideoMemory& b, int x, int y) {
  const Pixel pa = PixelAt(a, x, y);
  const Pixel pb = PixelAt(b, x, y);
  int largest = 0;
  for (int c = 0; c < 4; ++c) largest = std::max(largest, std::abs(pa[c] - pb[c]));
  return largest;
}

// The output at `progress` of a transition object made from the fixed seed,
// so that random orders are the same at every progress.
Ptr<DataVideoMemory> Seeded(const Settings& settings, double progress) {
  Ogl::SeedRandom(kSeed);
  return RunTransition(settings, FirstPicture(), SecondPicture(), progress);
}

// Pixels that no longer show the first picture, row by row from the top.
std::vector<bool> ChangedPixels(const DataVideoMemory& output) {
  std::vector<bool> changed;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) changed.push_back(Difference(output, First(), x, y) > kChanged);
  }
  return changed;
}

struct CoverageCase {
  std::string name;
  std::function<std::unique_ptr<Settings>()> settings;
};

class Coverage : public ::testing::TestWithParam<CoverageCase> {};

TEST_P(Coverage, GrowsWithTheProgressAndIsCompleteAtTheEnd) {
  const auto settings = GetParam().settings();
  std::vector<bool> before(static_cast<std::size_t>(kW * kH), false);
  bool someChangedPartly = false;
  for (int step = 1; step <= 20; ++step) {
    const double progress = step / 20.0;
    const std::vector<bool> now = ChangedPixels(*Seeded(*settings, progress));
    int lost = 0;
    int changed = 0;
    for (std::size_t i = 0; i < now.size(); ++i) {
      lost += before[i] && !now[i] ? 1 : 0;
      changed += now[i] ? 1 : 0;
    }
    EXPECT_LE(lost, kChanceMatches) << "pixels changed back at progress " << progress;
    if (changed > 0 && changed < kW * kH) someChangedPartly = true;
    before = now;
  }
  EXPECT_TRUE(someChangedPartly);
  EXPECT_LE(MaxChannelDifference(*Seeded(*settings, 1.0), Second()), 1);
}

template <class S>
std::function<std::unique_ptr<Settings>()> Make(std::function<void(S&)> set = {}) {
  return [set] {
    auto settings = std::make_unique<S>();
    if (set) set(*settings);
    return std::unique_ptr<Settings>(std::move(settings));
  };
}

// The mosaic is left out: a turning tile seen in perspective maps pixels near
// its axis back onto nearly their own texels, so single pixels of it do not
// change monotonically; its ends are checked with the family's properties.
std::vector<CoverageCase> CoverageCases() {
  std::vector<CoverageCase> cases{
      {"Matrix", Make<SettingsTransitionMatrix>()},
      {"Matrix_Hard",
       Make<SettingsTransitionMatrix>([](SettingsTransitionMatrix& s) { s.SetSoftness(0); })},
      {"Pieces", Make<SettingsTransitionPieces>()},
  };
  for (int type = 0; type <= 3; ++type) {
    cases.push_back({"Puzzle_" + std::to_string(type),
                     Make<SettingsTransitionPuzzle>([type](SettingsTransitionPuzzle& s) {
                       s.SetType(static_cast<PuzzleType>(type));
                     })});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(TileTransitions, Coverage, ::testing::ValuesIn(CoverageCases()),
                         [](const ::testing::TestParamInfo<CoverageCase>& info) {
                           return info.param.name;
                         });

// ---- Puzzle -------------------------------------------------------------

class PuzzleLayouts : public ::testing::TestWithParam<int> {};

// Sampled on a fine grid that avoids the pieces' edges, every point lies in
// exactly one piece, and the areas add up to the whole picture.
TEST_P(PuzzleLayouts, PiecesTileThePictureWithoutGapsOrOverlaps) {
  const std::vector<Ogl::PuzzlePiece> pieces =
      Ogl::PuzzleLayout(static_cast<PuzzleType>(GetParam()));
  constexpr int kSamples = 211;  // prime: no sample falls on a third or a fifth
  for (int i = 0; i < kSamples; ++i) {
    for (int j = 0; j < kSamples; ++j) {
      const float s = (i + 0.5f) / kSamples;
      const float t = (j + 0.5f) / kSamples;
      int inside = 0;
      for (const auto& piece : pieces) {
        inside += s >= piece.s0 && s < piece.s1 && t >= piece.t0 && t < piece.t1 ? 1 : 0;
      }
      ASSERT_EQ(inside, 1) << "at (" << s << ", " << t << ")";
    }
  }
  double area = 0.0;
  for (const auto& piece : pieces) {
    area += (piece.s1 - piece.s0) * (piece.t1 - piece.t0);
    // Each piece comes in along one axis.
    EXPECT_EQ(std::abs(piece.fromX) + std::abs(piece.fromY), 1.0f);
  }
  EXPECT_NEAR(area, 1.0, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(TileTransitions, PuzzleLayouts, ::testing::Range(0, 4));

// Three columns: at p = 1/3 the right-hand column has come to rest and the
// middle one, still travelling under it, has not yet shown.
TEST(PuzzleTest, ThirdWayTheFirstPieceRestsAndTheSecondStillMoves) {
  SettingsTransitionPuzzle settings;
  settings.SetType(PuzzleType::ThreeColumns);
  const auto output = RunTransition(settings, FirstPicture(), SecondPicture(), 1.0 / 3.0);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      if (x == kW / 3 || x == 2 * kW / 3) continue;  // the edges fall inside these columns
      const DataVideoMemory& expected = x > 2 * kW / 3 ? Second() : First();
      ASSERT_LE(Difference(*output, expected, x, y), 1) << x << "," << y;
    }
  }
}

// ---- Disintegrate -------------------------------------------------------

// A quarter way, with one cell per half side (a 2 x 2 grid), the cells stand
// 1 + 2 p times further out and 1 + p times smaller: the pixels between them
// are the second picture's, and a cell's centre shows its own centre.
TEST(DisintegrateTest, CellsFlyApartOverTheSecondPicture) {
  SettingsTransitionDisintegrate settings;
  settings.SetNum(1);
  const double progress = 0.25;
  const auto output = RunTransition(settings, FirstPicture(), SecondPicture(), progress);
  constexpr int kColumns = 2;  // 2 x round(1 x 4/3)
  constexpr int kRows = 2;
  const double spread = 1.0 + std::min(kColumns, kRows) * progress;
  const double halfWidth = 1.0 / (kColumns * (1.0 + progress));
  const double halfHeight = 1.0 / (kRows * (1.0 + progress));
  int cellCentres = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const double cx = 2.0 * (x + 0.5) / kW - 1.0;
      const double cy = 1.0 - 2.0 * (y + 0.5) / kH;  // clip y runs up
      bool covered = false;
      for (int i = 0; i < kColumns; ++i) {
        for (int j = 0; j < kRows; ++j) {
          const double dx = std::abs(cx - ((2.0 * i + 1.0) / kColumns - 1.0) * spread);
          const double dy = std::abs(cy - ((2.0 * j + 1.0) / kRows - 1.0) * spread);
          covered = covered || (dx < halfWidth + 0.05 && dy < halfHeight + 0.05);
          if (dx < 0.02 && dy < 0.03) {
            // Near a cell's centre: the first picture near its cell's centre.
            const int sx = static_cast<int>((i + 0.5) * kW / kColumns);
            const int sy = kH - 1 - static_cast<int>((j + 0.5) * kH / kRows);
            const Pixel shown = PixelAt(*output, x, y);
            const Pixel own = PixelAt(First(), sx, sy);
            for (int c = 0; c < 4; ++c) EXPECT_LE(std::abs(shown[c] - own[c]), 8) << x << "," << y;
            ++cellCentres;
          }
        }
      }
      if (!covered) {
        ASSERT_LE(Difference(*output, Second(), x, y), 1) << x << "," << y;
      }
    }
  }
  EXPECT_GT(cellCentres, 0);
}

}  // namespace
}  // namespace Obrisk::Testing
