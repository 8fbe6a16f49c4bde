#include "effects/stylise/EffectErosion.h"

#include <algorithm>

#include <fmt/format.h>

#include "effects/stylise/StylisePasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

// One direction: `combine` (min or max) of the texels 0, +-1 ... +-radius
// steps away; alpha stays the centre's.
std::string MorphologyFragment(const char* combine) {
  return fmt::format(R"(
uniform sampler2D tex;
uniform int radius;
uniform vec2 local_step;
varying vec2 TexCoord0;

void main() {{
  vec4 centre = texture2D(tex, TexCoord0);
  vec3 result = centre.rgb;
  for (int i = 1; i <= radius; ++i) {{
    vec2 offset = float(i) * local_step;
    result = {0}(result, texture2D(tex, TexCoord0 + offset).rgb);
    result = {0}(result, texture2D(tex, TexCoord0 - offset).rgb);
  }}
  gl_FragColor = vec4(result, centre.a);
}}
)",
                     combine);
}

const ShaderSourceKeeper kErosion{"EffectErosion", Shader::FullFrame,
                                  [] { return MorphologyFragment("min"); },
                                  "Proc/Effects/Quenvara/EffectErosion"};
const ShaderSourceKeeper kDilation{"EffectDilation", Shader::FullFrame,
                                   [] { return MorphologyFragment("max"); },
                                   "Proc/Effects/Quenvara/EffectErosion"};

// The size is in percent of the longer side.
constexpr double kPercent = 0.01;

}  // namespace

const std::string_view& EffectErosion::GetName() const {
  static constexpr std::string_view kName = "EffectErosion";
  return kName;
}

void EffectErosion::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                               double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectErosion& settings = DrawingSettings();
  const Proc::FrameInfo& info = source->GetFrameInfo();
  const int radius =
      static_cast<int>(std::max(info.width, info.height) * settings.GetSize() * kPercent);
  const bool dilation = settings.GetMode() == Proc::SettingsEffectErosion::Mode::Dilation;
  ShaderProgram& program = dilation ? storage.MakeShader(kDilation) : storage.MakeShader(kErosion);

  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  Ptr<Frame> horizontal =
      Frame::CreateIntermediate(target->GetColorSpace(), target->GetPixelFormat(), info);
  DrawSeparablePasses(storage, program, rgba->GetFirstTexture(), horizontal->GetFirstTexture(),
                      target->GetFirstTexture(),
                      [&](ShaderProgram& p) { p.Uniform("radius", radius); });
}

}  // namespace Obrisk::Ogl
