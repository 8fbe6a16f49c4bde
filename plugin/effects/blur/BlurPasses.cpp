#include "effects/blur/BlurPasses.h"

#include <cmath>

#include <fmt/format.h>

namespace Obrisk::Ogl {

float GaussianTexelWeight(const GaussianTaps& taps, int texel) {
  const float position = static_cast<float>(texel) / static_cast<float>(taps.texelsPerTap);
  return std::exp(taps.coefficient * position * position);
}

float GaussianNorm(const GaussianTaps& taps) {
  float sum = 0.0f;
  for (int texel = 1; texel <= taps.taps * taps.texelsPerTap; ++texel) {
    sum += GaussianTexelWeight(taps, texel);
  }
  return 1.0f / (1.0f + 2.0f * sum);
}

std::string GaussianPassFragment(const GaussianUniformNames& names) {
  return fmt::format(R"(
uniform sampler2D tex;
uniform int {taps};
uniform float {coefficient};
uniform float {norm};
uniform vec2 {step};
uniform int {texelsPerTap};
varying vec2 TexCoord0;

// One direction of a separable Gaussian: the centre plus {taps} weighted
// pairs of samples {step} apart on either side. Tap i stands for the
// {texelsPerTap} (one or two) texels up to i * {texelsPerTap}: with two, its
// sample lies between them where linear filtering weighs each texel by its
// share of the tap's weight. Alpha is not blurred.
//
// Texel x weighs w(x) = exp(k x^2), k = {coefficient} / {texelsPerTap}^2. The
// weights follow from one another by products alone: w(x + 1) = w(x) r(x)
// with r(x) = exp(k (2x + 1)), and r(x + 1) = r(x) exp(2k).
void main() {{
  vec4 centre = texture2D(tex, TexCoord0);
  vec3 sum = centre.rgb;
  float perTexel = {coefficient} / float({texelsPerTap} * {texelsPerTap});
  float texelWeight = 1.0;
  float ratio = exp(perTexel);
  float ratioGrowth = exp(2.0 * perTexel);
  for (int i = 1; i <= {taps}; ++i) {{
    // The tap's texels, inner to outer: texelWeight ends as the outer one's.
    float weight = 0.0;
    for (int texel = 0; texel < {texelsPerTap}; ++texel) {{
      texelWeight *= ratio;
      ratio *= ratioGrowth;
      weight += texelWeight;
    }}
    // From the outer texel towards the inner one by the inner's share, in taps.
    float position = float(i) - (weight - texelWeight) / (weight * float({texelsPerTap}));
    vec2 offset = position * {step};
    sum += weight * (texture2D(tex, TexCoord0 + offset).rgb +
                     texture2D(tex, TexCoord0 - offset).rgb);
  }}
  gl_FragColor = vec4(sum * {norm}, centre.a);
}}
)",
                     fmt::arg("taps", names.taps), fmt::arg("coefficient", names.coefficient),
                     fmt::arg("norm", names.norm), fmt::arg("step", names.step),
                     fmt::arg("texelsPerTap", names.texelsPerTap));
}

void DrawGaussianPass(ShaderStorage& storage, ShaderProgram& program,
                      const GaussianUniformNames& names, const GaussianTaps& taps, glm::vec2 step,
                      const Texture& input, Texture& target) {
  DrawGaussianPass(storage, program, names, taps, step, input, target, storage.Quad());
}

void DrawGaussianPass(ShaderStorage& storage, ShaderProgram& program,
                      const GaussianUniformNames& names, const GaussianTaps& taps, glm::vec2 step,
                      const Texture& input, Texture& target, Mesh& mesh) {
  DrawPass(storage, target, mesh, program, [&](ShaderProgram& pass) {
    pass.Uniform("tex", 0);
    pass.Uniform(names.taps, taps.taps);
    pass.Uniform(names.coefficient, taps.coefficient);
    pass.Uniform(names.norm, taps.norm);
    pass.Uniform(names.step, step);
    pass.Uniform(names.texelsPerTap, taps.texelsPerTap);
    input.Use(0);
  });
}

}  // namespace Obrisk::Ogl
