#include "transitions/TransitionScale.h"

#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

const std::string_view& TransitionScale::GetName() const {
  static constexpr std::string_view kName = "TransitionScale";
  return kName;
}

// Growing: the second picture grows from the centre over the first, its
// half-size s = p. Shrinking plays that backwards: the first picture shrinks
// over the second. Any type but Grow shrinks.
void TransitionScale::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                 const Ptr<DataVideoOGL>& second, double, double progress,
                                 ShaderStorage& storage, const Ptr<OglCache>&) {
  const bool shrinking = DrawingSettings().GetType() != Proc::ScaleType::Grow;
  const TransitionPlayback play =
      Play(ConvertInputs(*first, *second, storage), progress, shrinking);
  const auto s = static_cast<float>(play.progress);
  PackedMesh scaled;
  scaled.AddQuad(QuadBetween({0.0f, 0.0f, -s, -s}, {1.0f, 1.0f, s, s}));
  storage.FBO().Attach(target->GetFirstTexture());
  play.frames.first->Draw(storage.FrameQuad(), storage);
  DrawThroughQuads(*play.frames.second, scaled, storage);
}

}  // namespace Obrisk::Ogl
