#include "transitions/TransitionShatter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <glm/vec3.hpp>

#include "frame/RandomDraws.h"
#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionOverlay.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

// Per tile (a, b, c): its turn per unit of progress in radians, (2 u3 + 1)
// 5; its growth, 4 u2; its speed, u1 + 0.5 (u1, u2, u3 drawn in this
// order). Drawn again only when the grid changes.
class TransitionShatter::CacheImpl final : public OglCache {
 public:
  const std::vector<glm::vec3>& TilesFor(int columns, int rows) {
    if (columns != columns_ || rows != rows_) {
      columns_ = columns;
      rows_ = rows;
      tiles_.resize(static_cast<std::size_t>(columns) * rows);
      for (glm::vec3& tile : tiles_) {
        const double u1 = UniformDraw();
        const double u2 = UniformDraw();
        const double u3 = UniformDraw();
        tile = glm::vec3(static_cast<float>((2.0 * u3 + 1.0) * 5.0), static_cast<float>(4.0 * u2),
                         static_cast<float>(u1 + 0.5));
      }
    }
    return tiles_;
  }

 private:
  int columns_ = 0;
  int rows_ = 0;
  std::vector<glm::vec3> tiles_;
};

namespace {

// The tile's texel, its alpha falling to 0 over the last 1 / `thresholdMultiplier`
// before the border of its grid cell, all faded by `extAlpha`. The edges
// soften over the first `edgeFade` of the transition, so that it starts on
// the whole first picture.
const ShaderSourceKeeper kShader{"ShatterShader", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float extAlpha;
uniform float wStep;
uniform float hStep;
uniform float thresholdMultiplier;
uniform float edgeFade;
varying vec2 TexCoord0;

void main() {
  vec4 colour = texture2D(tex, TexCoord0);
  vec2 inCell = mod(TexCoord0, vec2(wStep, hStep));
  vec2 border = min(inCell, vec2(wStep, hStep) - inCell);
  float edge = mix(1.0, min(thresholdMultiplier * min(border.x, border.y), 1.0), edgeFade);
  gl_FragColor = vec4(colour.rgb, min(edge, colour.a) * extAlpha);
}
)",
                                 "Proc/Effects/Quenvara/TransitionShatter"};

// The tile edges are fully soft from this progress on.
constexpr double kEdgeFadeIn = 0.05;

struct Grid {
  int columns;  // tile columns, twice the grid's
  int rows;
};

// The grid for `num` along the shorter side, the longer in proportion.
Grid GridFor(int num, double ratio) {
  const int columns = ratio > 1.0 ? static_cast<int>(std::floor(num * ratio + 0.5)) : num;
  const int rows = ratio < 1.0 ? static_cast<int>(std::floor(num / ratio + 0.5)) : num;
  return {2 * columns, 2 * rows};
}

// Tile (i, j) at progress t: its cell of the picture, grown, moved and
// turned (in proportions of the screen, `ratio` = width / height).
PackedMesh::QuadVertices Tile(int i, int j, const Grid& grid, const glm::vec3& tile, float t,
                              Proc::ShatterDirection direction, float ratio) {
  const auto m = static_cast<float>(grid.columns);
  const auto k = static_cast<float>(grid.rows);
  const float grow = direction == Proc::ShatterDirection::Outward ? t * tile.y : 0.0f;
  const float halfX = (grow + 1.0f) / m;
  const float halfY = (grow + 1.0f) / k;
  float cx = (2.0f * i + 1.0f) / m - 1.0f;
  float cy = (2.0f * j + 1.0f) / k - 1.0f;
  switch (direction) {
    case Proc::ShatterDirection::Down:
      cy -= 2.0f * tile.z * t;
      break;
    case Proc::ShatterDirection::Up:
      cy += 2.0f * tile.z * t;
      break;
    default:
      cx *= t * tile.z + 1.0f;
      cy *= t * tile.z + 1.0f;
      break;
  }
  const float cosine = std::cos(t * tile.x);
  const float sine = std::sin(t * tile.x);
  const auto corner = [&](float s, float u, float dx, float dy) {
    const float x = dx * ratio;
    return QuadVertex{s, u, cx + (cosine * x - sine * dy) / ratio, cy + sine * x + cosine * dy};
  };
  const float s0 = static_cast<float>(i) / m;
  const float s1 = static_cast<float>(i + 1) / m;
  const float t0 = static_cast<float>(j) / k;
  const float t1 = static_cast<float>(j + 1) / k;
  return {corner(s0, t0, -halfX, -halfY), corner(s1, t0, halfX, -halfY),
          corner(s1, t1, halfX, halfY), corner(s0, t1, -halfX, halfY)};
}

}  // namespace

const std::string_view& TransitionShatter::GetName() const {
  static constexpr std::string_view kName = "TransitionShatter";
  return kName;
}

Ptr<OglCache> TransitionShatter::CreateCache() {
  return MakeRef<CacheImpl>();
}

// The tiles are blended over the second picture in the destination.
void TransitionShatter::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                   const Ptr<DataVideoOGL>& second, double, double progress,
                                   ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const auto& settings = DrawingSettings();
  const Proc::FrameInfo& info = target->GetFrameInfo();
  const double ratio = static_cast<double>(info.width) / info.height;
  const Grid grid = GridFor(settings.GetNum(), ratio);
  const std::vector<glm::vec3>& tiles = CacheAs<CacheImpl>(cache).TilesFor(grid.columns, grid.rows);
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);

  PackedMesh mesh;
  mesh.ReserveQuad(tiles.size());
  const auto t = static_cast<float>(progress);
  for (int j = 0; j < grid.rows; ++j) {
    for (int i = 0; i < grid.columns; ++i) {
      mesh.AddQuad(Tile(i, j, grid, tiles[static_cast<std::size_t>(j) * grid.columns + i], t,
                        settings.GetDir(), static_cast<float>(ratio)));
    }
  }

  storage.FBO().Attach(target->GetFirstTexture());
  frames.second->Draw(storage.FrameQuad(), storage);
  const TransitionBlending blending;
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("extAlpha", 1.0 - progress);
  program.Uniform("wStep", 1.0 / grid.columns);
  program.Uniform("hStep", 1.0 / grid.rows);
  program.Uniform("thresholdMultiplier", static_cast<double>(std::min(info.width, info.height)));
  program.Uniform("edgeFade", std::min(progress / kEdgeFadeIn, 1.0));
  DrawQuadsWith(program, mesh, {frames.first.get()});
}

}  // namespace Obrisk::Ogl
