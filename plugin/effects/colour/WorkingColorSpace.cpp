#include "effects/colour/WorkingColorSpace.h"

#include <fmt/format.h>

#include "frame/ShaderDialect.h"

namespace Obrisk::Ogl {
namespace {

constexpr std::string_view kIntoWorking = "obrisk_IntoWorking_";
constexpr std::string_view kBackFromWorking = "obrisk_BackFromWorking_";

std::optional<ColorConversionInfo> Conversion(const Proc::ColorSpace& from,
                                              const Proc::ColorSpace& to) {
  if (SameWorkingSpace(from, to)) return std::nullopt;
  return WorkingConversion(from, to, Proc::SettingsColorSpaceConverter());
}

std::string ConversionOrIdentity(const std::optional<ColorConversionInfo>& conversion,
                                 std::string_view function) {
  if (conversion) return ConversionFunctionGlsl(*conversion, function);
  return fmt::format("vec3 {}(vec3 v) {{ return v; }}\n", function);
}

// The effect's text with its main renamed and every texture2D read converted
// into the working space; a new main converts what it wrote back. The
// effect's own lines keep their numbers in the driver's messages.
std::string FoldedText(std::string_view effect, const std::optional<ColorConversionInfo>& into,
                       const std::optional<ColorConversionInfo>& back) {
  int leadingLines = 0;
  const std::size_t bodyStart = ShaderDialect::LeadingDirectivesEnd(effect, leadingLines);
  const std::string_view head = effect.substr(0, bodyStart);
  return fmt::format(R"({0}
{1}
{2}
vec4 obrisk_ReadWorking_(sampler2D s, vec2 uv) {{
  vec4 c = texture2D(s, uv);
  return vec4({3}(c.rgb), c.a);
}}
#define texture2D obrisk_ReadWorking_
#define main obrisk_WorkingMain_
{5}{6}
#undef main
#undef texture2D
void main() {{
  obrisk_WorkingMain_();
  gl_FragColor.rgb = {4}(gl_FragColor.rgb);
}}
)",
                     head, ConversionOrIdentity(into, kIntoWorking),
                     ConversionOrIdentity(back, kBackFromWorking), kIntoWorking, kBackFromWorking,
                     ShaderDialect::LineDirective(head, leadingLines + 1),
                     effect.substr(bodyStart));
}

}  // namespace

WorkingSpacePass::WorkingSpacePass(ShaderStorage& storage, const Proc::ColorSpace& source,
                                   const Proc::ColorSpace& target)
    : storage_(storage) {
  const Proc::ColorSpace working = Proc::SettingsColorSpaceConverter().GetDestinationColorSpace();
  into_ = Conversion(source, working);
  back_ = Conversion(working, target);
}

bool WorkingSpacePass::CanFold() const {
  return (!into_ || Ogl::CanFold(*into_)) && (!back_ || Ogl::CanFold(*back_));
}

ShaderProgram& WorkingSpacePass::FoldedProgram(const std::string& name,
                                               const std::function<std::string()>& effectText) {
  // One program per effect and pair of conversions; primaries and levels
  // are uniforms, the transfers are in the text.
  const auto transfers = [](const std::optional<ColorConversionInfo>& conversion) {
    return conversion
               ? fmt::format("{}to{}", conversion->source.transfer, conversion->target.transfer)
               : std::string("none");
  };
  const ShaderSources sources(
      fmt::format("{}_working_{}_{}", name, transfers(into_), transfers(back_)), Shader::FullFrame,
      ShaderSourceFunction([&] { return FoldedText(effectText(), into_, back_); }),
      "Ogl/WorkingColorSpace");
  return storage_.MakeShader(sources);
}

void WorkingSpacePass::SetFoldedUniforms(ShaderProgram& program) const {
  if (into_) SetConversionUniforms(program, *into_, kIntoWorking);
  if (back_) SetConversionUniforms(program, *back_, kBackFromWorking);
}

}  // namespace Obrisk::Ogl
