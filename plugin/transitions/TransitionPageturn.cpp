#include "transitions/TransitionPageturn.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/MeshTransitions.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

// The page as two meshes, rebuilt every frame: the part still lying flat
// and the part past the fold line, wrapped around the roll and turned over.
// Their GPU buffers are made on the OpenGL thread, at the first frame.
class TransitionPageturn::CacheImpl final : public OglCache {
 public:
  PackedMesh3d flat;
  PackedMesh3d curl;

  Mesh3d& UploadFlat() { return Uploaded(flatMesh_, flat); }
  Mesh3d& UploadCurl() { return Uploaded(curlMesh_, curl); }

 private:
  static Mesh3d& Uploaded(std::unique_ptr<Mesh3d>& mesh, const PackedMesh3d& packed) {
    if (!mesh) mesh = std::make_unique<Mesh3d>();
    mesh->Upload(packed, GL_DYNAMIC_DRAW);
    return *mesh;
  }

  std::unique_ptr<Mesh3d> flatMesh_;
  std::unique_ptr<Mesh3d> curlMesh_;
};

namespace {

// A natural cubic spline through values at 0, 0.25, 0.5, 0.75 and 1; flat
// beyond them.
class NaturalSpline {
 public:
  static constexpr int kKnots = 5;
  static constexpr double kStep = 1.0 / (kKnots - 1);

  explicit NaturalSpline(const std::array<double, kKnots>& values) : values_(values) {
    // The inner knots' second derivatives (0 at both ends) from the
    // tridiagonal system m[i-1] + 4 m[i] + m[i+1] = 6 / h^2 (second
    // difference), solved by forward elimination and back substitution.
    std::array<double, kKnots> diagonal{};
    std::array<double, kKnots> right{};
    for (int i = 1; i < kKnots - 1; ++i) {
      diagonal[i] = 4.0;
      right[i] = 6.0 / (kStep * kStep) * (values[i + 1] - 2.0 * values[i] + values[i - 1]);
      if (i > 1) {
        diagonal[i] -= 1.0 / diagonal[i - 1];
        right[i] -= right[i - 1] / diagonal[i - 1];
      }
    }
    for (int i = kKnots - 2; i >= 1; --i) {
      second_[i] = (right[i] - second_[i + 1]) / diagonal[i];
    }
  }

  double operator()(double x) const {
    x = std::clamp(x, 0.0, 1.0);
    const int i = std::min(static_cast<int>(x / kStep), kKnots - 2);
    const double after = x - i * kStep;
    const double before = kStep - after;
    return (second_[i] * before * before * before + second_[i + 1] * after * after * after) /
               (6.0 * kStep) +
           (values_[i] / kStep - second_[i] * kStep / 6.0) * before +
           (values_[i + 1] / kStep - second_[i + 1] * kStep / 6.0) * after;
  }

 private:
  std::array<double, kKnots> values_;
  std::array<double, kKnots> second_{};
};

// The share of the way the fold line has gone (slow to start and to end),
// and the roll's radius, widest half way.
const NaturalSpline& TravelCurve() {
  static const NaturalSpline curve({0.0, 0.18, 0.5, 0.82, 1.0});
  return curve;
}
const NaturalSpline& RadiusCurve() {
  static const NaturalSpline curve({0.08, 0.16, 0.2, 0.16, 0.08});
  return curve;
}

// The eye looks at the page from this distance with a focal length as
// long, so that the flat page fills the frame exactly.
constexpr float kEyeDistance = 3.0f;
// Squares of the page mesh along each side: the roll's half turn spans
// about ten of them at its narrowest.
constexpr int kGrid = 96;
// The page's edges are softened over 1 / rChamfer of the width; the
// softening grows in over the first and last 4 % of the transition
// (1 / 25) and is off at the ends, where the page lies whole and flat. The
// hard-edged look makes it a million times narrower.
constexpr double kChamfer = 300.0;
constexpr double kChamferRise = 25.0;
constexpr double kChamferFloor = 1e-6;
constexpr double kHardChamfer = 1e6;
// The softening applies to the page up to a height of in_out = 3 p; the
// hard-edged look lifts that above the roll.
constexpr double kSofteningRise = 3.0;
constexpr double kHardSofteningHeight = 10.0;
// The back of the page: grey paper (opacity of the grey over the picture
// seen through it, 200 / 255), a highlight (100 / 255), lit from above
// the page's back, a little from the upper left.
constexpr float kPaperOpacity = 200.0f / 255.0f;
constexpr float kSpecular = 100.0f / 255.0f;
const glm::vec3 kBackSideLight = glm::normalize(glm::vec3(-0.3f, 0.4f, -1.0f));

// Softens the page's edges: 0 on the border, 1 from 1 / rChamfer inwards
// (the height counted in widths, by rAspect).
constexpr std::string_view kIndentFunction = R"(
uniform float rAspect;
uniform float rChamfer;

float PageIndent(vec2 uv) {
  return min(1.0, min(min(uv.x, 1.0 - uv.x), min(uv.y, 1.0 - uv.y) * rAspect) * rChamfer);
}
)";

