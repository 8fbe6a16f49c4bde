#include "effects/stylise/EffectNeonLamp.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <glm/vec3.hpp>

#include "effects/stylise/StylisePasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kPreprocess{"NeonLampPreprocessShader", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec3 newColor;
uniform bool setColor;
varying vec2 TexCoord0;

// The tube: the picture, or its visible part in one colour, in linear light.
void main() {
  vec4 c = texture2D(tex, TexCoord0);
  vec3 rgb = setColor && c.a > 1.0e-6 ? newColor : c.rgb;
  gl_FragColor = vec4(pow(rgb, vec3(2.2)), c.a);
}
)",
                                     "Proc/Effects/Quenvara/EffectNeonLamp"};

const ShaderSourceKeeper kPassTex{"PassTex", Shader::FullFrame, R"(
uniform sampler2D tex;
varying vec2 TexCoord0;
void main() { gl_FragColor = texture2D(tex, TexCoord0); }
)",
                                  "Proc/Effects/Quenvara/EffectNeonLamp"};

const ShaderSourceKeeper kBlur{"NeonLampBlurShader", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec2 texelSize;
uniform bool horizontal;
uniform float weight[32];
uniform int kernelSize;
varying vec2 TexCoord0;

// One direction of a Gaussian given by its weights from the centre out.
void main() {
  vec2 step = horizontal ? vec2(texelSize.x, 0.0) : vec2(0.0, texelSize.y);
  vec3 sum = weight[0] * texture2D(tex, TexCoord0).rgb;
  for (int i = 1; i < kernelSize; ++i) {
    vec2 offset = float(i) * step;
    sum += weight[i] * (texture2D(tex, TexCoord0 + offset).rgb +
                        texture2D(tex, TexCoord0 - offset).rgb);
  }
  gl_FragColor = vec4(sum, 1.0);
}
)",
                               "Proc/Effects/Quenvara/EffectNeonLamp"};

const ShaderSourceKeeper kPostprocess{"NeonLampPostprocessShader", Shader::FullFrame, R"(
uniform sampler2D image;
uniform sampler2D blurTex0;
uniform sampler2D blurTex1;
uniform sampler2D blurTex2;
uniform float maskAmp;
uniform float blurAmp;
uniform float alphaFactor;
varying vec2 TexCoord0;

// The glows added to the picture (stronger over its visible part), tone
// mapped with exposure 1 and returned to gamma 2.2; alpha follows a weighted
// brightness.
void main() {
  vec4 picture = texture2D(image, TexCoord0);
  vec3 glow = texture2D(blurTex0, TexCoord0).rgb + texture2D(blurTex1, TexCoord0).rgb +
              texture2D(blurTex2, TexCoord0).rgb;
  if (picture.a > 1.0e-6) glow *= maskAmp;
  glow *= blurAmp;
  vec3 rgb = 1.0 - exp(-(picture.rgb + glow));
  rgb = pow(rgb, vec3(1.0 / 2.2));
  gl_FragColor = vec4(rgb, pow(dot(rgb, vec3(2.0, 1.0, 3.0)) / 6.0, alphaFactor));
}
)",
                                      "Proc/Effects/Quenvara/EffectNeonLamp"};

constexpr int kGlows = 3;
// Each glow's Gaussian deviation (texels), taps and passes per unit of
// intensity.
constexpr std::array<double, kGlows> kDeviations{1.0, 2.5, 10.0};
constexpr std::array<int, kGlows> kTaps{5, 10, 32};
constexpr std::array<double, kGlows> kPassesPerIntensity{5.0, 10.0, 25.0};

// w_i = exp(-i^2 / (2 sigma^2)) / (sqrt(2 pi) sigma), not renormalised.
std::vector<float> GaussianWeights(double sigma, int taps) {
  const double norm = 1.0 / (std::sqrt(2.0 * 3.14159265358979323846) * sigma);
  std::vector<float> weights(static_cast<std::size_t>(taps));
  for (int i = 0; i < taps; ++i) {
    weights[static_cast<std::size_t>(i)] =
        static_cast<float>(std::exp(-i * i / (2.0 * sigma * sigma)) * norm);
  }
  return weights;
}

const std::array<std::vector<float>, kGlows> kWeights{GaussianWeights(kDeviations[0], kTaps[0]),
                                                      GaussianWeights(kDeviations[1], kTaps[1]),
                                                      GaussianWeights(kDeviations[2], kTaps[2])};

