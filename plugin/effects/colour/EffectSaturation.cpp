#include "effects/colour/EffectSaturation.h"

#include "effects/colour/ColourPlanes.h"
#include "effects/colour/HistogramRescale.h"
#include "frame/ShaderSourceKeeper.h"
#include "obrisk/effectcommon/HistogramMath.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShaderUV{"EffectSaturationUV", Shader::FullFrame, R"(
uniform sampler2D texU;
uniform sampler2D texV;
uniform sampler2D transTable;
varying vec2 TexCoord0;

// The centre of table texel c x 255 on a 256-texel axis: (510 c + 1) / 512.
float TableCoordinate(float c) {
  return (510.0 * c + 1.0) / 512.0;
}

// The new chroma value of this pixel's (Cb, Cr) pair: the table's row is Cr,
// its column Cb.
void main() {
  vec2 coordinate = vec2(TableCoordinate(texture2D(texU, TexCoord0).r),
                         TableCoordinate(texture2D(texV, TexCoord0).r));
  gl_FragColor = vec4(texture2D(transTable, coordinate).r, 0.0, 0.0, 1.0);
}
)",
                                   "Proc/Effects/Quenvara/EffectSaturation"};

// A 256 x 256 single-channel table texture from the pool holding `table`.
TexturePool::Lease TableTexture(const std::vector<std::uint8_t>& table) {
  Texture::Params params;
  params.width = static_cast<int>(Proc::kHistogramBins);
  params.height = static_cast<int>(Proc::kHistogramBins);
  params.internalFormat = GL_R8;
  params.format = GL_RED;
  params.filter = GL_NEAREST;
  TexturePool::Lease texture = TexturePool::GetInstance().GetTex(params);
  texture->Update(0, table.data());
  return texture;
}

// The gain of the frame: the setting, or at exactly 1 the gain measured from
// the chroma planes' histograms.
double SaturationOf(const Proc::SettingsEffectSaturation& settings, const YUVTextures& planes,
                    ShaderStorage& storage) {
  if (!settings.IsAutomatic()) return settings.GetSaturation();
  const Proc::Histogram u = ComputeHistogram(planes.Plane(YUVTextures::kCb), 0, storage);
  const Proc::Histogram v = ComputeHistogram(planes.Plane(YUVTextures::kCr), 0, storage);
  return Proc::CalcSaturation(u.bins, v.bins, u.samples);
}

// Draws one output chroma plane through `table`.
void DrawChroma(ShaderStorage& storage, ShaderProgram& program, const YUVTextures& input,
                const Texture& table, Texture& target) {
  storage.FBO().Attach(target);
  program.Use();
  program.Uniform("texU", 0);
  program.Uniform("texV", 1);
  program.Uniform("transTable", 2);
  input.Plane(YUVTextures::kCb).Use(0);
  input.Plane(YUVTextures::kCr).Use(1);
  table.Use(2);
  for (GLuint unit = 0; unit < 3; ++unit) glBindSampler(unit, storage.NearestSampler());
  storage.Quad().Activate();
  storage.Quad().Draw(program);
  for (GLuint unit = 0; unit < 3; ++unit) glBindSampler(unit, 0);
}

}  // namespace

const std::string_view& EffectSaturation::GetName() const {
  static constexpr std::string_view kName = "EffectSaturation";
  return kName;
}

// The chroma planes go through the tables; luma (and alpha) are shared with
// the output unchanged.
void EffectSaturation::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                  double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectSaturation& settings = DrawingSettings();
  const bool alpha = Proc::PixFmtDescription::Find(target->GetPixelFormat()).HasAlpha() &&
                     !settings.GetAlphaIsDisabled();
  SourcePlanes split = SplitSource(*source, alpha, storage);
  const YUVTextures& input = split.planes;

  const Proc::UVTransTables tables =
      Proc::PrepareUVTransTables(SaturationOf(settings, input, storage));
  const TexturePool::Lease uTable = TableTexture(tables.u);
  const TexturePool::Lease vTable = TableTexture(tables.v);
  TexturePool::Lease outputU = PlaneLike(input.Plane(YUVTextures::kCb));
  TexturePool::Lease outputV = PlaneLike(input.Plane(YUVTextures::kCr));
  ShaderProgram& program = storage.MakeShader(kShaderUV);
  DrawChroma(storage, program, input, *uTable, *outputU);
  DrawChroma(storage, program, input, *vTable, *outputV);

  const YUVTextures output =
      WithPlane(WithPlane(input, YUVTextures::kCb, *outputU), YUVTextures::kCr, *outputV);
  JoinPlanes(output, split.converter, target->GetFirstTexture());
}

}  // namespace Obrisk::Ogl
