#include "effects/colour/EffectAutoContrast.h"

#include "effects/colour/ColourPlanes.h"
#include "effects/colour/HistogramRescale.h"
#include "frame/ShaderSourceKeeper.h"
#include "obrisk/effectcommon/Ranges.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectAutoContrast", Shader::FullFrame,
                                 [] {
                                   return CodePassFunctions() + R"(
uniform sampler2D normTex;  // the level table: 256 x 1, the new level in red

// The pixel's luma code through the level table, its chroma codes as they are.
void main() {
  vec4 colour = SourceColour();
  vec3 codes = CodesOf(colour);
  vec3 samples = codes / codeMax;
  samples.x = texelFetch(normTex, ivec2(int(codes.x), 0), 0).r;
  gl_FragColor = Joined(samples, colour);
}
)";
                                 },
                                 "Proc/Effects/Quenvara/EffectAutoContrast"};

// The luma target range, carried from frame to frame, and the level table.
class AutoContrastOglCache final : public OglCache {
 public:
  Proc::Range range = Proc::MPEG_I_RANGE;
  HistogramRescaleOglCache rescale;
};

}  // namespace

const std::string_view& EffectAutoContrast::GetName() const {
  static constexpr std::string_view kName = "EffectAutoContrast";
  return kName;
}

Ptr<OglCache> EffectAutoContrast::CreateCache() {
  return MakeRef<AutoContrastOglCache>();
}

// The luma codes are measured, then stretched in one pass; the chroma codes
// (and alpha) are kept.
void EffectAutoContrast::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                    double, double, ShaderStorage& storage,
                                    const Ptr<OglCache>& cache) {
  AutoContrastOglCache& state = CacheAs<AutoContrastOglCache>(cache);
  const Proc::SettingsEffectAutoContrast& settings = DrawingSettings();
  const bool alpha = Proc::PixFmtDescription::Find(target->GetPixelFormat()).HasAlpha() &&
                     !settings.GetAlphaIsDisabled();
  const Proc::Thresholds thresholds{settings.GetBlackSaturatedPixels(),
                                    settings.GetWhiteSaturatedPixels()};
  const Ptr<Frame> codes = DrawCodes(*source, storage);
  if (PrepareRescale(codes->GetFirstTexture(), kRescaleY, thresholds, state.range, storage,
                     state.rescale)) {
    DrawCodePass(storage, storage.MakeShader(kShader), *target, *source, alpha,
                 [&](const ShaderProgram& program) {
                   program.Uniform("normTex", 1);
                   state.rescale.normalization.Use(1);
                 });
  } else {
    const Ptr<Frame> rgb = alpha ? source->FrameData()->ConvertToRGBA(storage)
                                 : source->FrameData()->ConvertToRGB(storage);
    storage.FBO().Attach(target->GetFirstTexture());
    rgb->Draw(storage.FrameQuad(), storage);
  }
}

}  // namespace Obrisk::Ogl
