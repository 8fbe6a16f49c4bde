#include "effects/colour/ColourPlanes.h"

#include <vector>

namespace Obrisk::Ogl {

Ptr<Frame> SplitIntoPlanes(Frame& rgb, Proc::PixFmt format, ShaderStorage& storage) {
  Ptr<Frame> planar = Frame::CreateIntermediate(rgb.GetColorSpace(), format, rgb.GetFrameInfo());
  YUVTextures planes = planar->Planes();
  YUVConverter::FromRGBA(rgb.GetFirstTexture(), rgb.GetColorSpace(), planes, storage);
  return planar;
}

TexturePool::Lease PlaneLike(const Texture& plane) {
  return TexturePool::GetInstance().GetTex(plane.GetParams());
}

YUVTextures WithPlane(const YUVTextures& planes, int index, Texture& replacement) {
  std::vector<Texture*> textures;
  for (int plane = 0; plane < planes.PlaneCount(); ++plane) {
    textures.push_back(plane == index ? &replacement : &planes.Plane(plane));
  }
  return YUVTextures(planes.Format(), std::move(textures));
}

void JoinPlanes(const YUVTextures& planes, const Proc::ColorSpace& colorSpace, Texture& target,
                ShaderStorage& storage) {
  storage.FBO().Attach(target);
  YUVConverter::ToRGBA(planes, colorSpace, storage);
}

}  // namespace Obrisk::Ogl
