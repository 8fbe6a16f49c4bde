#include "effects/colour/EffectRetroColors.h"

#include <algorithm>
#include <array>

#include <glm/gtc/type_ptr.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

using Keeper = ShaderSourceKeeper<Shader::Id, std::string_view>;
constexpr std::string_view kPath = "Proc/Effects/Quenvara/EffectRetroColors";

// Indexed by max(mode - 1, 0), capped at the last: modes 0 and 1 draw through
// a colour matrix, 2 is greyscale, 3 and above sepia.
const std::array<Keeper, 3> kPrograms{
    Keeper{"EffectRetroColors_retro_and_s70", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform mat4 matr;
varying vec2 TexCoord0;

// (R, G, B, 1) as a row vector times the matrix: each column holds one output
// channel's weights and, fourth, its offset. Alpha is kept.
void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4((vec4(color.rgb, 1.0) * matr).rgb, color.a);
}
)",
           std::string(kPath)},
    Keeper{"EffectRetroColors_grayscale", Shader::FullFrame, R"(
uniform sampler2D tex;
varying vec2 TexCoord0;

// BT.601 luma weights (ITU-R BT.601-7, item 2.5.1).
const vec3 kLumaWeights = vec3(0.299, 0.587, 0.114);

void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(vec3(dot(color.rgb, kLumaWeights)), color.a);
}
)",
           std::string(kPath)},
    Keeper{"EffectRetroColors_sepia", Shader::FullFrame, R"(
uniform sampler2D tex;
varying vec2 TexCoord0;

// BT.601 luma weights (ITU-R BT.601-7, item 2.5.1).
const vec3 kLumaWeights = vec3(0.299, 0.587, 0.114);
// Powers of the grey per channel, in 0-255 levels about 1: red lighter,
// green a little lighter, blue darker, for the brown of old prints.
const vec3 kSepiaExponents = vec3(1.0 - 90.0 / 255.0, 1.0 - 30.0 / 255.0, 1.0 + 150.0 / 255.0);

void main() {
  vec4 color = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(pow(vec3(dot(color.rgb, kLumaWeights)), kSepiaExponents), color.a);
}
)",
           std::string(kPath)}};

// The colour matrices of modes 0 (retro) and 1 (seventies), as the shader's
// mat4 memory: four floats per output channel R, G, B, A, each the weights of
// input R, G, B and an offset. Both fade the blue and warm the picture.
constexpr std::array<std::array<float, 16>, 2> kMatrices{{
    {1.066f, 0.083f, -0.056f, -0.026129412f,  //
     -0.047f, 0.943f, -0.015f, 0.084137254f,  //
     -0.022f, 0.034f, 0.496f, 0.23962745f,    //
     0.0f, 0.0f, 0.0f, 1.0f},
    {0.785f, 0.017f, 0.011f, 0.10094117f,    //
     -0.007f, 0.867f, 0.008f, 0.055247061f,  //
     -0.005f, -0.01f, 0.854f, 0.01842745f,   //
     0.0f, 0.0f, 0.0f, 1.0f},
}};

}  // namespace

const std::string_view& EffectRetroColors::GetName() const {
  static constexpr std::string_view kName = "EffectRetroColors";
  return kName;
}

void EffectRetroColors::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                   double, double, ShaderStorage& storage, const Ptr<OglCache>&) {
  // Modes below 0 count as 0, so the matrix program always has its matrix.
  const int mode = std::max(DrawingSettings().GetMode(), 0);
  const std::size_t program = static_cast<std::size_t>(std::clamp(mode - 1, 0, 2));
  DrawSinglePass(storage, storage.MakeShader(kPrograms[program]), *target, *source,
                 [&](ShaderProgram& shader) {
                   if (mode <= 1) {
                     shader.Uniform(
                         "matr", glm::make_mat4(kMatrices[static_cast<std::size_t>(mode)].data()),
                         false);
                   }
                 });
}

}  // namespace Obrisk::Ogl