// Opaque black asks for the picture's own colours.
bool KeepsOwnColours(const Proc::SettingsEffectNeonLamp::Color& c) {
  return c.r == 0 && c.g == 0 && c.b == 0 && c.a == 255;
}

// The prepared picture and a ping-pong pair of textures per glow, all float
// and of the frame's size; made again when the size changes.
class NeonLampOGLCache final : public OglCache {
 public:
  void Ensure(int width, int height) {
    if (created && image->Width() == width && image->Height() == height) return;
    const Texture::Params params{width,    height,    GL_RGBA32F,      GL_RGBA,
                                 GL_FLOAT, GL_LINEAR, GL_CLAMP_TO_EDGE};
    image = TexturePool::GetInstance().GetTex(params);
    for (auto& pair : glows) {
      for (auto& texture : pair) texture = TexturePool::GetInstance().GetTex(params);
    }
    created = true;
  }

  TexturePool::Lease image;
  std::array<std::array<TexturePool::Lease, 2>, kGlows> glows;
  bool created = false;
};

}  // namespace

const std::string_view& EffectNeonLamp::GetName() const {
  static constexpr std::string_view kName = "EffectNeonLamp";
  return kName;
}

Ptr<OglCache> EffectNeonLamp::CreateCache() {
  return MakeRef<NeonLampOGLCache>();
}

void EffectNeonLamp::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                double, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  NeonLampOGLCache& textures = CacheAs<NeonLampOGLCache>(cache);
  const Proc::SettingsEffectNeonLamp& settings = DrawingSettings();
  const double intensity = settings.GetIntensity();
  const Proc::SettingsEffectNeonLamp::Color colour = settings.GetColor();
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  Texture& picture = rgba->GetFirstTexture();
  textures.Ensure(picture.Width(), picture.Height());

  DrawFullFrame(storage, storage.MakeShader(kPreprocess), *textures.image,
                [&](ShaderProgram& program) {
                  program.Uniform("tex", 0);
                  program.Uniform("newColor", glm::vec3(colour.r, colour.g, colour.b) / 255.0f);
                  program.Uniform("setColor", KeepsOwnColours(colour) ? 0 : 1);
                  picture.Use(0);
                });

  for (int g = 0; g < kGlows; ++g) {
    auto& pair = textures.glows[static_cast<std::size_t>(g)];
    DrawFullFrame(storage, storage.MakeShader(kPassTex), *pair[0], [&](ShaderProgram& program) {
      program.Uniform("tex", 0);
      textures.image->Use(0);
    });
    const int passes = 2 * static_cast<int>(intensity * kPassesPerIntensity[g]);
    const std::vector<float>& weights = kWeights[static_cast<std::size_t>(g)];
    for (int pass = 0; pass < passes; ++pass) {
      Texture& from = *pair[static_cast<std::size_t>(pass % 2)];
      Texture& to = *pair[static_cast<std::size_t>(1 - pass % 2)];
      DrawFullFrame(storage, storage.MakeShader(kBlur), to, [&](ShaderProgram& program) {
        program.Uniform("tex", 0);
        program.Uniform("texelSize", 1.0f / static_cast<float>(from.Width()),
                        1.0f / static_cast<float>(from.Height()));
        program.Uniform("horizontal", pass % 2 == 0 ? 1 : 0);
        program.Uniform("weight", weights);
        program.Uniform("kernelSize", static_cast<int>(weights.size()));
        from.Use(0);
      });
    }
  }

  DrawFullFrame(storage, storage.MakeShader(kPostprocess), target->GetFirstTexture(),
                [&](ShaderProgram& program) {
                  program.Uniform("image", 0);
                  program.Uniform("blurTex0", 1);
                  program.Uniform("blurTex1", 2);
                  program.Uniform("blurTex2", 3);
                  program.Uniform("maskAmp", std::max(1.0, 2.0 * intensity));
                  program.Uniform("blurAmp", std::max(1.0, 10.0 * intensity));
                  program.Uniform("alphaFactor", 1.0 - 0.5 * intensity);
                  picture.Use(0);
                  for (int g = 0; g < kGlows; ++g) {
                    textures.glows[static_cast<std::size_t>(g)][0]->Use(g + 1);
                  }
                });
}

}  // namespace Obrisk::Ogl
