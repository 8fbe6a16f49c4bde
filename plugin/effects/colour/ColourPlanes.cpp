#include "effects/colour/ColourPlanes.h"

#include <vector>

namespace Obrisk::Ogl {

YUVTextures SplitIntoPlanes(Texture& rgb, const Proc::FrameInfo& info, Proc::PixFmt format,
                            YUVConverter& converter, ShaderStorage& storage) {
  YUVTextures codes(info, format, YUVTextures::Samples::Integer);
  if (codes.HasAlpha()) {
    converter.ToYUVA(rgb, codes);
  } else {
    converter.ToYUV(rgb, codes);
  }
  return codes.ToNormalized(storage);
}

SourcePlanes SplitSource(DataVideoOGL& source, bool alpha, ShaderStorage& storage) {
  Ptr<Frame> rgb = alpha ? source.FrameData()->ConvertToRGBA(storage)
                         : source.FrameData()->ConvertToRGB(storage);
  YUVConverter converter(storage, rgb->GetColorSpace());
  YUVTextures planes =
      SplitIntoPlanes(rgb->GetFirstTexture(), rgb->GetFrameInfo(),
                      alpha ? Proc::PixFmt::YUVA444P : Proc::PixFmt::YUV444P, converter, storage);
  return {std::move(rgb), converter, std::move(planes)};
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

void JoinPlanes(const YUVTextures& planes, YUVConverter& converter, Texture& target) {
  if (planes.HasAlpha()) {
    converter.ToRGBA(planes, target);
  } else {
    converter.ToRGB(planes, target);
  }
}

}  // namespace Obrisk::Ogl
