#include "effects/colour/EffectColorCurves.h"

#include <array>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

using Settings = Proc::SettingsEffectColorCurves;
using CurveType = Settings::CurveType;

constexpr std::array<const char*, Settings::kCurveTypeCount> kCurveNames{"rgb", "red", "green",
                                                                         "blue"};
// One program per non-empty set of curve types (bit = type).
constexpr int kCurveSets = 1 << Settings::kCurveTypeCount;

// The lookup every program shares: value c through the curve in `samples`
// of `width` samples spread over [lo, hi], interpolated linearly.
constexpr const char* kLookup = R"(
uniform sampler2D tex;
uniform ivec4 widths;     // samples per curve: rgb, red, green, blue
uniform vec4 minDomains;  // each curve's domain
uniform vec4 maxDomains;
varying vec2 TexCoord0;

float Lookup(sampler2D samples, float c, int width, float lo, float hi) {
  float last = float(width - 1);
  float step = (hi - lo) / last;
  float at = (clamp(c, lo, hi) - lo) / step;
  int i = int(at);
  if (i >= width - 1) return texture2D(samples, vec2(1.0, 0.0)).r;
  float a = texture2D(samples, vec2(float(i) / last, 0.0)).r;
  float b = texture2D(samples, vec2(float(i + 1) / last, 0.0)).r;
  return mix(a, b, fract(at));
}
)";

std::string CurvesName(int set) {
  std::string name = "EffectColorCurves";
  for (int type = 0; type < Settings::kCurveTypeCount; ++type) {
    if (set & (1 << type)) name += fmt::format("_{}", kCurveNames[type]);
  }
  return name;
}

// The program of one set of curves: the rgb curve on the three channels,
// then each channel's own curve on it.
std::string CurvesSource(int set) {
  std::string samplers;
  std::string body;
  for (int type = 0; type < Settings::kCurveTypeCount; ++type) {
    if (!(set & (1 << type))) continue;
    samplers += fmt::format("uniform sampler2D {};\n", kCurveNames[type]);
    const std::string channels = type == Settings::kRgb ? "rgb" : std::string(1, "rgb"[type - 1]);
    for (char channel : channels) {
      body += fmt::format(
          "  color.{1} = Lookup({0}, color.{1}, widths[{2}], minDomains[{2}], maxDomains[{2}]);\n",
          kCurveNames[type], channel, type);
    }
  }
  return fmt::format(
      "{}{}\nvoid main() {{\n  vec4 color = texture2D(tex, TexCoord0);\n{}  gl_FragColor = "
      "color;\n}}\n",
      kLookup, samplers, body);
}

using CurvesShader = ShaderSourceKeeper<Shader::Id, ShaderSourceFunction>;

const std::map<int, CurvesShader>& CurvesShaders() {
  static const std::map<int, CurvesShader> shaders = [] {
    std::map<int, CurvesShader> made;
    for (int set = 1; set < kCurveSets; ++set) {
      made.emplace(set, CurvesShader(
                            CurvesName(set), Shader::FullFrame, [set] { return CurvesSource(set); },
                            "Proc/Effects/Quenvara/EffectColorCurves"));
    }
    return made;
  }();
  return shaders;
}

// A curve's samples as a one-row float texture, and the curve they came from.
struct TextureLUT1D {
  std::shared_ptr<const Proc::Curve::CurvePoints> points;
  std::unique_ptr<Texture> texture;
};

}  // namespace

class EffectColorCurvesOglCache final : public OglCache {
 public:
  // Brings the textures and uniforms in step with `curves`; the set of types
  // present, as bits.
  int Update(const Settings::Curves& curves) {
    std::map<CurveType, TextureLUT1D> next;
    int set = 0;
    for (const auto& [type, points] : curves) {
      TextureLUT1D& entry = next[type];
      auto found = textures_.find(type);
      if (found != textures_.end() && found->second.points == points) {
        entry = std::move(found->second);
      } else {
        entry.points = points;
        entry.texture = Upload(points->GetSamples());
      }
      widths_[type] = static_cast<int>(points->GetSamples().size());
      minDomains_[type] = points->GetDomain().first;
      maxDomains_[type] = points->GetDomain().second;
      set |= 1 << type;
    }
    textures_ = std::move(next);
    return set;
  }

  // Binds each curve's texture to the units from 1 on, with the uniforms.
  void Bind(ShaderProgram& program) const {
    int unit = 1;
    for (const auto& [type, entry] : textures_) {
      entry.texture->Use(unit);
      program.Uniform(kCurveNames[type], unit++);
    }
    program.Uniform("widths", widths_);
    program.Uniform("minDomains", minDomains_);
    program.Uniform("maxDomains", maxDomains_);
  }

 private:
  static std::unique_ptr<Texture> Upload(const std::vector<float>& samples) {
    Texture::Params params;
    params.width = static_cast<int>(samples.size());
    params.height = 1;
    params.internalFormat = GL_R32F;
    params.format = GL_RED;
    params.type = GL_FLOAT;
    params.filter = GL_NEAREST;
    params.wrap = GL_CLAMP_TO_EDGE;
    return std::make_unique<Texture>(params, samples.data());
  }

  std::map<CurveType, TextureLUT1D> textures_;
  glm::ivec4 widths_{0};
  glm::vec4 minDomains_{0.0f};
  glm::vec4 maxDomains_{1.0f};
};

const std::string_view& EffectColorCurves::GetName() const {
  static constexpr std::string_view kName = "EffectColorCurves";
  return kName;
}

Ptr<OglCache> EffectColorCurves::CreateCache() {
  return Ptr<OglCache>(new EffectColorCurvesOglCache());
}

void EffectColorCurves::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                   double, double, ShaderStorage& storage,
                                   const Ptr<OglCache>& cache) {
  auto& curves = CacheAs<EffectColorCurvesOglCache>(cache);
  const int set = curves.Update(DrawingSettings().GetCurves());
  const auto shader = CurvesShaders().find(set);
  if (shader == CurvesShaders().end()) throw std::invalid_argument("Color curves shader not found");
  DrawSinglePass(storage, storage.MakeShader(shader->second), *target, *source,
                 [&](ShaderProgram& program) { curves.Bind(program); });
}

}  // namespace Obrisk::Ogl
