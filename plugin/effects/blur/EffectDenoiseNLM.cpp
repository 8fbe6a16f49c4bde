#include "effects/blur/EffectDenoiseNLM.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include <glm/vec4.hpp>

#include "effects/blur/BlurPasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

// The search window is walked four offsets at a time, one per channel of the
// float textures in between. For each group:
//   1. "EffectDenoiseNLM_patches": the squared colour difference between
//      every pixel and the pixel at each offset from it, summed along the
//      patch's rows (rows above and below the picture included, so that the
//      next pass need not clamp the sums themselves);
//   2. "EffectDenoiseNLM_weights": those row sums summed down the patch's
//      columns give each offset's patch distance; its weight exp(-D / h2)
//      times the pixel at the offset, and the weight, are added into a float
//      accumulator by blending.
// Then "EffectDenoiseNLM" divides: (centre + weighted sum) / (1 + weights).
// Each offset thus costs a few samples per pixel instead of two per patch
// texel, with the same sums as the direct formula.

const ShaderSourceKeeper kPatchShader{"EffectDenoiseNLM_patches", Shader::FullFrame,
                                      R"(#version 130
uniform sampler2D tex;
uniform ivec4 offsetsX;
uniform ivec4 offsetsY;
uniform int patchRadius;

vec3 TexelAt(ivec2 p) {
  return texelFetch(tex, clamp(p, ivec2(0), textureSize(tex, 0) - 1), 0).rgb;
}

float SquaredDistance(vec3 a, vec3 b) {
  vec3 difference = a - b;
  return dot(difference, difference);
}

// Row patchRadius of this texture is the picture's row 0. Each channel sums
// |rgb(q + e) - rgb(q + offset + e)|^2 over e = (-patchRadius..patchRadius, 0),
// every texel clamped to the picture on its own, as the direct formula does.
void main() {
  ivec2 q = ivec2(gl_FragCoord.xy) - ivec2(0, patchRadius);
  vec4 sums = vec4(0.0);
  for (int x = -patchRadius; x <= patchRadius; ++x) {
    ivec2 p = q + ivec2(x, 0);
    vec3 centre = TexelAt(p);
    sums += vec4(SquaredDistance(centre, TexelAt(p + ivec2(offsetsX.x, offsetsY.x))),
                 SquaredDistance(centre, TexelAt(p + ivec2(offsetsX.y, offsetsY.y))),
                 SquaredDistance(centre, TexelAt(p + ivec2(offsetsX.z, offsetsY.z))),
                 SquaredDistance(centre, TexelAt(p + ivec2(offsetsX.w, offsetsY.w))));
  }
  gl_FragColor = sums;
}
)",
                                      "Proc/Effects/Quenvara/EffectDenoiseNLM"};

const ShaderSourceKeeper kWeightShader{"EffectDenoiseNLM_weights", Shader::FullFrame,
                                       R"(#version 130
uniform sampler2D tex;
uniform sampler2D rowSums;
uniform ivec4 offsetsX;
uniform ivec4 offsetsY;
uniform vec4 lanes;
uniform int patchRadius;
uniform float h2;

vec3 TexelAt(ivec2 p) {
  return texelFetch(tex, clamp(p, ivec2(0), textureSize(tex, 0) - 1), 0).rgb;
}

// The patch distances of the four offsets are the row sums of the patch's
// rows; each offset's pixel is added with weight exp(-distance / h2) (lanes
// that carry no offset weigh 0), the weights themselves go to alpha.
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  vec4 distances = vec4(0.0);
  for (int y = 0; y <= 2 * patchRadius; ++y) {
    distances += texelFetch(rowSums, p + ivec2(0, y), 0);
  }
  vec4 weights = exp(-distances / h2) * lanes;
  vec3 sum = weights.x * TexelAt(p + ivec2(offsetsX.x, offsetsY.x)) +
             weights.y * TexelAt(p + ivec2(offsetsX.y, offsetsY.y)) +
             weights.z * TexelAt(p + ivec2(offsetsX.z, offsetsY.z)) +
             weights.w * TexelAt(p + ivec2(offsetsX.w, offsetsY.w));
  gl_FragColor = vec4(sum, dot(weights, vec4(1.0)));
}
)",
                                       "Proc/Effects/Quenvara/EffectDenoiseNLM"};

