#include "effects/distort/EffectMirror.h"

#include "effects/distort/GeometryWarp.h"

namespace Obrisk::Ogl {
namespace {

// One half of the output along an axis: clip positions from `from` to `to`
// showing texture coordinates from `textureFrom` to `textureTo`.
struct Span {
  float from, to, textureFrom, textureTo;
};

// The lower (or left) half: mirrored (the upper half's texture, running
// back) when `mirrored`.
Span FirstHalf(bool mirrored) {
  return mirrored ? Span{0.0f, -1.0f, 0.5f, 1.0f} : Span{-1.0f, 0.0f, 0.0f, 0.5f};
}

// The upper (or right) half: the lower half's texture, running back, when
// `mirrored`.
Span SecondHalf(bool mirrored) {
  return mirrored ? Span{1.0f, 0.0f, 0.0f, 0.5f} : Span{0.0f, 1.0f, 0.5f, 1.0f};
}

PackedMesh::QuadVertices QuarterQuad(const Span& x, const Span& y) {
  return {QuadVertex{x.textureFrom, y.textureFrom, x.from, y.from},
          QuadVertex{x.textureTo, y.textureFrom, x.to, y.from},
          QuadVertex{x.textureTo, y.textureTo, x.to, y.to},
          QuadVertex{x.textureFrom, y.textureTo, x.from, y.to}};
}

// The four quarters, lower-left, lower-right, upper-left, upper-right.
PackedMesh MirrorMesh(const Proc::SettingsEffectMirror& settings) {
  using Mode = Proc::SettingsEffectMirror::Mode;
  const Span left = FirstHalf(settings.GetHorizontal() == Mode::FirstHalf);
  const Span right = SecondHalf(settings.GetHorizontal() == Mode::SecondHalf);
  const Span lower = FirstHalf(settings.GetVertical() == Mode::FirstHalf);
  const Span upper = SecondHalf(settings.GetVertical() == Mode::SecondHalf);
  PackedMesh mesh;
  mesh.ReserveQuad(4);
  mesh.AddQuad(QuarterQuad(left, lower));
  mesh.AddQuad(QuarterQuad(right, lower));
  mesh.AddQuad(QuarterQuad(left, upper));
  mesh.AddQuad(QuarterQuad(right, upper));
  return mesh;
}

}  // namespace

const std::string_view& EffectMirror::GetName() const {
  static constexpr std::string_view kName = "EffectMirror";
  return kName;
}

Ptr<OglCache> EffectMirror::CreateCache() {
  return CreateGeometryWarpCache();
}

void EffectMirror::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                              double, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  DrawGeometryWarp(*target, *source, MirrorMesh(DrawingSettings()), storage, cache);
}

}  // namespace Obrisk::Ogl
