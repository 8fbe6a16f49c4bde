#include "effects/blur/EffectGaussianBlur.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <glm/vec4.hpp>

#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

constexpr GaussianUniformNames kUniforms{"size", "sigma", "norm", "local_step", "texels_per_tap"};

const ShaderSourceKeeper kShader{"EffectBlur", Shader::FullFrame,
                                 [] { return GaussianPassFragment(kUniforms); },
                                 "Proc/Effects/Quenvara/EffectGaussianBlur"};

const ShaderSourceKeeper kHalvingShader{"EffectBlur_down", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec4 scaleoffset;
uniform vec2 offset;
varying vec2 TexCoord0;

// Halves the picture with the filter [1 3 3 1] / 8 in each direction: the
// four linear samples, three quarters of a texel either side of the point
// between the 2x2 texels under this one, weigh the 4x4 texels around it.
// `scaleoffset` maps this level's coordinates to the finer level's.
void main() {
  vec2 centre = TexCoord0 * scaleoffset.xy + scaleoffset.zw;
  gl_FragColor = 0.25 * (texture2D(tex, centre - offset) + texture2D(tex, centre + offset) +
                         texture2D(tex, centre + vec2(offset.x, -offset.y)) +
                         texture2D(tex, centre + vec2(-offset.x, offset.y)));
}
)",
                                        "Proc/Effects/Quenvara/EffectGaussianBlur"};

const ShaderSourceKeeper kUpscalingShader{"EffectBlur_up", Shader::FullFrame, R"(#version 130
uniform sampler2D tex;
uniform sampler2D alpha_tex;
uniform vec4 scaleoffset;
uniform vec2 size;
varying vec2 TexCoord0;

// Scales the blurred coarse level up to the picture with a cubic B-spline:
// its 4x4 weights fold pairwise into four linear samples. Unlike linear
// interpolation it leaves no creases at the coarse texels, and it widens
// every pixel by the same variance (a third of a coarse texel squared)
// wherever the pixel lies between them. Alpha is the source's, fetched
// unfiltered (the target has the source's size).
void main() {
  vec2 position = (TexCoord0 * scaleoffset.xy + scaleoffset.zw) * size - 0.5;
  vec2 base = floor(position);
  vec2 f = position - base;
  vec2 g = 1.0 - f;
  vec2 w0 = g * g * g / 6.0;
  vec2 w1 = (4.0 - 6.0 * f * f + 3.0 * f * f * f) / 6.0;
  vec2 w3 = f * f * f / 6.0;
  vec2 w2 = 1.0 - w0 - w1 - w3;
  vec2 before = w0 + w1;
  vec2 after = w2 + w3;
  vec2 low = (base - 0.5 + w1 / before) / size;
  vec2 high = (base + 1.5 + w3 / after) / size;
  vec3 colour =
      before.y * (before.x * texture2D(tex, low).rgb +
                  after.x * texture2D(tex, vec2(high.x, low.y)).rgb) +
      after.y * (before.x * texture2D(tex, vec2(low.x, high.y)).rgb +
                 after.x * texture2D(tex, high).rgb);
  gl_FragColor = vec4(colour, texelFetch(alpha_tex, ivec2(gl_FragCoord.xy), 0).a);
}
)",
                                          "Proc/Effects/Quenvara/EffectGaussianBlur"};

const ShaderSourceKeeper kFastUpscalingShader{"EffectBlur_upFast", Shader::FullFrame,
                                              R"(#version 130
uniform sampler2D tex;
uniform sampler2D alpha_tex;
uniform vec4 scaleoffset;
varying vec2 TexCoord0;

// Scales the blurred coarse level up to the picture with one linear sample.
// Alpha is the source's, fetched unfiltered.
void main() {
  vec2 position = TexCoord0 * scaleoffset.xy + scaleoffset.zw;
  gl_FragColor = vec4(texture2D(tex, position).rgb, texelFetch(alpha_tex, ivec2(gl_FragCoord.xy), 0).a);
}
)",
                                              "Proc/Effects/Quenvara/EffectGaussianBlur"};

// The amount spans three deviations; below about a third of a tap the bell
// has no visible neighbours, so the deviation never goes lower.
constexpr float kDeviationsPerRadius = 3.0f;
constexpr float kMinDeviation = 0.34f;
// Fast mode takes half the taps of a bell three times as wide.
constexpr float kFastTapsPerDeviation = 1.5f;
constexpr float kFastWidening = 3.0f;
// The direct passes' taps are two texels apart: one linear sample between
// two texels fetches both, so each pass reaches twice as far per fetch.
constexpr int kTexelsPerTap = 2;

