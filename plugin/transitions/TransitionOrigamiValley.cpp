#include "transitions/TransitionOrigamiValley.h"

#include <cmath>
#include <numbers>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/MeshTransitions.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

class TransitionOrigamiValley::CacheImpl final : public OglCache {
 public:
  const OrigamiCamera camera = MakeOrigamiCamera();
  PackedMesh3d first;
  PackedMesh3d second;
};

namespace {

const ShaderSourceKeeper kShader{"TransitionOrigamiValley", kOrigamiVertex, kOrigamiFragment,
                                 "Proc/Effects/Quenvara/TransitionOrigamiValley"};

// The depth of the valley's fold at the start, in clip units (it flattens
// to 0 at the end).
constexpr float kFoldDepth = 0.2f;

const glm::vec3 kTowardsViewer{0.0f, 0.0f, 1.0f};
const glm::vec2 kLeftHalf0{0.0f, 0.0f};
const glm::vec2 kLeftHalf1{0.5f, 1.0f};
const glm::vec2 kRightHalf0{0.5f, 0.0f};
const glm::vec2 kRightHalf1{1.0f, 1.0f};

// The first picture's halves, split at the centre line and moved apart by
// p each.
void BuildSlidingHalves(PackedMesh3d& mesh, float p) {
  mesh.Clear();
  AddFlatQuad(
      mesh,
      {{-1.0f - p, -1.0f, 0.0f}, {-p, -1.0f, 0.0f}, {-p, 1.0f, 0.0f}, {-1.0f - p, 1.0f, 0.0f}},
      kLeftHalf0, kLeftHalf1, kTowardsViewer, kTowardsViewer);
  AddFlatQuad(mesh,
              {{p, -1.0f, 0.0f}, {1.0f + p, -1.0f, 0.0f}, {1.0f + p, 1.0f, 0.0f}, {p, 1.0f, 0.0f}},
              kRightHalf0, kRightHalf1, kTowardsViewer, kTowardsViewer);
}

// The second picture folded into a valley between x = -p and p, its centre
// line q deep; the halves face the viewer more as the fold opens.
void BuildValley(PackedMesh3d& mesh, float p) {
  const float q = (p - 1.0f) * kFoldDepth;
  const float angle = p * std::numbers::pi_v<float> / 2.0f;
  const glm::vec3 leftNormal{std::cos(angle), 0.0f, std::sin(angle)};
  const glm::vec3 rightNormal{-std::cos(angle), 0.0f, std::sin(angle)};
  mesh.Clear();
  AddFlatQuad(mesh, {{-p, -1.0f, 0.0f}, {0.0f, -1.0f, q}, {0.0f, 1.0f, q}, {-p, 1.0f, 0.0f}},
              kLeftHalf0, kLeftHalf1, leftNormal, leftNormal);
  AddFlatQuad(mesh, {{0.0f, -1.0f, q}, {p, -1.0f, 0.0f}, {p, 1.0f, 0.0f}, {0.0f, 1.0f, q}},
              kRightHalf0, kRightHalf1, rightNormal, rightNormal);
}

}  // namespace

const std::string_view& TransitionOrigamiValley::GetName() const {
  static constexpr std::string_view kName = "TransitionOrigamiValley";
  return kName;
}

Ptr<OglCache> TransitionOrigamiValley::CreateCache() {
  return MakeRef<CacheImpl>();
}

// The valley lies behind the halves (z <= 0) and is drawn first.
void TransitionOrigamiValley::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                         const Ptr<DataVideoOGL>& second, double, double progress,
                                         ShaderStorage& storage, const Ptr<OglCache>& cache) {
  CacheImpl& state = CacheAs<CacheImpl>(cache);
  const auto p = static_cast<float>(progress);
  BuildSlidingHalves(state.first, p);
  BuildValley(state.second, p);
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  DrawOrigami(storage, *target, state.camera, storage.MakeShader(kShader),
              {{&state.second, frames.second.get()}, {&state.first, frames.first.get()}});
}

}  // namespace Obrisk::Ogl
