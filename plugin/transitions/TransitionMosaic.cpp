#include "transitions/TransitionMosaic.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <glm/gtc/matrix_transform.hpp>

#include "frame/RandomDraws.h"
#include "frame/ShaderSourceKeeper.h"
#include "obrisk/ogl/Mesh3d.h"
#include "transitions/TransitionPasses.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// The tiles as the 3-D mesh stage places them; the rows' horizontal edges
// turn transparent over a 75th of a row, `shift` rows in from the edge
// (negative `shift` keeps them whole).
const ShaderSourceKeeper kShader{"TransitionMosaic", Shader::Mesh3d, R"(
uniform sampler2D tex;
uniform float shift;
varying vec2 TexCoord0;

const float kRows = 4.0;
const float kSoftness = 75.0;

void main() {
  vec4 c = texture2D(tex, TexCoord0);
  float edge = 0.5 - abs(fract(kRows * TexCoord0.y) - 0.5);
  c.a *= clamp(kSoftness * (edge - shift), 0.0, 1.0);
  gl_FragColor = c;
}
)",
                                 "Proc/Effects/Quenvara/TransitionMosaic"};

constexpr int kColumns = 6;
constexpr int kRows = 4;
// Each tile turns over half the duration, starting within the first half.
constexpr double kDelaySpread = 0.5;
// The camera: at distance 4 with a 45 degree field of view.
constexpr double kEyeDistance = 4.0;
const double kFocal = 1.0 / std::tan(std::numbers::pi / 8.0);
// The tiles lie where the camera sees them exactly fill the frame.
const double kTilePlane = kEyeDistance - kFocal;
// The gap that opens between the rows half way, in rows, and the shift that
// keeps the rows whole at rest.
constexpr double kGap = 0.03;
constexpr double kWhole = -1.0 / 75.0;

// Perspective with x and y scaled by the focal length; z goes to w, so that
// every point lies on the far plane (depth is not used).
glm::mat4 ViewProjection() {
  const glm::dmat4 view =
      glm::lookAt(glm::dvec3(0.0, 0.0, kEyeDistance), glm::dvec3(0.0), glm::dvec3(0.0, 1.0, 0.0));
  glm::dmat4 projection(0.0);
  projection[0][0] = kFocal;
  projection[1][1] = kFocal;
  projection[2] = glm::dvec4(0.0, 0.0, -1.0, -1.0);
  return glm::mat4(projection * view);
}

// Tile (i, j) turned by `angle` about its vertical centre line.
void AddTile(PackedMesh3d& mesh, int i, int j, double angle) {
  const double halfWidth = 1.0 / kColumns;
  const double halfHeight = 1.0 / kRows;
  const double cx = (2.0 * i + 1.0) * halfWidth - 1.0;
  const double cy = (2.0 * j + 1.0) * halfHeight - 1.0;
  const float s0 = static_cast<float>(i) / kColumns;
  const float s1 = static_cast<float>(i + 1) / kColumns;
  const float t0 = static_cast<float>(j) / kRows;
  const float t1 = static_cast<float>(j + 1) / kRows;
  auto point = [&](double side, double up, float s, float t) {
    const glm::vec3 position(static_cast<float>(cx + side * halfWidth * std::cos(angle)),
                             static_cast<float>(cy + up * halfHeight),
                             static_cast<float>(kTilePlane - side * halfWidth * std::sin(angle)));
    return mesh.AddPoint(position, {s, t});
  };
  mesh.AddQuad(point(-1.0, -1.0, s0, t0), point(1.0, -1.0, s1, t0), point(1.0, 1.0, s1, t1),
               point(-1.0, 1.0, s0, t1));
}

void DrawTiles(ShaderProgram& program, const PackedMesh3d& tiles, Frame& picture) {
  if (tiles.Indices().empty()) return;
  Mesh3d mesh;
  mesh.Upload(tiles, GL_STREAM_DRAW);
  picture.GetFirstTexture().Use(0);
  mesh.Activate();
  mesh.Draw(program);
}

}  // namespace

TransitionMosaic::TransitionMosaic() {
  for (double& delay : delays_)
    delay = std::min(kDelaySpread, std::fmod(UniformDraw(), kDelaySpread));
}

const std::string_view& TransitionMosaic::GetName() const {
  static constexpr std::string_view kName = "TransitionMosaic";
  return kName;
}

// Each tile turns half a turn: up to edge-on it shows the first picture,
// after it the second, turned so that it reads the right way round. Turning
// tiles are drawn first and resting ones over them, so that a tile's near
// half never covers a neighbour at rest.
void TransitionMosaic::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  PackedMesh3d turningFirst, turningSecond, restingFirst, restingSecond;
  for (int j = 0; j < kRows; ++j) {
    for (int i = 0; i < kColumns; ++i) {
      const double delay = delays_[static_cast<std::size_t>(j * kColumns + i)];
      const double turn = std::clamp((progress - delay) / kDelaySpread, 0.0, 1.0);
      if (turn <= 0.0) {
        AddTile(restingFirst, i, j, 0.0);
      } else if (turn >= 1.0) {
        AddTile(restingSecond, i, j, 0.0);
      } else if (turn < 0.5) {
        AddTile(turningFirst, i, j, std::numbers::pi * turn);
      } else {
        AddTile(turningSecond, i, j, std::numbers::pi * (turn - 1.0));
      }
    }
  }
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("MVP", ViewProjection(), false);
  program.Uniform("shift", kGap * std::sin(std::numbers::pi * progress) + kWhole);
  storage.FBO().Attach(target->GetFirstTexture());
  ClearAttached();
  DrawTiles(program, turningFirst, *frames.first);
  DrawTiles(program, turningSecond, *frames.second);
  DrawTiles(program, restingFirst, *frames.first);
  DrawTiles(program, restingSecond, *frames.second);
}

}  // namespace Obrisk::Ogl