// The flat part of the page: its texel, premultiplied, with soft edges.
const ShaderSourceKeeper kDraw{"TransitionPageTurnDraw", Shader::Mesh3d,
                               [] {
                                 return std::string(kIndentFunction) + R"(
uniform sampler2D tex;
varying vec2 TexCoord0;

void main() {
  vec4 colour = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(colour.rgb * colour.a, colour.a) * PageIndent(TexCoord0);
}
)";
                               },
                               "Proc/Effects/Quenvara/TransitionPageturn"};

// The page past the fold line: the normal and the softening's share for
// the fragment stage.
constexpr std::string_view kTurnVertex = R"(
attribute vec3 vbo_xyz;
attribute vec3 vbo_norm;
attribute vec2 vbo_uv;
uniform mat3 NormalMatrix;
uniform mat4 MVP;
uniform float in_out;
varying vec2 TexCoord0;
varying vec3 normal;
varying float local_smooth;

void main() {
  local_smooth = (in_out - vbo_xyz.z) * 3.0;
  normal = normalize(NormalMatrix * vbo_norm);
  TexCoord0 = vbo_uv;
  gl_Position = MVP * vec4(vbo_xyz, 1.0);
}
)";

// The curled page in the colour `colour` (a GLSL expression): its front lit
// from the viewer; its back grey paper over the colour with a highlight,
// lit by back_side_light; both premultiplied, with the edges softened where
// local_smooth says.
std::string TurnFragment(std::string_view colour) {
  return std::string(kIndentFunction) + R"(
uniform sampler2D tex;
uniform float opacity;
uniform float specular_color;
uniform vec3 back_side_light;
varying vec2 TexCoord0;
varying vec3 normal;
varying float local_smooth;

void main() {
  vec4 colour = )" +
         std::string(colour) +
         R"(;
  vec3 N = normalize(normal);
  float s = clamp(local_smooth, 0.0, 1.0);
  float front = gl_FrontFacing ? 1.0 : 0.0;
  float D = dot(N, vec3(0.0, 0.0, 1.0));
  vec4 frontColour = colour * vec4(D, D, D, 1.0);
  float backD = 0.2 + 0.8 * dot(N, back_side_light);
  float highlight = specular_color / (30.0 * (1.0 - backD) + backD) * backD;
  vec4 backColour = vec4(backD * (mix(colour.rgb, vec3(0.6), opacity) + highlight), colour.a);
  frontColour.rgb *= frontColour.a;
  backColour.rgb *= backColour.a;
  float indent = 1.0 - (1.0 - PageIndent(TexCoord0)) * s;
  gl_FragColor = mix(backColour, frontColour, front) * indent;
}
)";
}

const ShaderSourceKeeper kTurn{"TransitionPageTurn", kTurnVertex,
                               [] { return TurnFragment("texture2D(tex, TexCoord0)"); },
                               "Proc/Effects/Quenvara/TransitionPageturn"};
const ShaderSourceKeeper kBlackTurn{"TransitionBlackTurn", kTurnVertex,
                                    [] { return TurnFragment("vec4(0.0, 0.0, 0.0, 1.0)"); },
                                    "Proc/Effects/Quenvara/TransitionPageturn"};

