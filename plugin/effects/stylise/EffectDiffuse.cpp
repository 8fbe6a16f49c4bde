#include "effects/stylise/EffectDiffuse.h"

#include <cstdlib>

#include <glm/mat4x4.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectDiffuse", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform float radius;
uniform float aspect;
uniform float M_2PI;
uniform float stayProbability;
uniform mat4 seeds;
varying vec2 TexCoord0;

// Three random values per pixel: whether it stays, the direction and the
// distance of the point it shows instead.
void main() {
  float stay = obrisk_rand_(mat2(seeds[0].xy, seeds[0].zw), seeds[3].xy, TexCoord0);
  float angle = obrisk_rand_(mat2(seeds[1].xy, seeds[1].zw), seeds[3].yz, TexCoord0) * M_2PI;
  float distance = obrisk_rand_(mat2(seeds[2].xy, seeds[2].zw), seeds[3].zx, TexCoord0) * radius;
  vec2 q = TexCoord0 + vec2(cos(angle), sin(angle) * aspect) * distance;
  bool outside = any(lessThan(q, vec2(0.0))) || any(greaterThan(q, vec2(1.0)));
  gl_FragColor = texture2D(tex, stay <= stayProbability || outside ? TexCoord0 : q);
}
)",
                                 "Proc/Effects/Quenvara/EffectDiffuse"};

constexpr double kTwoPi = 6.283185307179586;
// The seeds are uniform draws moved away from zero.
constexpr double kSeedOffset = 10.0;
constexpr double kRandMax = 32767.0;

// Sixteen fresh values rand() / 32767 + 10.
glm::mat4 NewSeedMatrix() {
  glm::mat4 seeds;
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      seeds[column][row] = static_cast<float>(std::rand() / kRandMax + kSeedOffset);
    }
  }
  return seeds;
}

}  // namespace

const std::string_view& EffectDiffuse::GetName() const {
  static constexpr std::string_view kName = "EffectDiffuse";
  return kName;
}

void EffectDiffuse::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                               double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectDiffuse& settings = DrawingSettings();
  const glm::mat4 seeds = NewSeedMatrix();
  DrawSinglePass(
      storage, storage.MakeShader(kShader), *target, *source, [&](ShaderProgram& program) {
        program.Uniform("radius",
                        static_cast<float>(settings.GetIntensity() * settings.GetRadius()));
        program.Uniform("aspect", source->GetFrameInfo().DisplayAspect());
        program.Uniform("M_2PI", kTwoPi);
        program.Uniform("stayProbability", static_cast<float>(settings.GetStayProbability()));
        program.Uniform("seeds", seeds, false);
      });
}

}  // namespace Obrisk::Ogl
