#include "effects/distort/EffectDisplacementMap.h"

#include "effects/blur/BlurPasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"DisplacementMap", Shader::FullFrame, R"(
uniform sampler2D frameTex;
uniform sampler2D displacementMapTex;
uniform float centerVal;
uniform float lowerBoundMaxValue;
uniform float upperBoundMinValue;
uniform float lowerBoundElementCount;
uniform float upperBoundElementCount;
uniform float baseXShift;
uniform float baseYShift;
varying vec2 TexCoord0;

// The move for a map value: none at the two middle levels, growing to -base
// at level 0 and to +base at the top level.
float shift(float base, float value) {
  if (value < centerVal) return -base * abs(lowerBoundMaxValue - value) / lowerBoundElementCount;
  return base * abs(upperBoundMinValue - value) / upperBoundElementCount;
}

// Red moves sideways, green up or down, blue scales both; a pixel moved off
// the frame stays where it is.
void main() {
  vec4 m = texture2D(displacementMapTex, TexCoord0);
  vec2 uv = TexCoord0 + vec2(shift(baseXShift * m.b, m.r), shift(baseYShift * m.b, m.g));
  bool inside = all(greaterThanEqual(uv, vec2(0.0))) && all(lessThanEqual(uv, vec2(1.0)));
  gl_FragColor = texture2D(frameTex, inside ? uv : TexCoord0);
}
)",
                                 "Proc/Effects/Quenvara/EffectDisplacementMap"};

// The map's levels, read from the RGBA format's components.
struct MapLevels {
  float center, lowerMax, upperMin, lowerCount, upperCount;
};

MapLevels Levels() {
  static const MapLevels levels = [] {
    constexpr int kComponents = 4;
    constexpr int kBitsPerByte = 8;
    const auto& rgba = Proc::PixFmtDescription::Find(Proc::PixFmt::RGBA);
    const int bits = rgba.bytesPerPixel * kBitsPerByte / kComponents;
    const double n = static_cast<double>(1 << bits);
    const double top = n - 1.0;
    const double half = n / 2.0;
    const auto level = [top](double value) { return static_cast<float>(value / top); };
    return MapLevels{level(half), level(half - 1.0), level(half), level(half - 1.0),
                     level(top - half)};
  }();
  return levels;
}

}  // namespace

const std::string_view& EffectDisplacementMap::GetName() const {
  static constexpr std::string_view kName = "EffectDisplacementMap";
  return kName;
}

void EffectDisplacementMap::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                       const Ptr<DataVideoOGL>& second, double, double,
                                       ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectDisplacementMap& settings = DrawingSettings();
  const auto intensity = static_cast<float>(settings.GetIntensity());
  const MapLevels levels = Levels();
  Ptr<Frame> frame = first->FrameData()->ConvertToRGBA(storage);
  Ptr<Frame> map = second->FrameData()->ConvertToRGBA(storage);
  DrawPass(storage, target->GetFirstTexture(), storage.Quad(), storage.MakeShader(kShader),
           [&](ShaderProgram& program) {
             program.Uniform("frameTex", 0);
             program.Uniform("displacementMapTex", 1);
             program.Uniform("centerVal", levels.center);
             program.Uniform("lowerBoundMaxValue", levels.lowerMax);
             program.Uniform("upperBoundMinValue", levels.upperMin);
             program.Uniform("lowerBoundElementCount", levels.lowerCount);
             program.Uniform("upperBoundElementCount", levels.upperCount);
             program.Uniform("baseXShift", settings.GetXShift() * intensity);
             program.Uniform("baseYShift", settings.GetYShift() * intensity);
             frame->GetFirstTexture().Use(0);
             map->GetFirstTexture().Use(1);
           });
}

}  // namespace Obrisk::Ogl
