// Laying a moving picture (spinning, or in pieces) over the picture behind
// it, with the two cases of empty transparent inputs that the spin and cross
// transitions share.
#pragma once

#include <initializer_list>

#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/Mesh.h"
#include "obrisk/ogl/ShaderProgram.h"

namespace Obrisk::Ogl {

enum class OverlayKind {
  // The moving picture is composited over the one behind by its alpha.
  Over,
  // The picture behind is empty and transparent: the moving picture's own
  // colour and alpha replace it within its shape.
  OverEmpty,
  // The moving picture is empty and transparent: it keeps the colour behind
  // and cuts its shape out of the alpha there.
  Cutout
};

// Chooses the kind for these inputs and sets its blend function and
// equations; call inside a TransitionBlending scope, which undoes them.
OverlayKind SetOverlayBlending(const DataVideoOGL& moving, const DataVideoOGL& behind);

// Draws `quads` with `program`, already in use with its uniforms set, into
// the attached surface, `textures` bound to units 0, 1, ... in order.
void DrawQuadsWith(ShaderProgram& program, const PackedMesh& quads,
                   std::initializer_list<Frame*> textures);

}  // namespace Obrisk::Ogl
