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

// The patch distance is symmetric: the distance of p to p + d is that of
// p + d to p. So half of the search window is walked (offsets d with dy > 0,
// or dy = 0 and dx > 0), four offsets at a time, one per channel of the float
// textures in between. For each group:
//   1. "EffectDenoiseNLM_patches": the squared colour difference between
//      every pixel and the pixel at each offset from it, summed along the
//      patch's rows; computed around the picture too (search radius columns,
//      search plus patch radius rows), so that the next pass reads the sums
//      of any pixel it needs without clamping them;
//   2. "EffectDenoiseNLM_weights": those row sums summed down the patch's
//      columns give the distance of p to p + d and, at p - d, the distance of
//      p to p - d; each weight exp(-D / h2) times its pixel, and the weight,
//      are added into a float accumulator by blending.
// Then "EffectDenoiseNLM" divides: (centre + weighted sum) / (1 + weights).
// Each offset thus costs a few samples per pixel instead of two per patch
// texel, with the same sums as the direct formula.

const ShaderSourceKeeper kPatchShader{"EffectDenoiseNLM_patches", Shader::FullFrame,
                                      R"(#version 130
uniform sampler2D tex;
uniform ivec4 offsetsX;
uniform ivec4 offsetsY;
uniform int searchRadius;
uniform int patchRadius;

vec3 TexelAt(ivec2 p) {
  return texelFetch(tex, clamp(p, ivec2(0), textureSize(tex, 0) - 1), 0).rgb;
}

float SquaredDistance(vec3 a, vec3 b) {
  vec3 difference = a - b;
  return dot(difference, difference);
}

// Texel (searchRadius, searchRadius + patchRadius) of this texture is the
// picture's pixel (0, 0). Each channel sums |rgb(q + e) - rgb(q + offset + e)|^2
// over e = (-patchRadius .. patchRadius, 0), every texel clamped to the
// picture on its own, as the direct formula does.
void main() {
  ivec2 q = ivec2(gl_FragCoord.xy) - ivec2(searchRadius, searchRadius + patchRadius);
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
uniform int searchRadius;
uniform int patchRadius;
uniform float h2;

vec3 TexelAt(ivec2 p) {
  return texelFetch(tex, clamp(p, ivec2(0), textureSize(tex, 0) - 1), 0).rgb;
}

// The patch distances at pixel q for all four offsets: the row sums of the
// patch's rows.
vec4 Distances(ivec2 q) {
  ivec2 top = q + ivec2(searchRadius);
  vec4 distances = vec4(0.0);
  for (int y = 0; y <= 2 * patchRadius; ++y) {
    distances += texelFetch(rowSums, top + ivec2(0, y), 0);
  }
  return distances;
}

// Each offset d of the group adds the pixel at p + d, weighted by the
// distance of p to it, and the pixel at p - d, weighted by the distance of
// p - d to p (the distance for d computed at p - d); lanes that carry no
// offset weigh 0. The weights themselves go to alpha.
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  ivec2 d0 = ivec2(offsetsX.x, offsetsY.x);
  ivec2 d1 = ivec2(offsetsX.y, offsetsY.y);
  ivec2 d2 = ivec2(offsetsX.z, offsetsY.z);
  ivec2 d3 = ivec2(offsetsX.w, offsetsY.w);
  vec4 ahead = exp(-Distances(p) / h2) * lanes;
  vec4 behind = exp(-vec4(Distances(p - d0).x, Distances(p - d1).y, Distances(p - d2).z,
                          Distances(p - d3).w) / h2) * lanes;
  vec3 sum = ahead.x * TexelAt(p + d0) + behind.x * TexelAt(p - d0) +
             ahead.y * TexelAt(p + d1) + behind.y * TexelAt(p - d1) +
             ahead.z * TexelAt(p + d2) + behind.z * TexelAt(p - d2) +
             ahead.w * TexelAt(p + d3) + behind.w * TexelAt(p - d3);
  gl_FragColor = vec4(sum, dot(ahead + behind, vec4(1.0)));
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

// Half the offsets of the (2 radius + 1)^2 window, four a group: those
// after the centre in row order; each stands for its opposite too.
std::vector<OffsetGroup> OffsetGroups(int radius) {
  std::vector<OffsetGroup> groups;
  std::size_t lane = kOffsetsPerGroup;
  for (int dy = 0; dy <= radius; ++dy) {
    for (int dx = dy == 0 ? 1 : -radius; dx <= radius; ++dx) {
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

void SetOffsets(ShaderProgram& program, const OffsetGroup& group, int searchRadius,
                int patchRadius) {
  program.Uniform("offsetsX", group.x);
  program.Uniform("offsetsY", group.y);
  program.Uniform("searchRadius", searchRadius);
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
  const int searchRadius = OddRadius(settings.GetSearchWindowSize());
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  const Texture& picture = rgba->GetFirstTexture();
  const int width = picture.Width();
  const int height = picture.Height();

  TexturePool& pool = TexturePool::GetInstance();
  const TexturePool::Lease rowSums = pool.GetTex(
      FloatTexture(width + 2 * searchRadius, height + 2 * (searchRadius + patchRadius)));
  const TexturePool::Lease accumulated = pool.GetTex(FloatTexture(width, height));
  storage.FBO().Attach(*accumulated);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);

  ShaderProgram& patches = storage.MakeShader(kPatchShader);
  ShaderProgram& weights = storage.MakeShader(kWeightShader);
  for (const OffsetGroup& group : OffsetGroups(searchRadius)) {
    DrawPass(storage, *rowSums, storage.Quad(), patches, [&](ShaderProgram& program) {
      program.Uniform("tex", 0);
      SetOffsets(program, group, searchRadius, patchRadius);
      picture.Use(0);
    });
    EnableState blend(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    DrawPass(storage, *accumulated, storage.Quad(), weights, [&](ShaderProgram& program) {
      program.Uniform("tex", 0);
      program.Uniform("rowSums", 1);
      SetOffsets(program, group, searchRadius, patchRadius);
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
