#include "transitions/TransitionOverlay.h"

namespace Obrisk::Ogl {

OverlayKind SetOverlayBlending(const DataVideoOGL& moving, const DataVideoOGL& behind) {
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  if (moving.IsEmptyTransparentFrame()) {
    // Colour: the larger of nothing and what is behind; alpha: the smaller.
    glBlendEquationSeparate(GL_MAX, GL_MIN);
    return OverlayKind::Cutout;
  }
  if (behind.IsEmptyTransparentFrame()) {
    glBlendEquationSeparate(GL_MAX, GL_MAX);
    return OverlayKind::OverEmpty;
  }
  glBlendEquation(GL_FUNC_ADD);
  return OverlayKind::Over;
}

void DrawQuadsWith(ShaderProgram& program, const PackedMesh& quads,
                   std::initializer_list<Frame*> textures) {
  int unit = 0;
  for (Frame* texture : textures) texture->GetFirstTexture().Use(unit++);
  Quad mesh(quads, GL_STREAM_DRAW);
  mesh.Activate();
  mesh.Draw(program);
}

}  // namespace Obrisk::Ogl
