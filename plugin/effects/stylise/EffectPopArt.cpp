#include "effects/stylise/EffectPopArt.h"

#include <algorithm>

#include "effects/stylise/StylisePasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectPopArt", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float saturation;
uniform float scale;
uniform float hue;
uniform float offset;
uniform int levels;
uniform vec2 amount;
varying vec2 TexCoord0;

// Cell by cell (numbered down the columns), the cell's copy of the picture:
// its luma cut to `levels` bands above the offset, drawn in the cell's hue;
// the darkest band turns to a shadow colour a fifth of the circle on.
void main() {
  vec2 cell = floor(TexCoord0 * amount);
  vec4 o = texture2D(tex, fract(TexCoord0 * amount));
  float y = obrisk_RGBA2Y_(o);
  float h = hue + (cell.x * amount.y + cell.y) * scale;
  float n = float(levels);
  float band = offset + (floor((y - offset) * n) + 0.5) / n;
  if (band <= offset) {
    h += 0.2;
    band = 1.5 * offset;
  }
  gl_FragColor = vec4(obrisk_HSV2RGB_(vec3(fract(h), saturation, min(1.0, band))), o.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectPopArt"};

// The slight blur that smooths the bands' borders.
constexpr double kBlurAmount = 0.002;

}  // namespace

Proc::FrameInfo PopArtFrameInfo(const Proc::SettingsEffectPopArt& settings,
                                const Proc::FrameInfo& info) {
  Proc::FrameInfo out = info;
  const int rows = settings.GetRows();
  const int columns = settings.GetColumns();
  if (rows == columns || rows <= 0 || columns <= 0) return out;
  const double ratio = static_cast<double>(rows) / columns;
  const bool taller = settings.IsEnlarge() ? ratio > 1.0 : ratio < 1.0;
  // At least one pixel however small the source.
  if (taller) {
    out.height = std::max(1, static_cast<int>(info.height * ratio));
  } else {
    out.width = std::max(1, static_cast<int>(info.width / ratio));
  }
  return out;
}

const std::string_view& EffectPopArt::GetName() const {
  static constexpr std::string_view kName = "EffectPopArt";
  return kName;
}

Ptr<DataVideoOGL> EffectPopArt::CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                                          const Proc::FrameInfo& info, double progress) {
  // The host thread's settings: the ones the task will draw with.
  const auto& settings = static_cast<const Proc::SettingsEffectPopArt&>(GetSettings());
  return OneInputEffectAlgorithm::CreateDst(colorSpace, format, PopArtFrameInfo(settings, info),
                                            progress);
}

Ptr<OglCache> EffectPopArt::CreateCache() {
  return blur_.CreateCache();
}

void EffectPopArt::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                              double time, double progress, ShaderStorage& storage,
                              const Ptr<OglCache>& cache) {
  const Proc::SettingsEffectPopArt& settings = DrawingSettings();
  Ptr<Frame> blurred = Frame::CreateIntermediate(target->GetColorSpace(), target->GetPixelFormat(),
                                                 source->GetFrameInfo());
  blur_.SetSettings(Proc::SettingsEffectBlurGaussian(kBlurAmount));
  blur_.ProcessGpu(blurred, source, time, progress, storage, cache);

  const double step = settings.IsReverse() ? -settings.GetHueStep() : settings.GetHueStep();
  DrawFullFrame(storage, storage.MakeShader(kShader), target->GetFirstTexture(),
                [&](ShaderProgram& program) {
                  program.Uniform("tex", 0);
                  program.Uniform("saturation", settings.GetSaturation());
                  program.Uniform("scale", step);
                  program.Uniform("hue", settings.GetHue());
                  program.Uniform("offset", settings.GetOffset());
                  program.Uniform("levels", settings.GetLevels());
                  program.Uniform("amount", static_cast<float>(settings.GetColumns()),
                                  static_cast<float>(settings.GetRows()));
                  blurred->GetFirstTexture().Use(0);
                });
}

}  // namespace Obrisk::Ogl
