#include "transitions/TransitionCube.h"

#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <utility>

#include <glm/gtc/matrix_transform.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/MeshTransitions.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

namespace {

struct Corner {
  glm::vec3 position;
  glm::vec2 uv;
};
using Corners = std::array<Corner, 4>;
// Bottom-left, bottom-right, top-left, top-right seen from outside, drawn as
// triangles 0-1-2 and 2-1-3.
const Corners kFront{{{{-1.0f, -1.0f, 1.0f}, {0.0f, 0.0f}},
                      {{1.0f, -1.0f, 1.0f}, {1.0f, 0.0f}},
                      {{-1.0f, 1.0f, 1.0f}, {0.0f, 1.0f}},
                      {{1.0f, 1.0f, 1.0f}, {1.0f, 1.0f}}}};
const Corners kRight{{{{1.0f, -1.0f, 1.0f}, {0.0f, 0.0f}},
                      {{1.0f, -1.0f, -1.0f}, {1.0f, 0.0f}},
                      {{1.0f, 1.0f, 1.0f}, {0.0f, 1.0f}},
                      {{1.0f, 1.0f, -1.0f}, {1.0f, 1.0f}}}};

}  // namespace

// The front face (the first picture) and the right face (the second), made
// on the OpenGL thread at the first frame.
class TransitionCube::CacheImpl final : public OglCache {
 public:
  Mesh3d& Front() { return Face(front_, kFront); }
  Mesh3d& Right() { return Face(right_, kRight); }

 private:
  static Mesh3d& Face(std::unique_ptr<Mesh3d>& face, const Corners& corners) {
    if (!face) {
      PackedMesh3d packed;
      for (const Corner& corner : corners) packed.AddPoint(corner.position, corner.uv);
      packed.AddTriangle(0, 1, 2);
      packed.AddTriangle(2, 1, 3);
      face = std::make_unique<Mesh3d>();
      face->Upload(packed, GL_STATIC_DRAW);
    }
    return *face;
  }

  std::unique_ptr<Mesh3d> front_;
  std::unique_ptr<Mesh3d> right_;
};

namespace {

// The picture on a face; its top and bottom edges fade over 1 / eps_1 of
// its height.
const ShaderSourceKeeper kShader{"TransitionCube", Shader::Mesh3d, R"(
uniform sampler2D tex;
uniform float eps_1;
varying vec2 TexCoord0;

void main() {
  vec4 colour = texture2D(tex, TexCoord0);
  float y = TexCoord0.y;
  gl_FragColor = vec4(colour.rgb, colour.a * min(eps_1 * min(y, 1.0 - y), 1.0));
}
)",
                                 "Proc/Effects/Quenvara/TransitionCube"};

// The eye orbits at this distance from the centre; the cube is scaled so
// that a face seen straight on fills the frame to within 0.2 %:
// 2.4142 * 1.17 / (4 - 1.17) = 0.998.
constexpr float kEyeDistance = 4.0f;
constexpr float kCubeScale = 1.17f;
// Edge softness: 100 at the ends, 200 half way.
constexpr double kSoftnessBase = 100.0;
constexpr double kSoftnessRise = 400.0;

// The camera at progress p: a quarter turn about the y axis over the
// transition, looking at the cube's centre through a 45 degree field.
glm::mat4 CubeMatrix(double progress) {
  const float angle = static_cast<float>(progress) * std::numbers::pi_v<float> / 2.0f;
  const glm::mat4 turn = glm::rotate(glm::mat4(1.0f), angle, glm::vec3(0.0f, 1.0f, 0.0f));
  const glm::vec3 eye(turn * glm::vec4(0.0f, 0.0f, kEyeDistance, 1.0f));
  const glm::mat4 view = glm::lookAt(eye, glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
  const float focal = 1.0f / std::tan(std::numbers::pi_v<float> / 8.0f);
  return Perspective(focal) * view * glm::scale(glm::mat4(1.0f), glm::vec3(kCubeScale));
}

}  // namespace

const std::string_view& TransitionCube::GetName() const {
  static constexpr std::string_view kName = "TransitionCube";
  return kName;
}

Ptr<OglCache> TransitionCube::CreateCache() {
  return MakeRef<CacheImpl>();
}

// The faces are drawn straight into the cleared destination, blended over
// transparent black, with back faces culled (the cube is convex, so no face
// is drawn through another).
void TransitionCube::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                const Ptr<DataVideoOGL>& second, double, double progress,
                                ShaderStorage& storage, const Ptr<OglCache>& cache) {
  CacheImpl& faces = CacheAs<CacheImpl>(cache);
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  storage.FBO().Attach(target->GetFirstTexture());
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);

  const TransitionBlending blending;
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  const EnableState culling(GL_CULL_FACE);
  glCullFace(GL_BACK);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("MVP", CubeMatrix(progress), false);
  program.Uniform("eps_1", (progress - progress * progress) * kSoftnessRise + kSoftnessBase);
  for (auto [face, picture] : {std::pair{&faces.Front(), frames.first.get()},
                               std::pair{&faces.Right(), frames.second.get()}}) {
    picture->GetFirstTexture().Use(0);
    face->Activate();
    face->Draw(program);
  }
}

}  // namespace Obrisk::Ogl