// The page in its own units: x from -aspect to aspect, y from -1 to 1,
// z towards the viewer. The fold line runs across the diagonal from the
// lifted corner; `along` is the unit vector along that diagonal.
struct PageFrame {
  float aspect = 1.0f;
  glm::vec2 corner{0.0f};
  glm::vec2 along{0.0f};
};

PageFrame MakePageFrame(Proc::PageturnDirection direction, float aspect) {
  const bool left = direction == Proc::PageturnDirection::BottomLeft ||
                    direction == Proc::PageturnDirection::TopLeft;
  const bool top = direction == Proc::PageturnDirection::TopRight ||
                   direction == Proc::PageturnDirection::TopLeft;
  const glm::vec2 corner{left ? -aspect : aspect, top ? 1.0f : -1.0f};
  return {aspect, corner, glm::normalize(-corner)};
}

// A point of the page after the curl: flat before the fold line; past it,
// wrapped around the roll (its front turned inwards) and, beyond the half
// turn, lying turned over on top of the page at twice the radius.
PackedMesh3d::Vertex Curled(const PageFrame& page, const PageCurl& curl, glm::vec2 uv) {
  const glm::vec2 flat{page.aspect * (2.0f * uv.x - 1.0f), 2.0f * uv.y - 1.0f};
  const auto travel = static_cast<float>(curl.travel);
  const auto radius = static_cast<float>(curl.radius);
  const float past = travel - glm::dot(flat - page.corner, page.along);
  if (past <= 0.0f) return {{flat, 0.0f}, {0.0f, 0.0f, 1.0f}, uv};
  const glm::vec2 onFold = flat + past * page.along;
  const float halfTurn = std::numbers::pi_v<float> * radius;
  if (past >= halfTurn) {
    return {{onFold + (past - halfTurn) * page.along, 2.0f * radius}, {0.0f, 0.0f, -1.0f}, uv};
  }
  const float angle = past / radius;
  return {{onFold - radius * std::sin(angle) * page.along, radius * (1.0f - std::cos(angle))},
          {std::sin(angle) * page.along, std::cos(angle)},
          uv};
}

// The page's grid of points after the curl, in both meshes; a square with
// every corner before the fold line is drawn flat, the others with the curl.
void BuildPage(PackedMesh3d& flat, PackedMesh3d& curl, const PageFrame& page,
               const PageCurl& shape) {
  flat.Clear();
  curl.Clear();
  std::vector<bool> lying;
  lying.reserve((kGrid + 1) * (kGrid + 1));
  for (int j = 0; j <= kGrid; ++j) {
    for (int i = 0; i <= kGrid; ++i) {
      const PackedMesh3d::Vertex point =
          Curled(page, shape, glm::vec2(i, j) / static_cast<float>(kGrid));
      flat.AddPoint(point.position, point.uv, point.normal);
      curl.AddPoint(point.position, point.uv, point.normal);
      lying.push_back(point.position.z == 0.0f);
    }
  }
  for (int j = 0; j < kGrid; ++j) {
    for (int i = 0; i < kGrid; ++i) {
      const auto at = [](int column, int row) {
        return static_cast<PackedMesh3d::Index>(row * (kGrid + 1) + column);
      };
      const std::array<PackedMesh3d::Index, 4> corners{at(i, j), at(i + 1, j), at(i + 1, j + 1),
                                                       at(i, j + 1)};
      const bool flatSquare = std::all_of(corners.begin(), corners.end(),
                                          [&](PackedMesh3d::Index index) { return lying[index]; });
      (flatSquare ? flat : curl).AddQuad(corners[0], corners[1], corners[2], corners[3]);
    }
  }
}

// The camera straight above the page's centre; the page's x is scaled to
// the frame's width after the curl, so that the roll is round on screen.
glm::mat4 PageMatrix(float aspect) {
  const glm::mat4 view = glm::lookAt(glm::vec3(0.0f, 0.0f, kEyeDistance), glm::vec3(0.0f),
                                     glm::vec3(0.0f, 1.0f, 0.0f));
  return Perspective(kEyeDistance) * view *
         glm::scale(glm::mat4(1.0f), glm::vec3(1.0f / aspect, 1.0f, 1.0f));
}

