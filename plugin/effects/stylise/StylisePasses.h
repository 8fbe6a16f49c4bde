// Passes shared by the stylising effects.
#pragma once

#include <functional>

#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/Texture.h"

namespace Obrisk::Ogl {

// A one-directional pass run twice: from `input` into `intermediate` with
// `local_step` = (1 / width, 0), then from there into `target` with
// (0, 1 / height). The program reads its input as `tex` on unit 0, texel
// by texel; `setUniforms` sets its other uniforms before the first pass.
void DrawSeparablePasses(ShaderStorage& storage, ShaderProgram& program, const Texture& input,
                         Texture& intermediate, Texture& target,
                         const std::function<void(ShaderProgram&)>& setUniforms);

// One full-frame pass into `target`; `setInputs` binds the program's
// textures and sets its uniforms (the program is in use by then).
void DrawFullFrame(ShaderStorage& storage, ShaderProgram& program, Texture& target,
                   const std::function<void(ShaderProgram&)>& setInputs);

}  // namespace Obrisk::Ogl