// The pyramid halves the picture until the deviation left is at most this
// many texels of the level: from there the level's blur needs few taps, and
// with at least half of it (two texels; 1.75 after a single halving of the
// smallest deviation the pyramid takes) left, the coarse grid's aliasing and
// the upscaling's shape are lost in the bell.
constexpr double kCoarseDeviationLimit = 4.0;
// The coarse blur reaches four deviations (three would lose 3% of the
// variance and show the cut); fast mode stops at three.
constexpr double kCoarseReachDeviations = 4.0;
constexpr double kFastCoarseReachDeviations = 3.0;
// One [1 3 3 1] / 8 halving adds 3/4 texel squared of variance in its finer
// level: in the coarsest level's texels the halvings add up to
// 3/4 * (1/4 + 1/16 + ...) = (1 - 4^-levels) / 4.
constexpr double kHalvingVarianceSum = 0.25;
// Variance that scaling up adds, in coarse texels squared: a cubic B-spline
// adds a third everywhere; linear interpolation adds t (1 - t) at fraction t
// between texels, on average 1/6 + 1/(12 n^2) over the n pixels per texel.
constexpr double kBSplineVariance = 1.0 / 3.0;
constexpr double kLinearVariance = 1.0 / 6.0;
constexpr double kLinearVariancePerPixelsSquared = 1.0 / 12.0;
// The halving filter's samples lie this far from the point between the 2x2
// texels under a coarse texel: linear filtering weighs its 4x4 texels 1 3 3 1.
constexpr float kHalvingSampleOffset = 0.75f;
// The levels keep floats, so that the halvings and the coarse blur add no
// 8-bit rounding of their own. Single precision rather than half: software
// renderers sample it without converting, which makes the full-size
// upscaling, the dearest pass, about a seventh cheaper.
constexpr GLint kLevelFormat = GL_RGBA32F;
constexpr GLenum kLevelType = GL_FLOAT;
// Every level starts this many texels before the picture's first pixel and
// ends with the first texel that sees nothing but the picture's last pixel
// (see LevelTexels). A [1 3 3 1] halving reaches one texel past the finer
// level's, so with two the outermost texel sees the first pixel alone:
// clamping a level to its edge then repeats what clamping the picture would
// have, as the direct passes do.
constexpr int kLevelMargin = 2;

class EffectBlurOGLCache final : public OglCache {
 public:
  Ptr<Frame> intermediate = Frame::Create();
  // levels[i] is the picture halved i + 1 times; scratch is the size of the
  // last level and holds its horizontal blur.
  std::vector<TexturePool::Lease> levels;
  TexturePool::Lease scratch;
};

// Texels along one side of a level `levels` halvings below a picture of
// `pixels`. Texel k of a level covers the picture's pixels [k 2^l, (k+1) 2^l)
// and halving weighs the finer texels 2k - 1 to 2k + 2, so the first texel
// that sees only the last pixel follows from the finer level's as
// last' = ceil((last + 1) / 2); it is the last one kept.
int LevelTexels(int pixels, int levels) {
  int last = pixels - 1;
  for (int level = 0; level < levels; ++level) last = (last + 2) / 2;
  return kLevelMargin + last + 1;
}

// Keeps `lease` a texture with `params`, taking another only when they change.
void KeepTexture(TexturePool::Lease& lease, const Texture::Params& params) {
  if (!lease || lease->GetParams().Key() != params.Key()) {
    lease = TexturePool::GetInstance().GetTex(params);
  }
}

// Level textures for `levels` halvings of a picture of width x height.
void KeepLevels(EffectBlurOGLCache& cache, int levels, int width, int height) {
  cache.levels.resize(static_cast<std::size_t>(levels));
  Texture::Params params;
  params.internalFormat = kLevelFormat;
  params.type = kLevelType;
  for (int level = 0; level < levels; ++level) {
    params.width = LevelTexels(width, level + 1);
    params.height = LevelTexels(height, level + 1);
    KeepTexture(cache.levels[static_cast<std::size_t>(level)], params);
  }
  KeepTexture(cache.scratch, params);
}

// Re-allocates the direct passes' intermediate frame only when the source's
// layout or size changes.
void KeepIntermediate(Frame& intermediate, Frame& rgba) {
  const Proc::FrameInfo& info = rgba.GetFrameInfo();
  if (intermediate.IsValid() && intermediate.GetPixelFormat() == rgba.GetPixelFormat() &&
      intermediate.GetFrameInfo().width == info.width &&
      intermediate.GetFrameInfo().height == info.height) {
    return;
  }
  intermediate.Allocate(rgba.GetColorSpace(), rgba.GetPixelFormat(), info);
}

