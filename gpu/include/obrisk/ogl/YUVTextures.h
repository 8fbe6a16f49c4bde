// Planar Y'CbCr pictures on the GPU: one 8-bit normalised texture per plane
// (Y, Cb, Cr and, for formats with alpha, A), and their conversion to and
// from RGBA with the YCbCr matrix and range of the picture's colour space.
#pragma once

#include <vector>

#include <glm/glm.hpp>

#include "obrisk/host/Media.h"
#include "obrisk/ogl/Texture.h"

namespace Obrisk::Ogl {

class ShaderStorage;

// The planes of one picture; the textures belong to their owner (a Frame).
class YUVTextures {
 public:
  static constexpr int kLuma = 0;
  static constexpr int kCb = 1;
  static constexpr int kCr = 2;
  static constexpr int kAlpha = 3;

  // True for the planar formats 0, 5, 33 and 79.
  static bool IsPlanar(Proc::PixFmt format);
  // The texture of each plane of a picture of that size: chroma halved both
  // ways (rounded up) for the 4:2:0 formats. Throws OglException for a
  // format that is not planar.
  static std::vector<Texture::Params> PlaneParams(Proc::PixFmt format, const Proc::FrameInfo& info);

  // Throws OglException when the planes do not fit the format.
  YUVTextures(Proc::PixFmt format, std::vector<Texture*> planes);

  Proc::PixFmt Format() const { return format_; }
  bool HasAlpha() const { return planes_.size() > kAlpha; }
  int PlaneCount() const { return static_cast<int>(planes_.size()); }
  Texture& Plane(int index) const { return *planes_.at(static_cast<std::size_t>(index)); }

 private:
  Proc::PixFmt format_;
  std::vector<Texture*> planes_;
};

// Between planes and RGBA, on the OpenGL thread. The colour space gives the
// matrix (H.273 codes 1, 5, 6, 9) and the range: limited puts Y' on 16 to 235
// and Cb, Cr on 16 to 240 (of 255), full on 0 to 255, both centring chroma
// on 128.
class YUVConverter {
 public:
  // Draws the picture as RGBA into the attached surface (chroma upsampled
  // bilinearly; alpha 1 without an alpha plane).
  static void ToRGBA(const YUVTextures& planes, const Proc::ColorSpace& colorSpace,
                     ShaderStorage& storage);
  // Renders an RGBA texture of the luma plane's size into the planes; the
  // 4:2:0 chroma is the mean of each 2x2 block. Leaves a plane attached to
  // the storage's framebuffer.
  static void FromRGBA(Texture& rgba, const Proc::ColorSpace& colorSpace, YUVTextures& planes,
                       ShaderStorage& storage);
};

// BT.709 Y'PbPr of a non-linear R'G'B' colour: Y' 0 to 1, Pb and Pr -0.5 to 0.5.
glm::vec3 RgbToBT709YpPbPr(const glm::vec3& rgb);

}  // namespace Obrisk::Ogl
