#include "transitions/TransitionBlinds.h"

#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

constexpr int kSlats = 4;
constexpr float kSlatWidth = 1.0f / kSlats;  // in texture units; twice that in clip units

// Slat i keeps the part of its quarter right of i + p quarters: its left edge
// moves right and the slat has gone at p = 1. Texture and position move
// together, so the picture itself stays in place.
PackedMesh Slats(float progress) {
  PackedMesh slats;
  slats.ReserveQuad(kSlats);
  for (int i = 0; i < kSlats; ++i) {
    const float left = kSlatWidth * (static_cast<float>(i) + progress);
    const float right = kSlatWidth * static_cast<float>(i + 1);
    slats.AddQuad(QuadBetween({left, 0.0f, 2.0f * left - 1.0f, -1.0f},
                              {right, 1.0f, 2.0f * right - 1.0f, 1.0f}));
  }
  return slats;
}

}  // namespace

const std::string_view& TransitionBlinds::GetName() const {
  static constexpr std::string_view kName = "TransitionBlinds";
  return kName;
}

void TransitionBlinds::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  storage.FBO().Attach(target->GetFirstTexture());
  frames.second->Draw(storage.FrameQuad(), storage);
  DrawThroughQuads(*frames.first, Slats(static_cast<float>(progress)), storage);
}

}  // namespace Obrisk::Ogl
