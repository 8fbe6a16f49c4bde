#include "effects/blur/BlurPasses.h"

#include <cmath>

#include <fmt/format.h>

namespace Obrisk::Ogl {

void DrawWithOpacity(Frame& frame, ShaderStorage& storage, float opacity) {
  EnableState blend(GL_BLEND);
  glBlendColor(0.0f, 0.0f, 0.0f, opacity);
  glBlendFunc(GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA);
  frame.Draw(storage.FrameQuad(), storage);
}

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

// The weight of the texel `texel` texels from the centre.
float texelWeight(int texel) {{
  float position = float(texel) / float({texelsPerTap});
  return exp({coefficient} * position * position);
}}

// One direction of a separable Gaussian: the centre plus {taps} weighted
// pairs of samples {step} apart on either side. Tap i stands for the
// {texelsPerTap} (one or two) texels up to i * {texelsPerTap}: with two, its
// sample lies between them where linear filtering weighs each texel by its
// share of the tap's weight. Alpha is not blurred.
void main() {{
  vec4 centre = texture2D(tex, TexCoord0);
  vec3 sum = centre.rgb;
  for (int i = 1; i <= {taps}; ++i) {{
    float outerWeight = texelWeight(i * {texelsPerTap});
    float innerWeight = float({texelsPerTap} - 1) * texelWeight(i * {texelsPerTap} - 1);
    float weight = outerWeight + innerWeight;
    // From the outer texel towards the inner one by the inner's share, in taps.
    float position = float(i) - innerWeight / (weight * float({texelsPerTap}));
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
  DrawPass(storage, target, storage.Quad(), program, [&](ShaderProgram& pass) {
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
