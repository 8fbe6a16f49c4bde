// Y'CbCr planes of RGB pictures for the colour effects that work on one
// plane and pass the others through.
#pragma once

#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/YUVTextures.h"

namespace Obrisk::Ogl {

// The picture of `rgb` (an RGB or RGBA layout frame) as a new planar frame of
// `format`, with the frame's colour space's matrix and range.
Ptr<Frame> SplitIntoPlanes(Frame& rgb, Proc::PixFmt format, ShaderStorage& storage);

// A pooled texture with the size and layout of `plane`.
TexturePool::Lease PlaneLike(const Texture& plane);

// `planes` with plane `index` replaced by `replacement`; the others are shared.
YUVTextures WithPlane(const YUVTextures& planes, int index, Texture& replacement);

// Draws the planes as RGB(A) over the whole of `target`.
void JoinPlanes(const YUVTextures& planes, const Proc::ColorSpace& colorSpace, Texture& target,
                ShaderStorage& storage);

}  // namespace Obrisk::Ogl
