#include "obrisk/ogl/Frame.h"

#include <fmt/format.h>

#include "obrisk/ogl/Mesh.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {
namespace {

Texture::Params TextureParamsFor(Proc::PixFmt format, const Proc::FrameInfo& info) {
  Texture::Params params;
  params.width = info.width;
  params.height = info.height;
  switch (format) {
    case Proc::PixFmt::RGBX:
    case Proc::PixFmt::RGBA:
      return params;
    case Proc::PixFmt::RGBA_HALF:
      params.internalFormat = GL_RGBA16F;
      params.type = GL_HALF_FLOAT;
      return params;
    default:
      OBRISK_THROW(OglException, fmt::format("pixel format {} ({}) has no GPU frame layout",
                                             Proc::PixFmtDescription::Find(format).name,
                                             static_cast<int>(format)));
  }
}

}  // namespace

Ptr<Frame> Frame::Create() {
  return Ptr<Frame>(new Frame());
}

Ptr<Frame> Frame::CreateIntermediate(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                                     const Proc::FrameInfo& info) {
  Ptr<Frame> frame = Create();
  frame->Allocate(colorSpace, format, info);
  return frame;
}

void Frame::Allocate(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                     const Proc::FrameInfo& info) {
  const std::vector<Texture::Params> planes = YUVTextures::IsPlanar(format)
                                                  ? YUVTextures::PlaneParams(format, info)
                                                  : std::vector{TextureParamsFor(format, info)};
  textures_.clear();
  for (const Texture::Params& params : planes) {
    textures_.push_back(TexturePool::GetInstance().GetTex(params));
  }
  colorSpace_ = colorSpace;
  format_ = format;
  info_ = info;
}

Ptr<Frame> Frame::AllocateIntermediate() const {
  return CreateIntermediate(colorSpace_, format_, info_);
}

Ptr<Frame> Frame::ConvertToRGBA(ShaderStorage& storage) {
  if (Proc::PixFmtDescription::Find(format_).IsRgbaLayout()) return Ptr<Frame>(this);
  return DrawPlanes(Planes().HasAlpha() ? Proc::kPixFmtAlpha : Proc::kPixFmtOpaque, storage);
}

Ptr<Frame> Frame::ConvertToRGB(ShaderStorage& storage) {
  if (Proc::PixFmtDescription::Find(format_).IsRgbaLayout()) return ConvertToRGBA(storage);
  return DrawPlanes(Proc::kPixFmtOpaque, storage);
}

YUVTextures Frame::Planes() {
  if (!YUVTextures::IsPlanar(format_)) {
    OBRISK_THROW(OglException, fmt::format("converting {} frames to RGBA is not supported",
                                           Proc::PixFmtDescription::Find(format_).name));
  }
  std::vector<Texture*> planes;
  for (auto& texture : textures_) planes.push_back(texture.get());
  return YUVTextures(format_, std::move(planes));
}

Ptr<Frame> Frame::DrawPlanes(Proc::PixFmt format, ShaderStorage& storage) {
  Ptr<Frame> rgba = CreateIntermediate(colorSpace_, format, info_);
  YUVConverter converter(storage, colorSpace_);
  if (format == Proc::kPixFmtAlpha) {
    converter.ToRGBA(Planes(), rgba->GetFirstTexture());
  } else {
    converter.ToRGB(Planes(), rgba->GetFirstTexture());
  }
  return rgba;
}

Texture& Frame::GetFirstTexture() {
  if (textures_.empty()) OBRISK_THROW(OglException, "the frame has no storage");
  return *textures_.front();
}

void Frame::Draw(Mesh& mesh, ShaderStorage& storage) {
  ShaderProgram& program = storage.GetShaderProgram(BuiltinProgram::kCopy);
  program.Use();
  program.Uniform("tex", 0);
  GetFirstTexture().Use(0);
  mesh.Activate();
  mesh.Draw(program);
}

void Frame::Draw(Mesh& mesh, ShaderStorage& storage, float opacity) {
  EnableState blend(GL_BLEND);
  glBlendColor(0.0f, 0.0f, 0.0f, opacity);
  glBlendFunc(GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA);
  Draw(mesh, storage);
}

}  // namespace Obrisk::Ogl
