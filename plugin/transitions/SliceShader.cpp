#include "transitions/SliceShader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

#include <fmt/format.h>

#include "obrisk/host/Exception.h"

namespace Obrisk::Ogl {
namespace {

using Proc::SlicesType;

// Slice numbers are stored in the numbering texture as k / kNumberScale.
constexpr double kNumberScale = 65025.0;
constexpr int kMaxSquareSide = 255;
constexpr int kMinSquareCount = 4;
constexpr int kSlantedCount = 3;
constexpr int kDiagonalCount = 2;
constexpr int kDirectionRules = 4;
constexpr int kSlicesTypes = 11;
// Texture unit of the numbering texture.
constexpr int kNumberingUnit = 2;

constexpr bool IsSpin(const SliceKey& key) {
  return key.baseType != 0;
}

// The slice of the pixel at xy, by the slices type.
std::string SliceNumberText(SlicesType type) {
  switch (type) {
    case SlicesType::Rings:
      return "vec2 d = vec2(xy.x / xAspectRatio, xy.y) - vec2(0.5 / xAspectRatio, 0.5);\n"
             "  return int(length(d) / (0.5 / slicesCount) + 0.5);";
    case SlicesType::Horizontal:
      return "return int(xy.y / (1.0 / slicesCount));";
    case SlicesType::Vertical:
      return "return int(xy.x / (1.0 / slicesCount));";
    case SlicesType::Slanted:
      return "return int((xy.y - xy.x / 5.0 + 1.0 / 3.0) / 0.5);";
    case SlicesType::SlantedVertical:
      return "return int((xy.x - xy.y / 5.0 + 1.0 / 3.0) / 0.5);";
    case SlicesType::Squares:
    case SlicesType::SquaresSpiral:
      return fmt::format("return int(texture2D(sliceNumberingMatrix, xy).r * {:f} + 0.5);",
                         kNumberScale);
    case SlicesType::SquaresColumns:
    case SlicesType::SquaresSpiralColumns:
      return fmt::format("return int(texture2D(sliceNumberingMatrix, xy.yx).r * {:f} + 0.5);",
                         kNumberScale);
    case SlicesType::Diagonal:
      return "return xy.x - xy.y < 0.0 ? 0 : 1;";
    case SlicesType::AntiDiagonal:
      return "return 1.0 - xy.x - xy.y < 0.0 ? 0 : 1;";
  }
  return "return 0;";
}

// Alternate slices (even, odd) move opposite ways.
std::string AlternatingText(const SliceKey& key) {
  if (IsSpin(key)) return "direction = even ? -1.0 : 1.0;";
  switch (static_cast<SlicesType>(key.slicesType)) {
    case SlicesType::Vertical:
    case SlicesType::SlantedVertical:
      return "direction = vec2(0.0, even ? -1.0 : 1.0);";
    case SlicesType::Diagonal:
      return "direction = even ? vec2(-1.0, -1.0) : vec2(1.0, 1.0);";
    case SlicesType::AntiDiagonal:
      return "direction = even ? vec2(1.0, -1.0) : vec2(-1.0, 1.0);";
    default:
      return "direction = vec2(even ? -1.0 : 1.0, 0.0);";
  }
}

// The body of SetDirection: rules 0 and 1 keep the uniform direction; rule
// 2 alternates; rule 3 turns swish slices through the four directions (the
// diagonal halves and the spin alternate).
std::string SetDirectionText(const SliceKey& key) {
  const auto type = static_cast<SlicesType>(key.slicesType);
  const bool diagonal = type == SlicesType::Diagonal || type == SlicesType::AntiDiagonal;
  if (key.directionRule < 2) return "";
  const std::string even = "bool even = mod(float(sliceNumber), 2.0) == 0.0;\n  ";
  if (key.directionRule == 2 || diagonal || IsSpin(key)) return even + AlternatingText(key);
  return R"(int turn = int(mod(float(sliceNumber), 4.0));
  if (turn == 1) direction = vec2(1.0, 0.0);
  else if (turn == 2) direction = vec2(-1.0, 0.0);
  else if (turn == 3) direction = vec2(0.0, 1.0);
  else direction = vec2(0.0, -1.0);)";
}

std::string BaseName(const SliceKey& key) {
  return IsSpin(key) ? "ModifiedMotionSpin" : "WhipeShader";
}

using Registry = std::map<SliceKey, std::unique_ptr<ProgressControlledShaderBase>>;

template <class B>
void Add(Registry& registry, const SliceKey& key) {
  auto shader = std::make_unique<SliceShader<B>>(key);
  shader->RegisterInShaderStorage();
  registry.emplace(key, std::move(shader));
}

const Registry& SliceRegistry() {
  static const Registry registry = [] {
    Registry all;
    for (int rule = 0; rule < kDirectionRules; ++rule) {
      for (int type = 0; type < kSlicesTypes; ++type) {
        Add<WhipeShader>(all, {0, rule, type});
        Add<ModifiedMotionSpinShader>(all, {1, rule, type});
      }
    }
    return all;
  }();
  return registry;
}

// Cells of an n x n matrix numbered along an inward spiral: from the first
// corner straight on, turning whenever the next cell is outside the matrix
// or numbered already.
std::vector<float> SpiralNumbering(int n) {
  std::vector<float> cells(static_cast<std::size_t>(n) * n, -1.0f);
  constexpr std::array<std::array<int, 2>, 4> kTurns{{{1, 0}, {0, 1}, {-1, 0}, {0, -1}}};
  int x = 0;
  int y = 0;
  std::size_t heading = 0;
  const auto open = [&](int cx, int cy) {
    return cx >= 0 && cx < n && cy >= 0 && cy < n && cells[cy * n + cx] < 0.0f;
  };
  for (int k = 0; k < n * n; ++k) {
    cells[y * n + x] = static_cast<float>(k / kNumberScale);
    if (!open(x + kTurns[heading][0], y + kTurns[heading][1])) heading = (heading + 1) % 4;
    x += kTurns[heading][0];
    y += kTurns[heading][1];
  }
  return cells;
}

std::vector<float> RowNumbering(int n) {
  std::vector<float> cells(static_cast<std::size_t>(n) * n);
  for (std::size_t k = 0; k < cells.size(); ++k) {
    cells[k] = static_cast<float>(static_cast<double>(k) / kNumberScale);
  }
  return cells;
}

}  // namespace

