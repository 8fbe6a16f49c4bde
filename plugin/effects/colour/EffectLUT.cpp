#include "effects/colour/EffectLUT.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include <fmt/format.h>

#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"
#include "obrisk/host/Exception.h"

namespace Obrisk::Ogl {
namespace {

using Table = Proc::LUT::LUTTable;

// What the three programs share: the table's entries, the input mapped onto
// the lattice, and the lower lattice corner with the fractions beyond it.
constexpr std::string_view kCommon = R"(
uniform sampler2D tex;
uniform sampler2D lut;     // the entries in table order, row by row
uniform int lutSize;       // the table's edge n
uniform vec2 lutTexture;   // the texture's width and height
uniform vec3 domainMin;    // input mapped to the lattice's first point
uniform vec3 domainMax;    // input mapped to the lattice's last point
uniform float intensity;   // 0 to 1
varying vec2 TexCoord0;

// The entry at lattice point p: index r + n g + n^2 b, sampled at its texel's centre.
vec3 Entry(vec3 p) {
  float n = float(lutSize);
  float index = p.r + n * p.g + n * n * p.b;
  vec2 texel = vec2(mod(index, lutTexture.x), floor(index / lutTexture.x));
  return texture2D(lut, (texel + 0.5) / lutTexture).rgb;
}

// The input on the lattice's scale: 0 to n - 1 per channel.
vec3 LatticePosition(vec3 c) {
  float step = 1.0 / float(lutSize - 1);
  return clamp((c - domainMin) / (domainMax - domainMin), 0.0, 1.0) / step;
}

// The lower corner of the cell holding position p (the last cell for the
// table's upper end).
vec3 LowerCorner(vec3 p) {
  vec3 lower = floor(p);
  return lower - vec3(equal(lower, vec3(float(lutSize - 1))));
}

vec3 Lookup(vec3 c);

void main() {
  vec4 color = obrisk_ClampSDR_(texture2D(tex, TexCoord0));
  vec4 result = obrisk_ClampSDR_(vec4(Lookup(color.rgb), color.a));
  gl_FragColor = obrisk_mixRGBA_(color, result, intensity);
}
)";

// The nearest lattice point per channel (halves round up).
constexpr std::string_view kNearest = R"(
vec3 Lookup(vec3 c) { return Entry(floor(LatticePosition(c) + 0.5)); }
)";

// The eight corners of the cell, blended by the fractions.
constexpr std::string_view kTrilinear = R"(
vec3 Lookup(vec3 c) {
  vec3 p = LatticePosition(c);
  vec3 v = LowerCorner(p);
  vec3 d = p - v;
  vec3 c00 = mix(Entry(v), Entry(v + vec3(1.0, 0.0, 0.0)), d.r);
  vec3 c10 = mix(Entry(v + vec3(0.0, 1.0, 0.0)), Entry(v + vec3(1.0, 1.0, 0.0)), d.r);
  vec3 c01 = mix(Entry(v + vec3(0.0, 0.0, 1.0)), Entry(v + vec3(1.0, 0.0, 1.0)), d.r);
  vec3 c11 = mix(Entry(v + vec3(0.0, 1.0, 1.0)), Entry(v + vec3(1.0, 1.0, 1.0)), d.r);
  return mix(mix(c00, c10, d.g), mix(c01, c11, d.g), d.b);
}
)";

// From the cell's lower corner to its upper one along the edges of the axes
// in decreasing order of their fractions f1 >= f2 >= f3.
constexpr std::string_view kTetrahedral = R"(
const vec3 R = vec3(1.0, 0.0, 0.0);
const vec3 G = vec3(0.0, 1.0, 0.0);
const vec3 B = vec3(0.0, 0.0, 1.0);

vec3 Walk(vec3 v, vec3 first, vec3 second, float f1, float f2, float f3) {
  vec3 v000 = Entry(v);
  vec3 v1 = Entry(v + first);
  vec3 v2 = Entry(v + first + second);
  vec3 v111 = Entry(v + vec3(1.0));
  return v000 + f1 * (v1 - v000) + f2 * (v2 - v1) + f3 * (v111 - v2);
}

// The orderings are tested in a fixed order and the first that holds wins;
// only the chosen walk reads the table.
vec3 Lookup(vec3 c) {
  vec3 p = LatticePosition(c);
  vec3 v = LowerCorner(p);
  vec3 d = p - v;
  vec3 first = G;
  vec3 second = R;
  vec3 f = d.grb;
  if (d.b >= d.r && d.r >= d.g) {
    first = B; second = R; f = d.brg;
  } else if (d.b >= d.g && d.g >= d.r) {
    first = B; second = G; f = d.bgr;
  } else if (d.g >= d.b && d.b >= d.r) {
    first = G; second = B; f = d.gbr;
  } else if (d.r >= d.b && d.b >= d.g) {
    first = R; second = B; f = d.rbg;
  } else if (d.r >= d.g && d.g >= d.b) {
    first = R; second = G; f = d.rgb;
  }
  return Walk(v, first, second, f.x, f.y, f.z);
}
)";

