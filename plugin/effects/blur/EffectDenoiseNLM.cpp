#include "effects/blur/EffectDenoiseNLM.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectDenoiseNLM", Shader::FullFrame, R"(#version 130
uniform sampler2D tex;
uniform int searchRadius;
uniform int patchRadius;
uniform float h2;
varying vec2 TexCoord0;

vec3 TexelAt(ivec2 p, vec2 size) {
  return texture2D(tex, (vec2(p) + 0.5) / size).rgb;
}

// Sum of squared colour differences between the patches around p and q.
float PatchDistance(ivec2 p, ivec2 q, vec2 size) {
  float distance = 0.0;
  for (int y = -patchRadius; y <= patchRadius; ++y) {
    for (int x = -patchRadius; x <= patchRadius; ++x) {
      vec3 difference = TexelAt(p + ivec2(x, y), size) - TexelAt(q + ivec2(x, y), size);
      distance += dot(difference, difference);
    }
  }
  return distance;
}

// Every pixel of the search window counts by how alike its patch is to the
// centre's, exp(-distance / h2); the centre itself counts with weight 1.
void main() {
  vec2 size = vec2(textureSize(tex, 0));
  ivec2 p = ivec2(floor(TexCoord0 * size));
  vec4 centre = texture2D(tex, TexCoord0);
  vec3 sum = centre.rgb;
  float weights = 1.0;
  for (int dy = -searchRadius; dy <= searchRadius; ++dy) {
    for (int dx = -searchRadius; dx <= searchRadius; ++dx) {
      if (dx == 0 && dy == 0) continue;
      ivec2 q = p + ivec2(dx, dy);
      float weight = exp(-PatchDistance(p, q, size) / h2);
      sum += weight * TexelAt(q, size);
      weights += weight;
    }
  }
  gl_FragColor = vec4(sum / weights, centre.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectDenoiseNLM"};

// The radius of a window of `size` pixels forced odd (4 behaves as 5).
int OddRadius(std::int32_t size) {
  return (size | 1) / 2;
}

}  // namespace

const std::string_view& EffectDenoiseNLM::GetName() const {
  static constexpr std::string_view kName = "EffectDenoiseNLM";
  return kName;
}

void EffectDenoiseNLM::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                  double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectDenoiseNLM& settings = DrawingSettings();
  // A parameter of 0 averages identical patches only; the smallest positive
  // h2 gives that limit without dividing zero by zero in the shader.
  const float h2 = std::max(static_cast<float>(std::pow(settings.GetFilteringParameter(), 2.0f)),
                            std::numeric_limits<float>::min());
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("searchRadius", OddRadius(settings.GetSearchWindowSize()));
                   program.Uniform("patchRadius", OddRadius(settings.GetPatchSize()));
                   program.Uniform("h2", h2);
                 });
}

}  // namespace Obrisk::Ogl