template <class B>
SliceShader<B>::SliceShader(const SliceKey& key)
    : B(fmt::format("{}_{}_{}_{}", BaseName(key), key.baseType, key.directionRule, key.slicesType)),
      key_(key) {}

template <class B>
std::string SliceShader<B>::GetFunctionsText() const {
  const std::string aspect = IsSpin(key_) ? "" : "uniform float xAspectRatio;\n";
  return B::GetFunctionsText() + aspect + R"(
uniform float percentOfSlicesTimeShift;
uniform float slicesCount;
uniform int slicesNumberingDirection;
uniform sampler2D sliceNumberingMatrix;

int SliceNumberForPixel(vec2 xy) {
  )" + SliceNumberText(static_cast<SlicesType>(key_.slicesType)) +
         R"(
}

void SetDirection(int sliceNumber) {
  )" + SetDirectionText(key_) +
         R"(
}

// Remaps the progress x so that it reaches the midpoint 0.5 at x = c.
float TemporalShiftScaleFunc(float c, float x) {
  return x < c ? x * 0.5 / c : 0.5 + (x - c) * 0.5 / (1.0 - c);
}
)";
}

// Each slice reaches the midpoint at its own time c, spread evenly over the
// shifted share of the transition. c stays inside (0, 1) (rings past the
// count would otherwise never finish), so every slice starts at p = 0 on
// the first picture and ends at p = 1 on the second.
template <class B>
std::string SliceShader<B>::GetMainText() const {
  return R"(
const float kEarliestMidpoint = 0.001;

void main() {
  direction = _direction;
  float q = progress;
  if (slicesCount > 1.0) {
    int k = SliceNumberForPixel(TexCoord0);
    if (slicesNumberingDirection != 0) k = int(slicesCount) - 1 - k;
    SetDirection(k);
    float shift = percentOfSlicesTimeShift / slicesCount;
    float c = 0.5 - percentOfSlicesTimeShift / 2.0 + shift * float(k);
    q = TemporalShiftScaleFunc(clamp(c, kEarliestMidpoint, 1.0 - kEarliestMidpoint), progress);
  }
  gl_FragColor = FramePixelForProgress(TexCoord0, q);
}
)";
}

