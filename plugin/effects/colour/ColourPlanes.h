// The colour effects that change some Y'CbCr planes of an RGB picture and
// pass the others through. They work on the 8-bit 4:4:4 code values a split
// into integer planes would hold, and join the result back to RGB(A), all in
// the effect's own pass: no plane is written.
#pragma once

#include <string>
#include <utility>

#include "frame/SinglePass.h"
#include "obrisk/ogl/YUVTextures.h"

namespace Obrisk::Ogl {

// GLSL for the start of a code pass's fragment source (GLSL 1.30, so that
// tables can be read with texelFetch), declaring `tex` (the
// source, read at its texels) and, besides YUVConverter::CodeFunctions,
//   vec4 SourceColour()                      the source pixel
//   vec3 CodesOf(vec4 colour)                its Y', Cb, Cr code values
//   vec4 Joined(vec3 samples, vec4 colour)   plane samples (code / 255) back
//                                            to RGB, with the colour's alpha
//                                            on the alpha path, else opaque
std::string CodePassFunctions();

// Draws `program` (made from CodePassFunctions) from `source` over the whole
// of `target` with the source's matrix and range; `alpha` picks the alpha
// path. `setUniforms` sets the program's own uniforms and binds its other
// textures (units 1 on).
template <class SetUniforms>
void DrawCodePass(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                  DataVideoOGL& source, bool alpha, SetUniforms&& setUniforms) {
  const YUVConverter converter(storage, source.FrameData()->GetColorSpace());
  DrawSinglePass(storage, program, target, source, [&](const ShaderProgram& bound) {
    converter.SetCodeUniforms(bound);
    bound.Uniform("keepAlpha", alpha ? 1.0f : 0.0f);
    setUniforms(bound);
  });
}

// The source's code values as plane samples, (Y', Cb, Cr, 1), in a new RGBA
// frame of its size: what the planes would hold, for measuring.
Ptr<Frame> DrawCodes(DataVideoOGL& source, ShaderStorage& storage);

}  // namespace Obrisk::Ogl
