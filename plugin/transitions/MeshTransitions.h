// What the transitions that draw their pictures as surfaces in space share:
// the perspective camera, the origami camera and light, the origami
// program's text and drawing a mesh gathered on the CPU.
#pragma once

#include <initializer_list>
#include <string_view>
#include <utility>

#include <glm/mat3x3.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/Mesh3d.h"
#include "obrisk/ogl/ShaderProgram.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {

// A perspective projection looking down -z with x and y scaled by `focal`
// (1 / tan of half the field of view; aspect 1). Depth is not used: every
// point in front of the eye lands at depth 0, points behind it are clipped.
glm::mat4 Perspective(float focal);

// The origami members' camera: the eye at (0, 0, 1) looking at the origin
// with a 90 degree field of view, and the light coming from the viewer.
struct OrigamiCamera {
  glm::mat4 viewProjection;
  glm::mat3 normalMatrix;  // inverse transpose of the view's 3 x 3 part
  glm::vec3 light;         // towards the light, in camera space
};
OrigamiCamera MakeOrigamiCamera();

// The origami program: the texel of `tex` lit by a directional light,
// (light * 0.7 + 0.3) with light = max(0, N . L).
extern const std::string_view kOrigamiVertex;
extern const std::string_view kOrigamiFragment;

// Sets the camera's uniforms on the origami program (in use).
void SetOrigamiUniforms(const ShaderProgram& program, const OrigamiCamera& camera);

// Uploads `mesh` (per-frame geometry, GL_DYNAMIC_DRAW) and draws it with
// `program` (in use) textured by `frame` on unit 0.
void DrawMesh(const PackedMesh3d& mesh, ShaderProgram& program, Frame& frame);

using TexturedMeshes = std::initializer_list<std::pair<const PackedMesh3d*, Frame*>>;

// Clears `target` to transparent black and draws the meshes into it in
// order, each textured by its frame, with the origami program (empty
// meshes are left out).
void DrawOrigamiInto(ShaderStorage& storage, Frame& target, const OrigamiCamera& camera,
                     ShaderProgram& program, TexturedMeshes meshes);

// The same at twice the target's width and height into a new frame, reduced
// into `target`: a 2 x 2 supersampled picture.
void DrawOrigami(ShaderStorage& storage, Frame& target, const OrigamiCamera& camera,
                 ShaderProgram& program, TexturedMeshes meshes);

// Adds the quad of corners a (bottom-left), b (bottom-right), c (top-right),
// d (top-left) with texture coordinates from (s0, t0) to (s1, t1), all with
// the normals given for its left (a, d) and right (b, c) edges.
void AddFlatQuad(PackedMesh3d& mesh, const glm::vec3 (&corners)[4], glm::vec2 uv0, glm::vec2 uv1,
                 const glm::vec3& leftNormal, const glm::vec3& rightNormal);

}  // namespace Obrisk::Ogl
