#include "effects/distort/EffectCameraShake.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "effects/distort/GeometryWarp.h"

namespace Obrisk::Ogl {
namespace {

// The noise's time per second at speed 1, its layers and their falloff per
// unit of the noise setting.
constexpr double kNoiseRate = 5.0;
constexpr int kNoiseOctaves = 8;
constexpr double kPersistencePerNoise = 0.5;
// The largest moves at amplitude 1: a tenth of the frame, and a tenth of a
// half turn.
constexpr double kMaxShift = 0.1;
constexpr double kMaxTurn = std::numbers::pi / 10.0;

using Corner = std::array<double, 2>;

// The corners of the frame turned by `turn` in display proportions (height
// to width `aspect`), as offsets from the centre in texture units, in the
// order bottom-left, bottom-right, top-right, top-left.
std::array<Corner, 4> TurnedCorners(double aspect, double turn) {
  const double theta = std::atan(aspect);
  const double c = 2.0 * std::cos(theta);
  const double s = 2.0 * std::sin(theta);
  return {{{-std::cos(theta - turn) / c, -std::sin(theta - turn) / s},
           {std::cos(theta + turn) / c, -std::sin(theta + turn) / s},
           {std::cos(theta - turn) / c, std::sin(theta - turn) / s},
           {-std::cos(theta + turn) / c, std::sin(theta + turn) / s}}};
}

// The largest scale, up to 1, at which the corners about (0.5 + dx,
// 0.5 + dy) stay inside the texture.
double FittingScale(const std::array<Corner, 4>& corners, double dx, double dy) {
  double k = 1.0;
  for (const Corner& o : corners) {
    k = std::min({k, std::fabs((0.5 + dx) / o[0]), std::fabs((0.5 - dx) / o[0]),
                  std::fabs((0.5 + dy) / o[1]), std::fabs((0.5 - dy) / o[1])});
  }
  return k;
}

}  // namespace

const std::string_view& EffectCameraShake::GetName() const {
  static constexpr std::string_view kName = "EffectCameraShake";
  return kName;
}

Ptr<OglCache> EffectCameraShake::CreateCache() {
  return CreateGeometryWarpCache();
}

void EffectCameraShake::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                   double time, double, ShaderStorage& storage,
                                   const Ptr<OglCache>& cache) {
  const Proc::SettingsEffectCameraShake& s = DrawingSettings();
  const double intensity = s.GetIntensity();
  const Proc::FrameInfo& info = source->GetFrameInfo();
  const double aspect = static_cast<double>(info.height) / info.width;
  const double tau = s.GetSpeed() * kNoiseRate * time;
  const double persistence = s.GetNoise() * kPersistencePerNoise;
  const double dx =
      intensity * s.GetXAmplitude() * kMaxShift * s.GetNoizeX(tau, kNoiseOctaves, persistence);
  const double dy = intensity * s.GetYAmplitude() * aspect * kMaxShift *
                    s.GetNoizeY(tau, kNoiseOctaves, persistence);
  const double turn = intensity * s.GetRotationAmplitude() * kMaxTurn *
                      s.GetNoizeR(tau, kNoiseOctaves, persistence);
  const std::array<Corner, 4> corners = TurnedCorners(aspect, turn);
  const double k = FittingScale(corners, dx, dy);
  std::array<Corner, 4> uv;
  for (std::size_t i = 0; i < uv.size(); ++i) {
    uv[i] = {0.5 + dx + k * corners[i][0], 0.5 + dy + k * corners[i][1]};
  }
  PackedMesh mesh;
  mesh.AddQuad(CentredQuad(uv));
  DrawGeometryWarp(*target, *source, mesh, storage, cache);
}

}  // namespace Obrisk::Ogl
