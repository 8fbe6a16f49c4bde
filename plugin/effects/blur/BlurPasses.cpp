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

float GaussianNorm(int taps, float coefficient) {
  float sum = 0.0f;
  for (int i = 1; i <= taps; ++i) sum += std::exp(coefficient * static_cast<float>(i * i));
  return 1.0f / (1.0f + 2.0f * sum);
}

std::string GaussianPassFragment(const GaussianUniformNames& names) {
  return fmt::format(R"(
uniform sampler2D tex;
uniform int {taps};
uniform float {coefficient};
uniform float {norm};
uniform vec2 {step};
varying vec2 TexCoord0;

// One direction of a separable Gaussian: the centre plus {taps} weighted
// pairs of samples {step} apart on either side. Alpha is not blurred.
void main() {{
  vec4 centre = texture2D(tex, TexCoord0);
  vec3 sum = centre.rgb;
  for (int i = 1; i <= {taps}; ++i) {{
    float weight = exp({coefficient} * float(i * i));
    vec2 offset = float(i) * {step};
    sum += weight * (texture2D(tex, TexCoord0 + offset).rgb +
                     texture2D(tex, TexCoord0 - offset).rgb);
  }}
  gl_FragColor = vec4(sum * {norm}, centre.a);
}}
)",
                     fmt::arg("taps", names.taps), fmt::arg("coefficient", names.coefficient),
                     fmt::arg("norm", names.norm), fmt::arg("step", names.step));
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
    input.Use(0);
  });
}

}  // namespace Obrisk::Ogl
