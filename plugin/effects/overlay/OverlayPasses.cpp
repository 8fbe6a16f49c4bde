#include "effects/overlay/OverlayPasses.h"

namespace Obrisk::Ogl {

void CopyInto(ShaderStorage& storage, Frame& target, Frame& rgba) {
  storage.FBO().Attach(target.GetFirstTexture());
  rgba.Draw(storage.FrameQuad(), storage);
}

void FinishWithSource(ShaderStorage& storage, Frame& target, Frame& rgba, float intensity) {
  storage.FBO().Attach(target.GetFirstTexture());
  rgba.Draw(storage.FrameQuad(), storage, 1.0f - intensity);
}

}  // namespace Obrisk::Ogl
