#include "transitions/TransitionOrigamiFlips.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/MeshTransitions.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

// The second picture over the strips that have turned (and behind the one
// in flight), the first picture over the strips still to turn, and the strip
// in flight.
class TransitionOrigamiFlips::CacheImpl final : public OglCache {
 public:
  const OrigamiCamera camera = MakeOrigamiCamera();
  PackedMesh3d turned;
  PackedMesh3d waiting;
  PackedMesh3d flight;
};

namespace {

const ShaderSourceKeeper kShader{"TransitionOrigamiFlips", kOrigamiVertex, kOrigamiFragment,
                                 "Proc/Effects/Quenvara/TransitionOrigamiFlips"};

// How far the top strip's free edge rises towards the viewer while it
// turns, in strip heights at the half turn.
constexpr float kTopStripBulge = 0.1f;

// The strip in flight at a progress: its number k from the top and the
// fraction f of its half turn, 0 flat showing the first picture, 1 turned
// over showing the second.
struct Flight {
  int strip = 0;
  float turned = 0.0f;
};

Flight FlightAt(double progress, int strips) {
  const double phi = std::clamp(progress, 0.0, 1.0) * strips;
  const int strip = std::min(static_cast<int>(phi), strips - 1);
  return {strip, static_cast<float>(phi - strip)};
}

// The clip-space height of the strips' edge `edge` (0 the top, n the
// bottom; between whole numbers inside a strip) and its texture row.
float EdgeY(float edge, int strips) {
  return 1.0f - edge * 2.0f / static_cast<float>(strips);
}
float EdgeT(float edge, int strips) {
  return 1.0f - edge / static_cast<float>(strips);
}

const glm::vec3 kTowardsViewer{0.0f, 0.0f, 1.0f};

// The frame's full width between the edges `top` and `bottom`, showing the
// picture's rows between the same edges.
void AddBand(PackedMesh3d& mesh, float top, float bottom, int strips) {
  const float y0 = EdgeY(bottom, strips);
  const float y1 = EdgeY(top, strips);
  AddFlatQuad(mesh, {{-1.0f, y0, 0.0f}, {1.0f, y0, 0.0f}, {1.0f, y1, 0.0f}, {-1.0f, y1, 0.0f}},
              {0.0f, EdgeT(bottom, strips)}, {1.0f, EdgeT(top, strips)}, kTowardsViewer,
              kTowardsViewer);
}

// Strip k turns over its top edge: its free edge runs from the strip's
// bottom (k + 1) through the hinge (k, edge-on half way) to the bottom of
// the strip above (k - 1). Until then it shows its own rows of the first
// picture, lit by the fold angle; after, its back shows the rows of the
// strip above of the second picture, where it comes to rest.
void BuildFlight(PackedMesh3d& mesh, const Flight& flight, int strips) {
  const float angle = flight.turned * std::numbers::pi_v<float>;
  const auto hinge = static_cast<float>(flight.strip);
  const float free = hinge + std::cos(angle);
  const float rise = flight.strip == 0
                         ? kTopStripBulge * std::sin(angle) * 2.0f / static_cast<float>(strips)
                         : 0.0f;
  const float yHinge = EdgeY(hinge, strips);
  const float yFree = EdgeY(free, strips);
  mesh.Clear();
  if (flight.turned <= 0.5f) {
    const glm::vec3 normal{0.0f, std::sin(angle), std::cos(angle)};
    AddFlatQuad(
        mesh,
        {{-1.0f, yFree, rise}, {1.0f, yFree, rise}, {1.0f, yHinge, 0.0f}, {-1.0f, yHinge, 0.0f}},
        {0.0f, EdgeT(hinge + 1.0f, strips)}, {1.0f, EdgeT(hinge, strips)}, normal, normal);
  } else {
    const glm::vec3 normal{0.0f, -std::sin(angle), -std::cos(angle)};
    AddFlatQuad(
        mesh,
        {{-1.0f, yHinge, 0.0f}, {1.0f, yHinge, 0.0f}, {1.0f, yFree, rise}, {-1.0f, yFree, rise}},
        {0.0f, EdgeT(hinge, strips)}, {1.0f, EdgeT(hinge - 1.0f, strips)}, normal, normal);
  }
}

}  // namespace

const std::string_view& TransitionOrigamiFlips::GetName() const {
  static constexpr std::string_view kName = "TransitionOrigamiFlips";
  return kName;
}

Ptr<OglCache> TransitionOrigamiFlips::CreateCache() {
  return MakeRef<CacheImpl>();
}

// Everything lies flat but the strip in flight, which is drawn last, over
// the flat strips.
void TransitionOrigamiFlips::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                        const Ptr<DataVideoOGL>& second, double, double progress,
                                        ShaderStorage& storage, const Ptr<OglCache>& cache) {
  CacheImpl& state = CacheAs<CacheImpl>(cache);
  const int strips = std::max(DrawingSettings().GetNum(), 1);
  const Flight flight = FlightAt(progress, strips);
  const auto below = static_cast<float>(flight.strip + 1);
  state.turned.Clear();
  AddBand(state.turned, 0.0f, below, strips);
  state.waiting.Clear();
  if (flight.strip + 1 < strips) AddBand(state.waiting, below, static_cast<float>(strips), strips);
  BuildFlight(state.flight, flight, strips);

  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  Frame& flying = flight.turned > 0.5f ? *frames.second : *frames.first;
  DrawOrigamiInto(storage, *target, state.camera, storage.MakeShader(kShader),
                  {{&state.turned, frames.second.get()},
                   {&state.waiting, frames.first.get()},
                   {&state.flight, &flying}});
}

}  // namespace Obrisk::Ogl