const ShaderSourceKeeper kShader{"EffectDenoiseNLM", Shader::FullFrame, R"(#version 130
uniform sampler2D tex;
uniform sampler2D accumulated;

// The centre pixel counts with weight 1 beside the weighted window.
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  vec4 centre = texelFetch(tex, p, 0);
  vec4 window = texelFetch(accumulated, p, 0);
  gl_FragColor = vec4((centre.rgb + window.rgb) / (1.0 + window.a), centre.a);
}
)",
                                 "Proc/Effects/Quenvara/EffectDenoiseNLM"};

// Offsets handled by one pair of passes: one per channel.
constexpr std::size_t kOffsetsPerGroup = 4;

// The radius of a window of `size` pixels forced odd (4 behaves as 5).
int OddRadius(std::int32_t size) {
  return (size | 1) / 2;
}

// Up to four offsets of the search window; lanes without one weigh 0.
struct OffsetGroup {
  glm::ivec4 x{0};
  glm::ivec4 y{0};
  glm::vec4 lanes{0.0f};
};

// Every offset of the (2 radius + 1)^2 window but the centre, four a group.
std::vector<OffsetGroup> OffsetGroups(int radius) {
  std::vector<OffsetGroup> groups;
  std::size_t lane = kOffsetsPerGroup;
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      if (dx == 0 && dy == 0) continue;
      if (lane == kOffsetsPerGroup) {
        groups.emplace_back();
        lane = 0;
      }
      const auto channel = static_cast<glm::length_t>(lane++);
      groups.back().x[channel] = dx;
      groups.back().y[channel] = dy;
      groups.back().lanes[channel] = 1.0f;
    }
  }
  return groups;
}

Texture::Params FloatTexture(int width, int height) {
  Texture::Params params;
  params.width = width;
  params.height = height;
  params.internalFormat = GL_RGBA32F;
  params.type = GL_FLOAT;
  params.filter = GL_NEAREST;
  return params;
}

void SetOffsets(ShaderProgram& program, const OffsetGroup& group, int patchRadius) {
  program.Uniform("offsetsX", group.x);
  program.Uniform("offsetsY", group.y);
  program.Uniform("patchRadius", patchRadius);
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
  const int patchRadius = OddRadius(settings.GetPatchSize());
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  const Texture& picture = rgba->GetFirstTexture();
  const int width = picture.Width();
  const int height = picture.Height();

  TexturePool& pool = TexturePool::GetInstance();
  const TexturePool::Lease rowSums = pool.GetTex(FloatTexture(width, height + 2 * patchRadius));
  const TexturePool::Lease accumulated = pool.GetTex(FloatTexture(width, height));
  storage.FBO().Attach(*accumulated);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);

  ShaderProgram& patches = storage.MakeShader(kPatchShader);
  ShaderProgram& weights = storage.MakeShader(kWeightShader);
  for (const OffsetGroup& group : OffsetGroups(OddRadius(settings.GetSearchWindowSize()))) {
    DrawPass(storage, *rowSums, storage.Quad(), patches, [&](ShaderProgram& program) {
      program.Uniform("tex", 0);
      SetOffsets(program, group, patchRadius);
      picture.Use(0);
    });
    EnableState blend(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    DrawPass(storage, *accumulated, storage.Quad(), weights, [&](ShaderProgram& program) {
      program.Uniform("tex", 0);
      program.Uniform("rowSums", 1);
      SetOffsets(program, group, patchRadius);
      program.Uniform("lanes", group.lanes);
      program.Uniform("h2", h2);
      picture.Use(0);
      rowSums->Use(1);
    });
  }

  DrawPass(storage, target->GetFirstTexture(), storage.Quad(), storage.MakeShader(kShader),
           [&](ShaderProgram& program) {
             program.Uniform("tex", 0);
             program.Uniform("accumulated", 1);
             picture.Use(0);
             accumulated->Use(1);
           });
}

}  // namespace Obrisk::Ogl
