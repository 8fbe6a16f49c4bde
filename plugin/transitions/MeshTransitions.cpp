#include "transitions/MeshTransitions.h"

#include "obrisk/ogl/Surface.h"
#include "obrisk/ogl/Texture.h"

#include <glm/gtc/matrix_inverse.hpp>
#include <glm/gtc/matrix_transform.hpp>

namespace Obrisk::Ogl {

glm::mat4 Perspective(float focal) {
  glm::mat4 projection(0.0f);
  projection[0][0] = focal;
  projection[1][1] = focal;
  projection[2][3] = -1.0f;  // w = -z: the distance in front of the eye
  return projection;
}

OrigamiCamera MakeOrigamiCamera() {
  const glm::mat4 view =
      glm::lookAt(glm::vec3(0.0f, 0.0f, 1.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
  // tan(pi / 4) = 1: a 90 degree field of view.
  constexpr float kFocal = 1.0f;
  const glm::vec4 light =
      view * glm::vec4(0.0f, 0.0f, 1.0f, 1.0f) - view * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
  return {Perspective(kFocal) * view, glm::inverseTranspose(glm::mat3(view)),
          glm::normalize(glm::vec3(light))};
}

const std::string_view kOrigamiVertex = R"(
attribute vec3 vbo_xyz;
attribute vec3 vbo_norm;
attribute vec2 vbo_uv;
uniform mat3 NormalMatrix;
uniform mat4 MVP;
uniform vec3 vert_to_light_in_camspace;
varying vec2 TexCoord0;
varying float light;

void main() {
  light = max(0.0, dot(normalize(NormalMatrix * vbo_norm), vert_to_light_in_camspace));
  TexCoord0 = vbo_uv;
  gl_Position = MVP * vec4(vbo_xyz, 1.0);
}
)";

const std::string_view kOrigamiFragment = R"(
uniform sampler2D tex;
varying vec2 TexCoord0;
varying float light;

// 30 % ambient light, 70 % from the light's direction.
void main() {
  vec4 colour = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(colour.rgb * (light * 0.7 + 0.3), colour.a);
}
)";

void SetOrigamiUniforms(const ShaderProgram& program, const OrigamiCamera& camera) {
  program.Uniform("tex", 0);
  program.Uniform("NormalMatrix", camera.normalMatrix, false);
  program.Uniform("MVP", camera.viewProjection, false);
  program.Uniform("vert_to_light_in_camspace", camera.light);
}

void DrawMesh(const PackedMesh3d& mesh, ShaderProgram& program, Frame& frame) {
  Mesh3d uploaded;
  uploaded.Upload(mesh, GL_DYNAMIC_DRAW);
  frame.GetFirstTexture().Use(0);
  uploaded.Activate();
  uploaded.Draw(program);
}

void DrawOrigamiInto(ShaderStorage& storage, Frame& target, const OrigamiCamera& camera,
                     ShaderProgram& program, TexturedMeshes meshes) {
  storage.FBO().Attach(target.GetFirstTexture());
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  program.Use();
  SetOrigamiUniforms(program, camera);
  for (const auto& [mesh, frame] : meshes) {
    if (!mesh->Indices().empty()) DrawMesh(*mesh, program, *frame);
  }
}

void DrawOrigami(ShaderStorage& storage, Frame& target, const OrigamiCamera& camera,
                 ShaderProgram& program, TexturedMeshes meshes) {
  constexpr int kSupersampling = 2;
  Proc::FrameInfo large = target.GetFrameInfo();
  large.width *= kSupersampling;
  large.height *= kSupersampling;
  const Ptr<Frame> supersampled =
      Frame::CreateIntermediate(target.GetColorSpace(), target.GetPixelFormat(), large);
  DrawOrigamiInto(storage, *supersampled, camera, program, meshes);
  storage.FBO().Attach(target.GetFirstTexture());
  supersampled->Draw(storage.FrameQuad(), storage);
}

void AddFlatQuad(PackedMesh3d& mesh, const glm::vec3 (&corners)[4], glm::vec2 uv0, glm::vec2 uv1,
                 const glm::vec3& leftNormal, const glm::vec3& rightNormal) {
  const auto a = mesh.AddPoint(corners[0], uv0, leftNormal);
  const auto b = mesh.AddPoint(corners[1], {uv1.x, uv0.y}, rightNormal);
  const auto c = mesh.AddPoint(corners[2], uv1, rightNormal);
  const auto d = mesh.AddPoint(corners[3], {uv0.x, uv1.y}, leftNormal);
  mesh.AddQuad(a, b, c, d);
}

}  // namespace Obrisk::Ogl
