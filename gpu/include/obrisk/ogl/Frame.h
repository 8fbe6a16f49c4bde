// A picture on the GPU: one texture for RGBA-layout formats, one per plane
// for the planar Y'CbCr formats (0, 5, 33, 79).
#pragma once

#include <vector>

#include "obrisk/host/Media.h"
#include "obrisk/host/RefCount.h"
#include "obrisk/ogl/Texture.h"
#include "obrisk/ogl/YUVTextures.h"

namespace Obrisk::Ogl {

class Mesh;
class ShaderStorage;

class Frame : public RefCounted<IRefCountable> {
 public:
  // A frame without storage; Allocate gives it some.
  static Ptr<Frame> Create();
  // An allocated frame (OpenGL thread).
  static Ptr<Frame> CreateIntermediate(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                                       const Proc::FrameInfo& info);

  // Gives the frame storage for the format (OpenGL thread). Throws
  // OglException for formats that have no GPU layout here.
  void Allocate(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                const Proc::FrameInfo& info);
  bool IsValid() const { return !textures_.empty(); }
  // A new allocated frame shaped like this one.
  Ptr<Frame> AllocateIntermediate() const;

  // The same picture in RGBA layout: this frame when it already is; planar
  // frames are converted with their colour space's matrix and range (into
  // 26 with an alpha plane, else 2). ConvertToRGB gives an opaque frame (2).
  // Both leave the storage's framebuffer attached elsewhere when they draw.
  Ptr<Frame> ConvertToRGBA(ShaderStorage& storage);
  Ptr<Frame> ConvertToRGB(ShaderStorage& storage);

  // The first texture: the picture, or the luma plane of a planar frame.
  Texture& GetFirstTexture();
  // The planes of a planar frame; throws OglException for other formats.
  YUVTextures Planes();
  // Draws the first texture through `mesh` into the attached surface.
  void Draw(Mesh& mesh, ShaderStorage& storage);
  // Blends the first texture through `mesh` into the attached surface:
  // target = frame * opacity + target * (1 - opacity), colour and alpha alike.
  // Blending is on only for this draw.
  void Draw(Mesh& mesh, ShaderStorage& storage, float opacity);

  Proc::PixFmt GetPixelFormat() const { return format_; }
  const Proc::ColorSpace& GetColorSpace() const { return colorSpace_; }
  const Proc::FrameInfo& GetFrameInfo() const { return info_; }

 private:
  Frame() = default;
  // A new frame of `format` (26 with the alpha plane, 2 without) holding
  // the planes drawn as RGBA.
  Ptr<Frame> DrawPlanes(Proc::PixFmt format, ShaderStorage& storage);

  Proc::ColorSpace colorSpace_;
  Proc::PixFmt format_ = Proc::kPixFmtAlpha;
  Proc::FrameInfo info_;
  std::vector<TexturePool::Lease> textures_;
};

}  // namespace Obrisk::Ogl
