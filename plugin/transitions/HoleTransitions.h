// What the lens and spiral transitions share: a hole onto the second input
// that opens from a point and grows until it covers the frame.
#pragma once

#include <glm/vec2.hpp>

#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {

// Draws `program` (samplers `tex_top` = first input, `tex_bot` = second)
// with the hole's uniforms: `v_src` the point, `biggest_side` the distance
// from it to the farthest corner, `aspect` the size aspect, `t` = progress.
void DrawHoleTransition(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                        DataVideoOGL& first, DataVideoOGL& second, glm::vec2 point,
                        double progress);

}  // namespace Obrisk::Ogl