// The look's values for the page's programs at a progress.
struct Look {
  const ShaderSourceKeeper<std::string_view, ShaderSourceFunction>* turn = &kTurn;
  double chamfer = 0.0;
  double softeningHeight = 0.0;
};

Look LookAt(Proc::PageturnType type, double progress) {
  const double soft =
      kChamfer / (std::min(kChamferRise * std::min(progress, 1.0 - progress), 1.0) + kChamferFloor);
  Look look;
  look.chamfer = soft;
  look.softeningHeight = kSofteningRise * progress;
  if (type == Proc::PageturnType::Blank) look.turn = &kBlackTurn;
  if (type == Proc::PageturnType::Sharp) {
    look.chamfer = soft * kHardChamfer;
    look.softeningHeight = kHardSofteningHeight;
  }
  return look;
}

void SetIndentUniforms(const ShaderProgram& program, const Look& look, float aspect) {
  program.Uniform("tex", 0);
  program.Uniform("rAspect", 1.0 / aspect);
  program.Uniform("rChamfer", look.chamfer);
}

}  // namespace

PageCurl TransitionPageturn::CurlAt(double progress, double diagonal) {
  const double endRadius = RadiusCurve()(1.0);
  return {TravelCurve()(progress) * (diagonal + endRadius), RadiusCurve()(progress)};
}

const std::string_view& TransitionPageturn::GetName() const {
  static constexpr std::string_view kName = "TransitionPageturn";
  return kName;
}

Ptr<OglCache> TransitionPageturn::CreateCache() {
  return MakeRef<CacheImpl>();
}

// Drawn over the second picture, back to front: the flat part, then the
// curl's faces that face the viewer (the roll's underside), then those that
// face away (the roll's top and the turned-over part, which lie above).
void TransitionPageturn::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                    const Ptr<DataVideoOGL>& second, double, double progress,
                                    ShaderStorage& storage, const Ptr<OglCache>& cache) {
  CacheImpl& state = CacheAs<CacheImpl>(cache);
  const auto& settings = DrawingSettings();
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  const auto aspect = static_cast<float>(frames.first->GetFrameInfo().DisplayAspect());
  const PageFrame page = MakePageFrame(settings.GetDir(), aspect);
  BuildPage(state.flat, state.curl, page,
            CurlAt(progress, 2.0 * std::hypot(static_cast<double>(aspect), 1.0)));
  Mesh3d& flatMesh = state.UploadFlat();
  Mesh3d& curlMesh = state.UploadCurl();
  const glm::mat4 mvp = PageMatrix(aspect);
  const Look look = LookAt(settings.GetType(), progress);

  storage.FBO().Attach(target->GetFirstTexture());
  frames.second->Draw(storage.FrameQuad(), storage);
  const TransitionBlending blending;
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  frames.first->GetFirstTexture().Use(0);

  if (!flatMesh.IsEmpty()) {
    ShaderProgram& draw = storage.MakeShader(kDraw);
    draw.Use();
    SetIndentUniforms(draw, look, aspect);
    draw.Uniform("MVP", mvp, false);
    flatMesh.Activate();
    flatMesh.Draw(draw);
  }
  if (curlMesh.IsEmpty()) return;
  ShaderProgram& turn = storage.MakeShader(*look.turn);
  turn.Use();
  SetIndentUniforms(turn, look, aspect);
  turn.Uniform("MVP", mvp, false);
  turn.Uniform("NormalMatrix", glm::mat3(1.0f), false);
  turn.Uniform("opacity", kPaperOpacity);
  turn.Uniform("specular_color", kSpecular);
  turn.Uniform("back_side_light", kBackSideLight);
  turn.Uniform("in_out", look.softeningHeight);
  const EnableState culling(GL_CULL_FACE);
  curlMesh.Activate();
  for (GLenum culled : {GL_BACK, GL_FRONT}) {
    glCullFace(culled);
    curlMesh.Draw(turn);
  }
  glCullFace(GL_BACK);
}

}  // namespace Obrisk::Ogl
