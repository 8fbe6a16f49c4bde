#include "transitions/TransitionOrigamiPleats.h"

#include <cmath>
#include <numbers>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/MeshTransitions.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

class TransitionOrigamiPleats::CacheImpl final : public OglCache {
 public:
  const OrigamiCamera camera = MakeOrigamiCamera();
  PackedMesh3d sheet;
  PackedMesh3d pleats;
};

namespace {

const ShaderSourceKeeper kShader{"TransitionOrigamiPleats", kOrigamiVertex, kOrigamiFragment,
                                 "Proc/Effects/Quenvara/TransitionOrigamiPleats"};

// The depth of the pleats' folds at the start, in clip units.
constexpr float kFoldDepth = 0.2f;

// The first picture moved sideways by 2 p d.
void BuildSheet(PackedMesh3d& mesh, float p, float d) {
  const float x = 2.0f * p * d;
  const glm::vec3 towardsViewer{0.0f, 0.0f, 1.0f};
  mesh.Clear();
  AddFlatQuad(mesh,
              {{x - 1.0f, -1.0f, 0.0f},
               {x + 1.0f, -1.0f, 0.0f},
               {x + 1.0f, 1.0f, 0.0f},
               {x - 1.0f, 1.0f, 0.0f}},
              {0.0f, 0.0f}, {1.0f, 1.0f}, towardsViewer, towardsViewer);
}

// The second picture in n strips folded alternately q deep, spread over
// 2 p of the frame from the edge the sheet leaves; d = -1 mirrors both the
// motion and the order of the strips' texture.
void BuildPleats(PackedMesh3d& mesh, int n, float p, float d) {
  const float q = (p - 1.0f) * kFoldDepth;
  const float facing = std::sin(p * std::numbers::pi_v<float> / 2.0f);
  const float h = std::abs((d - 1.0f) * 0.5f);
  const float width = 2.0f * p / static_cast<float>(n);
  mesh.Clear();
  for (int i = 0; i < n; ++i) {
    const bool even = i % 2 == 0;
    const float x0 = d * (static_cast<float>(i) * width - 1.0f);
    const float x1 = d * (static_cast<float>(i + 1) * width - 1.0f);
    const float z0 = even ? 0.0f : q;
    const float z1 = even ? q : 0.0f;
    const float slope = (even ? 1.0f : -2.0f) * (1.0f - facing) * d;
    const glm::vec3 normal{slope, 0.0f, facing};
    const float s0 = std::abs(static_cast<float>(i) / static_cast<float>(n) - h);
    const float s1 = std::abs(static_cast<float>(i + 1) / static_cast<float>(n) - h);
    AddFlatQuad(mesh, {{x0, -1.0f, z0}, {x1, -1.0f, z1}, {x1, 1.0f, z1}, {x0, 1.0f, z0}},
                {s0, 0.0f}, {s1, 1.0f}, normal, normal);
  }
}

}  // namespace

const std::string_view& TransitionOrigamiPleats::GetName() const {
  static constexpr std::string_view kName = "TransitionOrigamiPleats";
  return kName;
}

Ptr<OglCache> TransitionOrigamiPleats::CreateCache() {
  return MakeRef<CacheImpl>();
}

// The pleats lie behind the sheet (z <= 0) and are drawn first.
void TransitionOrigamiPleats::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                         const Ptr<DataVideoOGL>& second, double, double progress,
                                         ShaderStorage& storage, const Ptr<OglCache>& cache) {
  CacheImpl& state = CacheAs<CacheImpl>(cache);
  const auto& settings = DrawingSettings();
  const auto p = static_cast<float>(progress);
  const auto d = static_cast<float>(settings.GetDir());
  BuildSheet(state.sheet, p, d);
  BuildPleats(state.pleats, settings.GetNum(), p, d);
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  DrawOrigami(storage, *target, state.camera, storage.MakeShader(kShader),
              {{&state.pleats, frames.second.get()}, {&state.sheet, frames.first.get()}});
}

}  // namespace Obrisk::Ogl