std::string Joined(std::string_view interpolation) {
  return fmt::format("{}{}", kCommon, interpolation);
}

using LutShader = ShaderSourceKeeper<Shader::Id, ShaderSourceFunction>;
const std::array<LutShader, 3> kShaders{
    LutShader{"EffectLUTNearest", Shader::FullFrame, [] { return Joined(kNearest); },
              "Proc/Effects/Quenvara/EffectLUT"},
    LutShader{"EffectLUTTrilinear", Shader::FullFrame, [] { return Joined(kTrilinear); },
              "Proc/Effects/Quenvara/EffectLUT"},
    LutShader{"EffectLUTTetrahedral", Shader::FullFrame, [] { return Joined(kTetrahedral); },
              "Proc/Effects/Quenvara/EffectLUT"},
};

const LutShader& ShaderFor(std::int32_t interpolation) {
  if (interpolation < 0 || interpolation >= static_cast<std::int32_t>(kShaders.size())) {
    OBRISK_THROW(Exception, "Unknow interpolation type");
  }
  return kShaders[static_cast<std::size_t>(interpolation)];
}

int MaxTextureSize() {
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  return size;
}

// The smallest power of two at or above x.
int PowerOfTwoAtLeast(double x) {
  return 1 << static_cast<int>(std::ceil(std::log2(std::max(x, 1.0))));
}

}  // namespace

LutTextureSize LutTextureSizeFor(int edge) {
  const double entries = std::pow(static_cast<double>(edge), 3.0);
  const int width = PowerOfTwoAtLeast(std::sqrt(entries));
  return {width, PowerOfTwoAtLeast(entries / width)};
}

// The table's texture and the table last uploaded into it.
class EffectLUTOGLCache final : public OglCache {
 public:
  // Uploads the table unless it is the one last uploaded.
  void Update(const std::shared_ptr<const Table>& table) {
    if (texture_ && last_.lock() == table) return;
    const LutTextureSize size = LutTextureSizeFor(table->GetSize());
    const int limit = MaxTextureSize();
    if (size.width > limit || size.height > limit) {
      OBRISK_THROW(EffectException,
                   fmt::format("A LUT of edge {} needs a {}x{} texture; this driver's largest "
                               "is {}x{}",
                               table->GetSize(), size.width, size.height, limit, limit));
    }
    std::vector<float> texels(static_cast<std::size_t>(size.width) * size.height * 3, 0.0f);
    std::copy(table->values.begin(), table->values.end(), texels.begin());
    Texture::Params params;
    params.width = size.width;
    params.height = size.height;
    params.internalFormat = GL_RGB32F;
    params.format = GL_RGB;
    params.type = GL_FLOAT;
    params.filter = GL_NEAREST;
    params.wrap = GL_CLAMP_TO_EDGE;
    texture_ = std::make_unique<Texture>(params, texels.data());
    size_ = table->GetSize();
    last_ = table;
  }

  void Bind(ShaderProgram& program, const Table& table) const {
    constexpr int kLutUnit = 1;
    texture_->Use(kLutUnit);
    program.Uniform("lut", kLutUnit);
    program.Uniform("lutSize", size_);
    program.Uniform("lutTexture", static_cast<float>(texture_->Width()),
                    static_cast<float>(texture_->Height()));
    program.Uniform("domainMin", table.domainMin[0], table.domainMin[1], table.domainMin[2]);
    program.Uniform("domainMax", table.domainMax[0], table.domainMax[1], table.domainMax[2]);
  }

 private:
  std::unique_ptr<Texture> texture_;
  int size_ = 0;
  std::weak_ptr<const Table> last_;
};

const std::string_view& EffectLUT::GetName() const {
  static constexpr std::string_view kName = "EffectLUT";
  return kName;
}

Ptr<OglCache> EffectLUT::CreateCache() {
  return Ptr<OglCache>(new EffectLUTOGLCache());
}

void EffectLUT::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                           double, ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const auto& settings = DrawingSettings();
  auto& lut = CacheAs<EffectLUTOGLCache>(cache);
  const LutShader& shader = ShaderFor(settings.GetInterpolationType());
  lut.Update(settings.GetTable());
  DrawSinglePass(storage, storage.MakeShader(shader), *target, *source,
                 [&](ShaderProgram& program) {
                   lut.Bind(program, *settings.GetTable());
                   program.Uniform("intensity", settings.GetIntensity());
                 });
}

}  // namespace Obrisk::Ogl
