// Planar Y'CbCr pictures on the GPU: one 8-bit texture per plane (Y, Cb, Cr
// and, for formats with alpha, A), and their conversion to and from RGBA with
// the YCbCr matrix and range of the picture's colour space.
//
// A set's planes are either normalised (GL_R8: a code value v reads as
// v / 255 in a shader) or integer (GL_R8UI: the code value itself, read with
// a usampler2D and texelFetch). Effects that work on exact code values split
// into an integer set and convert it with ToNormalized to filter it; the
// way back is ToInteger.
#pragma once

#include <string_view>
#include <vector>

#include <glm/glm.hpp>

#include "obrisk/host/Media.h"
#include "obrisk/ogl/Texture.h"

namespace Obrisk::Ogl {

class ShaderProgram;
class ShaderStorage;

// The planes of one picture: either a view of planes owned elsewhere (a
// Frame's) or a set that owns textures lent by the texture pool.
class YUVTextures {
 public:
  static constexpr int kLuma = 0;
  static constexpr int kCb = 1;
  static constexpr int kCr = 2;
  static constexpr int kAlpha = 3;

  enum class Samples { Normalized, Integer };

  // True for the planar formats 0, 5, 33 and 79.
  static bool IsPlanar(Proc::PixFmt format);
  // The texture of each plane of a picture of that size: chroma halved both
  // ways (rounded up) for the 4:2:0 formats. Throws OglException for a
  // format that is not planar.
  static std::vector<Texture::Params> PlaneParams(Proc::PixFmt format, const Proc::FrameInfo& info,
                                                  Samples samples = Samples::Normalized);

  // A set of its own for a picture of that size and format, lent by the
  // texture pool (OpenGL thread); contents undefined.
  YUVTextures(const Proc::FrameInfo& info, Proc::PixFmt format, Samples samples);
  // A view of planes owned elsewhere. Throws OglException when the planes do
  // not fit the format or mix normalised and integer textures.
  YUVTextures(Proc::PixFmt format, std::vector<Texture*> planes);

  Proc::PixFmt Format() const { return format_; }
  Samples GetSamples() const { return samples_; }
  bool IsInteger() const { return samples_ == Samples::Integer; }
  bool HasAlpha() const { return planes_.size() > kAlpha; }
  int PlaneCount() const { return static_cast<int>(planes_.size()); }
  Texture& Plane(int index) const { return *planes_.at(static_cast<std::size_t>(index)); }
  // Width and height of the luma plane: the picture's size.
  Proc::FrameInfo Size() const;

  // A new set of the same geometry holding the same code values as
  // normalised (integer) planes: v becomes v / 255 and back. Throws
  // OglException when the set already is normalised (integer). Leaves the
  // last plane attached to the storage's framebuffer.
  YUVTextures ToNormalized(ShaderStorage& storage) const;
  YUVTextures ToInteger(ShaderStorage& storage) const;

 private:
  YUVTextures(Proc::PixFmt format, Samples samples, std::vector<TexturePool::Lease> owned);

  Proc::PixFmt format_;
  Samples samples_ = Samples::Normalized;
  std::vector<TexturePool::Lease> owned_;
  std::vector<Texture*> planes_;
};

// Between planes and RGBA, on the OpenGL thread. The colour space gives the
// matrix (H.273 codes 1, 5, 6, 9) and the range: limited puts Y' on 16 to 235
// and Cb, Cr on 16 to 240 (of 255), full on 0 to 255, both centring chroma
// on 128. Sets of either kind of samples are accepted everywhere; integer
// planes are written with the code value rounded to the nearest.
class YUVConverter {
 public:
  // Throws OglException for a matrix it does not know.
  YUVConverter(ShaderStorage& storage, const Proc::ColorSpace& colorSpace);

  // Split an RGB(A) texture of the luma plane's size into the planes; the
  // 4:2:0 chroma is the mean of each 2x2 block. ToYUVA writes the alpha
  // plane too (OglException for a set without one); ToYUV writes Y', Cb and
  // Cr only. Both leave a plane attached to the storage's framebuffer.
  void ToYUVA(Texture& rgba, YUVTextures& planes);
  void ToYUV(Texture& rgb, YUVTextures& planes);

  // Draw the planes as RGBA into `target`, which is left attached to the
  // storage's framebuffer (chroma upsampled bilinearly). ToRGBA takes alpha
  // from the set's alpha plane (1 without one) or from the plane given;
  // ToRGB writes alpha 1.
  void ToRGBA(const YUVTextures& planes, Texture& target);
  void ToRGBA(const YUVTextures& planes, Texture& alpha, Texture& target);
  void ToRGB(const YUVTextures& planes, Texture& target);

  // For passes that take a picture through 4:4:4 code values without
  // drawing planes: GLSL that declares the uniforms SetCodeUniforms sets and
  //   vec3 PlaneSamples(vec3 rgb)      R'G'B' to plane samples, as the splits
  //   vec3 NearestCodes(vec3 samples)  the code values an integer split writes
  //   vec3 RgbOfSamples(vec3 samples)  back to R'G'B', as ToRGB draws
  // A code value c reads from a normalised plane as c / codeMax.
  static std::string_view CodeFunctions();
  void SetCodeUniforms(const ShaderProgram& program) const;

 private:
  void Split(Texture& rgb, YUVTextures& planes, int planeCount);
  void Draw(const YUVTextures& planes, Texture* alpha, Texture& target);

  ShaderStorage& storage_;
  glm::dmat3 toYpbpr_;
  glm::dvec3 gain_;
  glm::dvec3 bias_;
};

// BT.709 Y'PbPr of a non-linear R'G'B' colour: Y' 0 to 1, Pb and Pr -0.5 to 0.5.
glm::vec3 RgbToBT709YpPbPr(const glm::vec3& rgb);

}  // namespace Obrisk::Ogl