template class SliceShader<ModifiedMotionSpinShader>;
template class SliceShader<WhipeShader>;

const ProgressControlledShaderBase* FindSliceShader(const SliceKey& key) {
  const Registry& registry = SliceRegistry();
  const auto found = registry.find({key.baseType != 0 ? 1 : 0, key.directionRule, key.slicesType});
  return found == registry.end() ? nullptr : found->second.get();
}

bool IsSquareSlicing(SlicesType type) {
  return type == SlicesType::Squares || type == SlicesType::SquaresColumns ||
         type == SlicesType::SquaresSpiral || type == SlicesType::SquaresSpiralColumns;
}

namespace {

int SquareSide(int count) {
  const auto side =
      static_cast<int>(std::sqrt(static_cast<double>(std::max(count, kMinSquareCount))));
  if (side > kMaxSquareSide) {
    OBRISK_THROW(EffectException,
                 fmt::format("Slices count in square modes must be not greater than {}",
                             kMaxSquareSide * kMaxSquareSide));
  }
  return side;
}

}  // namespace

int EffectiveSlicesCount(SlicesType type, int count) {
  if (IsSquareSlicing(type)) return SquareSide(count) * SquareSide(count);
  switch (type) {
    case SlicesType::Slanted:
    case SlicesType::SlantedVertical:
      return kSlantedCount;
    case SlicesType::Diagonal:
    case SlicesType::AntiDiagonal:
      return kDiagonalCount;
    default:
      return count;
  }
}

std::unique_ptr<Texture> MakeSliceNumbering(SlicesType type, int count) {
  const int n = SquareSide(count);
  const bool spiral = type == SlicesType::SquaresSpiral || type == SlicesType::SquaresSpiralColumns;
  const std::vector<float> cells = spiral ? SpiralNumbering(n) : RowNumbering(n);
  Texture::Params params;
  params.width = n;
  params.height = n;
  params.internalFormat = GL_R32F;
  params.format = GL_RED;
  params.type = GL_FLOAT;
  params.filter = GL_NEAREST;
  params.wrap = GL_CLAMP_TO_EDGE;
  return std::make_unique<Texture>(params, cells.data());
}

void SetCommonSliceVariables(const ShaderProgram& program,
                             const Proc::SettingsTransitionSlice& settings, int width, int height,
                             const Texture* numbering) {
  const SlicesType type = settings.GetSlicesType();
  program.Uniform("slicesCount",
                  static_cast<double>(EffectiveSlicesCount(type, settings.GetSlicesCount())));
  program.Uniform("percentOfSlicesTimeShift", settings.GetPercentOfSlicesTimeShift());
  program.Uniform("slicesNumberingDirection", settings.GetSlicesNumberingRule());
  // The rings need the aspect whichever motion the slices run.
  program.Uniform("xAspectRatio", static_cast<double>(height) / width);
  if (numbering) {
    numbering->Use(kNumberingUnit);
    program.Uniform("sliceNumberingMatrix", kNumberingUnit);
  }
}

}  // namespace Obrisk::Ogl
