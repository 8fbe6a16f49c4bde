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
uniform sampler2D uvTable;

// The pixel's codes with the chroma pair through the table (column Cb, row
// Cr; new Cb in red, new Cr in green), luma as it is.
void main() {
  vec4 colour = SourceColour();
  vec3 codes = CodesOf(colour);
  vec2 chroma = texelFetch(uvTable, ivec2(codes.yz), 0).rg;
  vec3 samples = vec3(codes.x / codeMax, chroma);
  gl_FragColor = Joined(samples, colour);
}
)";
                                   },
                                   "Proc/Effects/Quenvara/EffectSaturation"};

// The two tables as one 256 x 256 two-channel texture from the pool: entry
// (u, v) holds the new Cb in red and the new Cr in green.
TexturePool::Lease TableTexture(const Proc::UVTransTables& tables) {
  std::vector<std::uint8_t> texels(2 * tables.u.size());
  for (std::size_t entry = 0; entry < tables.u.size(); ++entry) {
    texels[2 * entry] = tables.u[entry];
    texels[2 * entry + 1] = tables.v[entry];
  }
  Texture::Params params;
  params.width = static_cast<int>(Proc::kHistogramBins);
  params.height = static_cast<int>(Proc::kHistogramBins);
  params.internalFormat = GL_RG8;
  params.format = GL_RG;
  params.filter = GL_NEAREST;
  TexturePool::Lease texture = TexturePool::GetInstance().GetTex(params);
  texture->Update(0, texels.data());
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
  const TexturePool::Lease table = TableTexture(tables);
  DrawCodePass(storage, storage.MakeShader(kShaderUV), *target, *source, alpha,
               [&](const ShaderProgram& program) {
                 program.Uniform("uvTable", 1);
                 table->Use(1);
               });
}

}  // namespace Obrisk::Ogl
