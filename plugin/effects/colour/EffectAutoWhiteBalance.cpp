#include "effects/colour/EffectAutoWhiteBalance.h"

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include <glm/mat3x3.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"
#include "obrisk/effectcommon/ChromaticAdaptation.h"

namespace Obrisk::Ogl {
namespace {

constexpr const char* kSourcePath = "Proc/Effects/Quenvara/EffectAutoWhiteBalance";

// Each output pixel of the mean-colour pass sums a square block of this many
// texels a side: few enough to keep the sum exact in single precision, many
// enough that the sums read back are a small image.
constexpr int kBlockSide = 16;

const ShaderSourceKeeper kAverageColor{
    "AverageColor", Shader::FullFrame,
    [] {
      return "const int kBlockSide = " + std::to_string(kBlockSide) + ";\n" + R"(
uniform sampler2D tex;
uniform vec2 sourceSize;  // in texels
varying vec2 TexCoord0;

// The sum of the colours of the block of texels this pixel stands for;
// texels past the picture's right or top edge count nothing.
void main() {
  vec2 first = floor(gl_FragCoord.xy) * float(kBlockSide);
  vec3 sum = vec3(0.0);
  for (int dy = 0; dy < kBlockSide; ++dy) {
    for (int dx = 0; dx < kBlockSide; ++dx) {
      vec2 texel = first + vec2(float(dx), float(dy));
      if (texel.x < sourceSize.x && texel.y < sourceSize.y) {
        sum += texture2D(tex, (texel + 0.5) / sourceSize).rgb;
      }
    }
  }
  gl_FragColor = vec4(sum, 1.0);
}
)";
    },
    kSourcePath};

const ShaderSourceKeeper kShader{"EffectAutoWhiteBalance", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform mat3 trans;
varying vec2 TexCoord0;

// The colour as a column vector through the adaptation; alpha kept.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(clamp(trans * color.rgb, 0.0, 1.0), color.a);
}
)",
                                 kSourcePath};

constexpr double kMaxCode = 255.0;

// The mean colour of the picture as bytes (alpha 0): block sums on the GPU,
// their total in double precision here.
Proc::SettingsEffectAutoWhiteBalance::Color MeanColor(Texture& picture, ShaderStorage& storage) {
  const int width = picture.Width();
  const int height = picture.Height();
  Texture::Params params;
  params.width = (width + kBlockSide - 1) / kBlockSide;
  params.height = (height + kBlockSide - 1) / kBlockSide;
  params.internalFormat = GL_RGBA32F;
  params.type = GL_FLOAT;
  params.filter = GL_NEAREST;
  TexturePool::Lease sums = TexturePool::GetInstance().GetTex(params);

  ShaderProgram& program = storage.MakeShader(kAverageColor);
  storage.FBO().Attach(*sums);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("sourceSize", static_cast<float>(width), static_cast<float>(height));
  picture.Use(0);
  glBindSampler(0, storage.NearestSampler());
  storage.Quad().Activate();
  storage.Quad().Draw(program);
  glBindSampler(0, 0);

  std::vector<float> texels(static_cast<std::size_t>(params.width) * params.height * 4);
  sums->Download(0, texels.data(), storage.FBO(), GL_FLOAT);
  std::array<double, 3> total{};
  for (std::size_t i = 0; i < texels.size(); i += 4) {
    for (std::size_t c = 0; c < 3; ++c) total[c] += texels[i + c];
  }
  const double pixels = static_cast<double>(width) * height;
  Proc::SettingsEffectAutoWhiteBalance::Color mean{};
  for (std::size_t c = 0; c < 3; ++c) {
    mean[c] = static_cast<std::uint8_t>(std::lround(kMaxCode * total[c] / pixels));
  }
  return mean;
}

// The adaptation as the shader's mat3: glm keeps columns, so element
// [column][row] holds the matrix's row-i, column-j value at [j][i].
glm::mat3 ToUniform(const Proc::Matrix3& matrix) {
  glm::mat3 result;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) result[j][i] = static_cast<float>(matrix[i][j]);
  }
  return result;
}

}  // namespace

const std::string_view& EffectAutoWhiteBalance::GetName() const {
  static constexpr std::string_view kName = "EffectAutoWhiteBalance";
  return kName;
}

void EffectAutoWhiteBalance::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                        double, double, ShaderStorage& storage,
                                        const Ptr<OglCache>&) {
  const Proc::SettingsEffectAutoWhiteBalance& settings = DrawingSettings();
  Proc::SettingsEffectAutoWhiteBalance::Color reference = settings.GetColor();
  if (reference == Proc::SettingsEffectAutoWhiteBalance::kMeasure) {
    Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
    reference = MeanColor(rgba->GetFirstTexture(), storage);
  }
  const glm::mat3 trans =
      ToUniform(Proc::GetChromaticAdaptationTransformation(reference, settings.GetScalingMethod()));
  DrawSinglePass(storage, storage.MakeShader(kShader), *target, *source,
                 [&](ShaderProgram& program) { program.Uniform("trans", trans, false); });
}

}  // namespace Obrisk::Ogl
