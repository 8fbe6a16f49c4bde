#include "effects/overlay/EffectFlyingObjects.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "effects/overlay/OverlayPasses.h"

namespace Obrisk::Ogl {

// The objects' quads, rebuilt each frame, and the sprite texture with the
// picture it was made from.
class EffectFlyingObjects::CacheImpl final : public OglCache {
 public:
  // Brings the sprite texture up to date; false when there is nothing to draw.
  bool PrepareSprite(const std::shared_ptr<const Proc::BgraImage>& image);

  PackedMesh mesh;
  std::unique_ptr<Quad> quad;
  std::unique_ptr<Texture> sprite;

 private:
  std::shared_ptr<const Proc::BgraImage> image_;
};

bool EffectFlyingObjects::CacheImpl::PrepareSprite(
    const std::shared_ptr<const Proc::BgraImage>& image) {
  const bool same = image_ && image && image_->width == image->width &&
                    image_->height == image->height && image_->Pixels() == image->Pixels();
  if (same) return sprite != nullptr;
  image_ = image;
  sprite.reset();
  if (!image || image->width <= 0 || image->height <= 0 || image->Pixels() == nullptr) {
    return false;
  }
  Texture::Params params;
  params.width = image->width;
  params.height = image->height;
  params.internalFormat = GL_RGBA8;
  params.format = GL_BGRA;
  params.type = GL_UNSIGNED_BYTE;
  params.filter = GL_LINEAR;
  params.wrap = GL_CLAMP_TO_EDGE;
  sprite = std::make_unique<Texture>(params, image->Pixels());
  return true;
}

PackedMesh EffectFlyingObjects::ObjectMesh(const Proc::SettingsEffectFlyingObjects& settings,
                                           const Proc::FrameInfo& target, double time) {
  const auto reference = settings.GetReferenceGeometry();
  // The reference frame fills the target: the larger of the two ratios
  // scales both ways.
  const double rw = (static_cast<double>(target.width) * target.pixelAspectNum) /
                    (static_cast<double>(reference.width) * reference.pixelAspectNum);
  const double rh = (static_cast<double>(target.height) * target.pixelAspectDen) /
                    (static_cast<double>(reference.height) * reference.pixelAspectDen);
  const double m = std::max(rw, rh);
  const double sx = m / rw;
  const double sy = m / rh;
  const double a = (static_cast<double>(reference.width) * reference.pixelAspectNum) /
                   (static_cast<double>(reference.height) * reference.pixelAspectDen);
  const double diagonal = std::sqrt(a * a + 1.0);
  const std::int64_t count = settings.GetObjectCount();
  PackedMesh mesh;
  mesh.ReserveQuad(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    const Proc::ObjectDescription object = settings.GetDescription(i, time, diagonal);
    // Clip coordinates, y up; the sprite stays square as the frame shows it.
    const double cx = 2.0 * object.x - 1.0;
    const double cy = -(2.0 * object.y - 1.0);
    const double s = object.size;
    const double cosine = std::cos(object.angle);
    const double sine = std::sin(object.angle);
    const double ux = s * (cosine + sine);
    const double uy = -a * s * (sine - cosine);
    const double vx = s * (sine - cosine);
    const double vy = a * s * (cosine + sine);
    auto vertex = [&](double dx, double dy, float sCoord, float tCoord) {
      return QuadVertex{sCoord, tCoord, static_cast<float>((cx + dx) * sx),
                        static_cast<float>((cy + dy) * sy)};
    };
    // Unturned, u is the top-right corner and v the top-left; the sprite's
    // rows run from the top, so its first row goes to the top edge.
    mesh.AddQuad({vertex(-ux, -uy, 0.0f, 1.0f), vertex(-vx, -vy, 1.0f, 1.0f),
                  vertex(ux, uy, 1.0f, 0.0f), vertex(vx, vy, 0.0f, 0.0f)});
  }
  return mesh;
}

const std::string_view& EffectFlyingObjects::GetName() const {
  static constexpr std::string_view kName = "EffectFlyingObjects";
  return kName;
}

Ptr<OglCache> EffectFlyingObjects::CreateCache() {
  return MakeRef<CacheImpl>();
}

void EffectFlyingObjects::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                     double time, double, ShaderStorage& storage,
                                     const Ptr<OglCache>& cache) {
  CacheImpl& objects = CacheAs<CacheImpl>(cache);
  const Proc::SettingsEffectFlyingObjects& settings = DrawingSettings();
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  CopyInto(storage, *target, *rgba);
  objects.mesh = ObjectMesh(settings, target->GetFrameInfo(), time);
  if (objects.PrepareSprite(settings.GetImage()) && objects.mesh.QuadCount() > 0) {
    if (objects.quad) {
      objects.quad->Upload(objects.mesh);
    } else {
      objects.quad = std::make_unique<Quad>(objects.mesh, GL_DYNAMIC_DRAW);
    }
    // The sprites by their alpha; the picture's alpha stays.
    EnableState blend(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    ShaderProgram& program = storage.GetShaderProgram(BuiltinProgram::kCopy);
    program.Use();
    program.Uniform("tex", 0);
    objects.sprite->Use(0);
    objects.quad->Activate();
    objects.quad->Draw(program);
  }
  FinishWithSource(storage, *target, *rgba, settings.GetIntensity());
}

}  // namespace Obrisk::Ogl
