// Y'CbCr planes of RGB pictures for the colour effects that work on some
// planes and pass the others through.
#pragma once

#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/YUVTextures.h"

namespace Obrisk::Ogl {

// The picture in `rgb` (RGB or RGBA layout, the luma plane's size) split into
// exact code values of `format` (alpha too for formats with alpha), returned
// as normalised planes to sample.
YUVTextures SplitIntoPlanes(Texture& rgb, const Proc::FrameInfo& info, Proc::PixFmt format,
                            YUVConverter& converter, ShaderStorage& storage);

// A source frame in RGB(A) layout, its converter and its 4:4:4 planes.
struct SourcePlanes {
  Ptr<Frame> rgb;
  YUVConverter converter;
  YUVTextures planes;
};

// The source as RGBA with an alpha plane on the alpha path, else as opaque
// RGB without one.
SourcePlanes SplitSource(DataVideoOGL& source, bool alpha, ShaderStorage& storage);

// A pooled texture with the size and layout of `plane`.
TexturePool::Lease PlaneLike(const Texture& plane);

// A view of `planes` with plane `index` replaced by `replacement`; the others
// are shared.
YUVTextures WithPlane(const YUVTextures& planes, int index, Texture& replacement);

// Draws normalised planes over the whole of `target`: RGBA with the set's
// alpha plane, or opaque RGB for a set without one. The planes are drawn as
// they are; turning them back into integer codes first would change nothing.
void JoinPlanes(const YUVTextures& planes, YUVConverter& converter, Texture& target);

}  // namespace Obrisk::Ogl
