#include "effects/distort/Effect360Cylindrical.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include <glm/gtc/matrix_transform.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"
#include "obrisk/ogl/Mesh3d.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"Effect360Cylindrical", Shader::Mesh3d, R"(
uniform sampler2D tex;
varying vec2 TexCoord0;

// The footage where the sphere's point lies.
void main() {
  gl_FragColor = texture2D(tex, TexCoord0);
}
)",
                                 "Proc/Effects/Quenvara/Effect360Cylindrical"};

constexpr double kDegree = std::numbers::pi / 180.0;
// The sphere's facets: strips of 10 degrees of longitude, bands of 5 of
// latitude, and caps from 85 degrees to the poles.
constexpr int kStrip = 10;
constexpr int kBand = 5;
constexpr int kCap = 85;
constexpr int kPole = 90;
// The eye moves from the centre towards the view, at most this far.
constexpr double kEyeTravel = 0.8;
// A view straight at a pole leaves "up" undefined; the tilt stops short.
constexpr double kMaxTilt = 89.9 * kDegree;
// Keeps the sphere just inside the far plane of the infinite projection.
constexpr double kDepthMargin = 1e-6;

// The point at longitude `lambda` and latitude `phi` (degrees); the footage
// runs from longitude 360 at its left edge to 0 at its right, from the south
// pole at its bottom to the north pole at its top.
PackedMesh3d::Index AddSpherePoint(PackedMesh3d& mesh, int lambda, int phi) {
  const double l = lambda * kDegree;
  const double p = phi * kDegree;
  const glm::vec3 position(std::cos(l) * std::cos(p), std::sin(l) * std::cos(p), std::sin(p));
  return mesh.AddPoint(position, glm::vec2(1.0 - lambda / 360.0, (phi + kPole) / 180.0));
}

// A cap's triangle between two points at latitude `edge` and the pole.
void AddCap(PackedMesh3d& mesh, int a, int b, int edge, int pole) {
  const PackedMesh3d::Index pa = AddSpherePoint(mesh, a, edge);
  const PackedMesh3d::Index pb = AddSpherePoint(mesh, b, edge);
  mesh.AddTriangle(pb, pa, AddSpherePoint(mesh, a, pole));
}

PackedMesh3d SphereMesh() {
  PackedMesh3d mesh;
  for (int a = 0; a < 360; a += kStrip) {
    const int b = a + kStrip;
    AddCap(mesh, a, b, -kCap, -kPole);
    for (int phi = -kCap + kBand; phi <= kCap; phi += kBand) {
      const auto aLow = AddSpherePoint(mesh, a, phi - kBand);
      const auto bLow = AddSpherePoint(mesh, b, phi - kBand);
      const auto aHigh = AddSpherePoint(mesh, a, phi);
      const auto bHigh = AddSpherePoint(mesh, b, phi);
      mesh.AddTriangle(bLow, aLow, aHigh);
      mesh.AddTriangle(aHigh, bHigh, bLow);
    }
    AddCap(mesh, a, b, kCap, kPole);
  }
  return mesh;
}

// Perspective with the far plane at infinity and the near one at the eye.
glm::dmat4 InfinitePerspective(double fieldOfView, double aspect) {
  const double f = 1.0 / std::tan(fieldOfView / 2.0);
  glm::dmat4 projection(0.0);
  projection[0][0] = f / aspect;
  projection[1][1] = f;
  projection[2][2] = -(1.0 - kDepthMargin);
  projection[2][3] = -1.0;
  return projection;
}

glm::mat4 ViewMatrix(const Proc::SettingsEffect360Cylindrical& settings,
                     const Proc::FrameInfo& target) {
  // Yaw 0 faces the middle of the footage (longitude 180).
  const double lambda = std::numbers::pi - settings.GetYaw() * std::numbers::pi;
  const double phi = std::clamp(-settings.GetPitch() * std::numbers::pi / 2.0, -kMaxTilt, kMaxTilt);
  const glm::dvec3 centre(std::cos(lambda) * std::cos(phi), std::sin(lambda) * std::cos(phi),
                          std::sin(phi));
  const glm::dvec3 eye = kEyeTravel * settings.GetZoom() * centre;
  const glm::dmat4 view = glm::lookAtRH(eye, centre, glm::dvec3(0.0, 0.0, 1.0));
  const glm::dmat4 projection =
      InfinitePerspective(settings.GetFieldOfView() * kDegree, target.DisplayAspect());
  return glm::mat4(projection * view);
}

}  // namespace

// The sphere, built at the first frame that shows it: its buffers are made
// on the OpenGL thread then (the cache itself may be made on another).
class Effect360Cylindrical::CacheImpl final : public OglCache {
 public:
  Mesh3d& Sphere() {
    if (!sphere_) {
      sphere_ = std::make_unique<Mesh3d>();
      sphere_->Upload(SphereMesh(), GL_STATIC_DRAW);
    }
    return *sphere_;
  }

 private:
  std::unique_ptr<Mesh3d> sphere_;
};

const std::string_view& Effect360Cylindrical::GetName() const {
  static constexpr std::string_view kName = "Effect360Cylindrical";
  return kName;
}

Ptr<OglCache> Effect360Cylindrical::CreateCache() {
  return Ptr<OglCache>(new CacheImpl());
}

void Effect360Cylindrical::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                      double, double, ShaderStorage& storage,
                                      const Ptr<OglCache>& cache) {
  const Proc::SettingsEffect360Cylindrical& settings = DrawingSettings();
  CacheImpl& state = CacheAs<CacheImpl>(cache);
  if (!settings.GetEnabled()) {
    DrawSinglePass(storage, storage.GetShaderProgram(BuiltinProgram::kCopy), *target, *source,
                   [](ShaderProgram&) {});
    return;
  }
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  storage.FBO().Attach(target->GetFirstTexture());
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("MVP", ViewMatrix(settings, target->GetFrameInfo()), false);
  rgba->GetFirstTexture().Use(0);
  Mesh3d& sphere = state.Sphere();
  sphere.Activate();
  sphere.Draw(program);
}

}  // namespace Obrisk::Ogl