void DrawDirect(ShaderStorage& storage, const GaussianTaps& taps, EffectBlurOGLCache& cache,
                Frame& rgba, Frame& target) {
  KeepIntermediate(*cache.intermediate, rgba);
  ShaderProgram& program = storage.MakeShader(kShader);
  const float width = static_cast<float>(rgba.GetFrameInfo().width);
  const float height = static_cast<float>(rgba.GetFrameInfo().height);
  Texture& intermediate = cache.intermediate->GetFirstTexture();
  const auto texelsPerTap = static_cast<float>(taps.texelsPerTap);
  DrawGaussianPass(storage, program, kUniforms, taps, {texelsPerTap / width, 0.0f},
                   rgba.GetFirstTexture(), intermediate);
  DrawGaussianPass(storage, program, kUniforms, taps, {0.0f, texelsPerTap / height}, intermediate,
                   target.GetFirstTexture());
}

// A texture seen as a grid over the picture: its texel `margin` + k covers
// the picture's pixels [k, k + 1) x pixelsPerTexel.
struct Grid {
  int width = 0;
  int height = 0;
  int margin = 0;
  double pixelsPerTexel = 1.0;
};

Grid PictureGrid(const Texture& texture) {
  return {texture.Width(), texture.Height(), 0, 1.0};
}

Grid LevelGrid(const Texture& texture, int level) {
  return {texture.Width(), texture.Height(), kLevelMargin, std::ldexp(1.0, level)};
}

// Maps texture coordinates t of `from` to those of `to` as t * xy + zw:
// a point (t N - margin) p pixels into the picture is (t' N' - margin') p'.
glm::vec4 GridMap(const Grid& from, const Grid& to) {
  const double ratio = from.pixelsPerTexel / to.pixelsPerTexel;
  const double shift = to.margin - from.margin * ratio;
  return {from.width * ratio / to.width, from.height * ratio / to.height, shift / to.width,
          shift / to.height};
}

// Halves `fine` into `coarse`, level `level` (1 for the first halving).
void DrawHalving(ShaderStorage& storage, const Texture& fine, const Grid& fineGrid, Texture& coarse,
                 int level) {
  const glm::vec4 map = GridMap(LevelGrid(coarse, level), fineGrid);
  DrawPass(storage, coarse, storage.Quad(), storage.MakeShader(kHalvingShader),
           [&](ShaderProgram& program) {
             program.Uniform("tex", 0);
             program.Uniform("scaleoffset", map);
             program.Uniform("offset", kHalvingSampleOffset / static_cast<float>(fine.Width()),
                             kHalvingSampleOffset / static_cast<float>(fine.Height()));
             fine.Use(0);
           });
}

// Scales the coarsest level, `levels` halvings below the picture, up into
// the target; alpha comes from the source.
void DrawUpscaling(ShaderStorage& storage, bool fast, int levels, const Texture& coarse,
                   const Texture& source, Texture& target) {
  const glm::vec4 map = GridMap(PictureGrid(source), LevelGrid(coarse, levels));
  DrawPass(storage, target, storage.Quad(),
           storage.MakeShader(fast ? kFastUpscalingShader : kUpscalingShader),
           [&](ShaderProgram& program) {
             program.Uniform("tex", 0);
             program.Uniform("alpha_tex", 1);
             program.Uniform("scaleoffset", map);
             if (!fast) {
               program.Uniform("size", static_cast<float>(coarse.Width()),
                               static_cast<float>(coarse.Height()));
             }
             coarse.Use(0);
             source.Use(1);
           });
}

void DrawPyramid(ShaderStorage& storage, const GaussianPyramidPlan& plan, bool fast,
                 EffectBlurOGLCache& cache, Frame& rgba, Frame& target) {
  const Texture& source = rgba.GetFirstTexture();
  KeepLevels(cache, plan.levels, source.Width(), source.Height());
  const Texture* finer = &source;
  Grid finerGrid = PictureGrid(source);
  for (int level = 1; level <= plan.levels; ++level) {
    Texture& coarser = *cache.levels[static_cast<std::size_t>(level - 1)];
    DrawHalving(storage, *finer, finerGrid, coarser, level);
    finer = &coarser;
    finerGrid = LevelGrid(coarser, level);
  }
  Texture& coarse = *cache.levels.back();
  ShaderProgram& program = storage.MakeShader(kShader);
  const auto texelsPerTap = static_cast<float>(plan.coarse.texelsPerTap);
  const auto width = static_cast<float>(coarse.Width());
  const auto height = static_cast<float>(coarse.Height());
  DrawGaussianPass(storage, program, kUniforms, plan.coarse, {texelsPerTap / width, 0.0f}, coarse,
                   *cache.scratch);
  DrawGaussianPass(storage, program, kUniforms, plan.coarse, {0.0f, texelsPerTap / height},
                   *cache.scratch, coarse);
  DrawUpscaling(storage, fast, plan.levels, coarse, source, target.GetFirstTexture());
}

}  // namespace

