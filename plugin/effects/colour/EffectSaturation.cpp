#include "effects/colour/EffectSaturation.h"

#include "effects/colour/ColourPlanes.h"
#include "effects/colour/HistogramRescale.h"
#include "frame/ShaderSourceKeeper.h"
#include "obrisk/effectcommon/HistogramMath.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShaderUV{"EffectSaturationUV", Shader::FullFrame,
                                   [] {
                                     return CodePassFunctions() + R"(
uniform sampler2D uTable;
uniform sampler2D vTable;

// The entry of a 256 x 256 table for chroma codes (Cb, Cr): column Cb, row Cr.
float Lookup(sampler2D table, vec2 chroma) {
  return texture2D(table, (chroma + 0.5) / 256.0).r;
}

// The pixel's codes with the chroma pair through the tables, luma as it is.
void main() {
  vec4 colour = SourceColour();
  vec3 codes = CodesOf(colour);
  vec3 samples = vec3(codes.x / codeMax, Lookup(uTable, codes.yz), Lookup(vTable, codes.yz));
  gl_FragColor = Joined(samples, colour);
}
)";
                                   },
                                   "Proc/Effects/Quenvara/EffectSaturation"};

// A 256 x 256 single-channel texture from the pool holding `table`.
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
// the histograms of the chroma codes.
double SaturationOf(const Proc::SettingsEffectSaturation& settings, DataVideoOGL& source,
                    ShaderStorage& storage) {
  if (!settings.IsAutomatic()) return settings.GetSaturation();
  const Ptr<Frame> codes = DrawCodes(source, storage);
  const Proc::Histogram u = ComputeHistogram(codes->GetFirstTexture(), YUVTextures::kCb, storage);
  const Proc::Histogram v = ComputeHistogram(codes->GetFirstTexture(), YUVTextures::kCr, storage);
  return Proc::CalcSaturation(u.bins, v.bins, u.samples);
}

}  // namespace

const std::string_view& EffectSaturation::GetName() const {
  static constexpr std::string_view kName = "EffectSaturation";
  return kName;
}

// One pass: each pixel's chroma codes go through the tables, its luma code
// (and alpha) is kept.
void EffectSaturation::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                  double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectSaturation& settings = DrawingSettings();
  const bool alpha = Proc::PixFmtDescription::Find(target->GetPixelFormat()).HasAlpha() &&
                     !settings.GetAlphaIsDisabled();
  const Proc::UVTransTables tables =
      Proc::PrepareUVTransTables(SaturationOf(settings, *source, storage));
  const TexturePool::Lease uTable = TableTexture(tables.u);
  const TexturePool::Lease vTable = TableTexture(tables.v);
  DrawCodePass(storage, storage.MakeShader(kShaderUV), *target, *source, alpha,
               [&](const ShaderProgram& program) {
                 program.Uniform("uTable", 1);
                 program.Uniform("vTable", 2);
                 uTable->Use(1);
                 vTable->Use(2);
               });
}

}  // namespace Obrisk::Ogl