GaussianTaps GaussianBlurTaps(const Proc::SettingsEffectBlurGaussian& settings,
                              std::uint32_t longerSide) {
  const float deviation =
      std::max(static_cast<float>(longerSide) * static_cast<float>(settings.GetAmount()) /
                   kDeviationsPerRadius,
               kMinDeviation);
  GaussianTaps taps;
  if (settings.IsFast()) {
    const float wide = kFastWidening * deviation;
    taps.taps = static_cast<int>(kFastTapsPerDeviation * deviation);
    taps.coefficient = -0.5f / (wide * wide);
  } else {
    taps.taps = static_cast<int>(kDeviationsPerRadius * deviation);
    taps.coefficient = -0.5f / (deviation * deviation);
  }
  taps.texelsPerTap = kTexelsPerTap;
  taps.norm = GaussianNorm(taps);
  return taps;
}

double GaussianTapsDeviation(const GaussianTaps& taps) {
  double moment = 0.0;
  for (int texel = 1; texel <= taps.taps * taps.texelsPerTap; ++texel) {
    moment += 2.0 * GaussianTexelWeight(taps, texel) * texel * texel;
  }
  return std::sqrt(moment * taps.norm);
}

GaussianPyramidPlan PlanGaussianPyramid(double deviation, bool fast) {
  GaussianPyramidPlan plan;
  double levelDeviation = deviation;
  do {
    ++plan.levels;
    levelDeviation /= 2.0;
  } while (levelDeviation > kCoarseDeviationLimit);
  const double shrink = std::ldexp(1.0, -2 * plan.levels);  // 4^-levels
  const double upscaling =
      fast ? kLinearVariance + kLinearVariancePerPixelsSquared * shrink : kBSplineVariance;
  const double halvings = kHalvingVarianceSum * (1.0 - shrink);
  // What the coarse blur must add; the halvings and the upscaling alone
  // exceed the request only below the limit, where the direct passes run.
  const double variance = std::max(levelDeviation * levelDeviation - halvings - upscaling,
                                   static_cast<double>(kMinDeviation * kMinDeviation));
  const double remaining = std::sqrt(variance);
  // The coarse taps, like the direct ones, stand for two texels each.
  const double reach =
      std::ceil((fast ? kFastCoarseReachDeviations : kCoarseReachDeviations) * remaining);
  plan.coarse.texelsPerTap = kTexelsPerTap;
  plan.coarse.taps = static_cast<int>(std::ceil(reach / kTexelsPerTap));
  plan.coarse.coefficient = static_cast<float>(-0.5 * kTexelsPerTap * kTexelsPerTap / variance);
  plan.coarse.norm = GaussianNorm(plan.coarse);
  return plan;
}

const std::string_view& EffectGaussianBlur::GetName() const {
  static constexpr std::string_view kName = "EffectGaussianBlur";
  return kName;
}

Ptr<OglCache> EffectGaussianBlur::CreateCache() {
  return MakeRef<EffectBlurOGLCache>();
}

void EffectGaussianBlur::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                    double, double, ShaderStorage& storage,
                                    const Ptr<OglCache>& cache) {
  EffectBlurOGLCache& blurCache = CacheAs<EffectBlurOGLCache>(cache);
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  const Proc::FrameInfo& info = rgba->GetFrameInfo();
  const std::uint32_t longerSide =
      std::max(static_cast<std::uint32_t>(info.width), static_cast<std::uint32_t>(info.height));
  const Proc::SettingsEffectBlurGaussian& settings = DrawingSettings();
  const GaussianTaps taps = GaussianBlurTaps(settings, longerSide);
  const double deviation = GaussianTapsDeviation(taps);
  if (deviation <= GaussianDirectDeviationLimit(settings.IsFast())) {
    DrawDirect(storage, taps, blurCache, *rgba, *target);
  } else {
    DrawPyramid(storage, PlanGaussianPyramid(deviation, settings.IsFast()), settings.IsFast(),
                blurCache, *rgba, *target);
  }
}

}  // namespace Obrisk::Ogl
