#include "obrisk/ogl/ShaderStorage.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

#include <fmt/format.h>

namespace Obrisk::Ogl {
namespace {

// The full-frame quad: texture coordinate in xy, clip position in zw.
constexpr const char* kFullFrameVertex = R"(
attribute vec4 vbo_xy_uv;
varying vec2 TexCoord0;
void main() {
  TexCoord0 = vbo_xy_uv.xy;
  gl_Position = vec4(vbo_xy_uv.zw, 0.0, 1.0);
}
)";

constexpr const char* kMesh3dVertex = R"(
attribute vec3 vbo_xyz;
attribute vec3 vbo_norm;
attribute vec2 vbo_uv;
uniform mat4 MVP;
varying vec2 TexCoord0;
void main() {
  TexCoord0 = vbo_uv;
  gl_Position = MVP * vec4(vbo_xyz, 1.0);
}
)";

// Functions every fragment source may call. Colours are straight (not
// premultiplied) alpha; hue, saturation, value and lightness run 0 to 1.
constexpr const char* kLibrary = R"(
// Clamps a colour (RGBA or YUVA) to the displayable range.
vec4 obrisk_ClampSDR_(vec4 c) { return clamp(c, 0.0, 1.0); }

// BT.709 luma weights (ITU-R BT.709-6, item 3.2).
const vec3 obrisk_LumaWeights_ = vec3(0.2126, 0.7152, 0.0722);
// 2 (1 - Kb) and 2 (1 - Kr) of BT.709: the Cb and Cr scale factors.
const float obrisk_CbScale_ = 1.8556;
const float obrisk_CrScale_ = 1.5748;

float obrisk_RGBA2Y_(vec4 c) { return dot(c.rgb, obrisk_LumaWeights_); }

vec4 obrisk_RGBA2GRAYA_(vec4 c) { return vec4(vec3(obrisk_RGBA2Y_(c)), c.a); }

// Full-range Y'CbCr with BT.709 weights; Cb and Cr centred on 0.5.
vec4 obrisk_RGBA2YUVA_(vec4 c) {
  float y = obrisk_RGBA2Y_(c);
  return vec4(y, (c.b - y) / obrisk_CbScale_ + 0.5, (c.r - y) / obrisk_CrScale_ + 0.5, c.a);
}

vec4 obrisk_YUVA2RGBA_(vec4 c) {
  float r = c.x + obrisk_CrScale_ * (c.z - 0.5);
  float b = c.x + obrisk_CbScale_ * (c.y - 0.5);
  float g = (c.x - obrisk_LumaWeights_.r * r - obrisk_LumaWeights_.b * b) / obrisk_LumaWeights_.g;
  return vec4(r, g, b, c.w);
}

// A pseudo-random value in [0, 1) for a coordinate: the rows of `seeds` and
// `shift` vary the sequence (the classic sine hash).
float obrisk_rand_(mat2 seeds, vec2 shift, vec2 coord) {
  vec2 p = coord + shift;
  return fract(sin(dot(p, seeds[0]) + dot(p.yx, seeds[1])) * 43758.5453);
}

vec4 obrisk_mixRGBA_(vec4 a, vec4 b, float t) { return mix(a, b, t); }

// Hue of a colour with extremes maxc and minc, 0 to 1.
float obrisk_Hue_(vec3 c, float maxc, float delta) {
  if (delta <= 0.0) return 0.0;
  float h;
  if (maxc == c.r) {
    h = mod((c.g - c.b) / delta, 6.0);
  } else if (maxc == c.g) {
    h = (c.b - c.r) / delta + 2.0;
  } else {
    h = (c.r - c.g) / delta + 4.0;
  }
  return h / 6.0;
}

vec3 obrisk_RGB2HSV_(vec3 c) {
  float maxc = max(c.r, max(c.g, c.b));
  float delta = maxc - min(c.r, min(c.g, c.b));
  return vec3(obrisk_Hue_(c, maxc, delta), maxc > 0.0 ? delta / maxc : 0.0, maxc);
}

vec3 obrisk_HSV2RGB_(vec3 c) {
  vec3 k = mod(vec3(5.0, 3.0, 1.0) + c.x * 6.0, 6.0);
  return c.z - c.z * c.y * clamp(min(k, 4.0 - k), 0.0, 1.0);
}

vec3 obrisk_RGB2HSL_(vec3 c) {
  float maxc = max(c.r, max(c.g, c.b));
  float minc = min(c.r, min(c.g, c.b));
  float delta = maxc - minc;
  float l = (maxc + minc) * 0.5;
  float s = delta > 0.0 ? delta / (1.0 - abs(2.0 * l - 1.0)) : 0.0;
  return vec3(obrisk_Hue_(c, maxc, delta), s, l);
}

vec3 obrisk_HSL2RGB_(vec3 c) {
  vec3 k = mod(vec3(0.0, 8.0, 4.0) + c.x * 12.0, 12.0);
  float a = c.y * min(c.z, 1.0 - c.z);
  return c.z - a * clamp(min(k - 3.0, 9.0 - k), -1.0, 1.0);
}

// Premultiplies a colour by its alpha scaled by `opacity`.
vec4 obrisk_premultiplyAlphaRGBA_(vec4 c, float opacity) {
  float a = c.a * opacity;
  return vec4(c.rgb * a, a);
}
)";

constexpr const char* kCopyFragment = R"(
uniform sampler2D tex;
varying vec2 TexCoord0;
void main() { gl_FragColor = texture2D(tex, TexCoord0); }
)";

constexpr const char* kMixFragment = R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float extAlpha;
varying vec2 TexCoord0;
void main() { gl_FragColor = mix(texture2D(tex0, TexCoord0), texture2D(tex1, TexCoord0), extAlpha); }
)";

// Tile i of the source covers the texels whose centres x + 0.5 lie in
// [i * tile_av_size, (i + 1) * tile_av_size), cut at the source's edge; the
// output texel at TexCoord0 (one per tile) is their mean, alpha included.
// Tiles may be fractional; every texel of the source belongs to one tile when
// amount * tile_av_size covers the source.
constexpr const char* kTileAverageFragment = R"(
uniform sampler2D tex0;
uniform vec2 amount;
uniform vec2 tile_av_size;
uniform vec2 rFrameSize;
varying vec2 TexCoord0;
void main() {
  vec2 tile = floor(TexCoord0 * amount);
  vec2 frameSize = floor(1.0 / rFrameSize + 0.5);
  vec2 first = max(ceil(tile * tile_av_size - 0.5), 0.0);
  vec2 last = min(ceil((tile + 1.0) * tile_av_size - 0.5), frameSize);
  vec4 sum = vec4(0.0);
  for (float y = first.y; y < last.y; y += 1.0) {
    for (float x = first.x; x < last.x; x += 1.0) {
      sum += texture2D(tex0, (vec2(x, y) + 0.5) * rFrameSize);
    }
  }
  vec2 count = max(last - first, 1.0);
  gl_FragColor = sum / (count.x * count.y);
}
)";

// `texSrc` laid over `texDst`: the source coordinate is TexCoord0 * scale + offset
// (scaleoffset = scale.xy, offset.zw); outside 0 to 1 only the destination shows.
// The source's alpha, times extAlpha, composites it "over" with straight alpha.
constexpr const char* kOverlayFragment = R"(
uniform sampler2D texDst;
uniform sampler2D texSrc;
uniform vec4 scaleoffset;
uniform float extAlpha;
varying vec2 TexCoord0;
void main() {
  vec4 dst = texture2D(texDst, TexCoord0);
  vec2 st = TexCoord0 * scaleoffset.xy + scaleoffset.zw;
  float inside = step(0.0, st.x) * step(st.x, 1.0) * step(0.0, st.y) * step(st.y, 1.0);
  vec4 src = texture2D(texSrc, st);
  float a = src.a * extAlpha * inside;
  float outA = a + dst.a * (1.0 - a);
  vec3 rgb = outA > 0.0 ? (src.rgb * a + dst.rgb * dst.a * (1.0 - a)) / outA : vec3(0.0);
  gl_FragColor = vec4(rgb, outA);
}
)";

// The number to write in a #line directive so that the next line counts as
// `line`: before GLSL 3.30 the directive names the number of its own line.
int LineDirectiveNumber(const std::string& source, int line) {
  constexpr int kFirstVersionCountingNextLine = 330;
  const auto position = source.find("#version");
  const int version =
      position == std::string::npos ? 110 : std::atoi(source.c_str() + position + 8);
  return version >= kFirstVersionCountingNextLine ? line : line - 1;
}

bool IsLeadingDirective(std::string_view line) {
  const auto start = line.find_first_not_of(" \t\r");
  if (start == std::string_view::npos) return true;
  line.remove_prefix(start);
  return line.starts_with("#version") || line.starts_with("#extension");
}

// Puts the library after the source's leading #version and #extension lines
// and restarts the line count there, so that the driver's messages give line
// numbers of the source as written.
std::string WithLibrary(const std::string& source) {
  std::size_t offset = 0;
  int leadingLines = 0;
  while (offset < source.size()) {
    const std::size_t end = source.find('\n', offset);
    const std::size_t next = end == std::string::npos ? source.size() : end + 1;
    if (!IsLeadingDirective(std::string_view(source).substr(offset, next - offset))) break;
    offset = next;
    ++leadingLines;
  }
  std::string head = source.substr(0, offset);
  if (!head.empty() && head.back() != '\n') head += '\n';
  return fmt::format("{}{}\n#line {}\n{}", head, kLibrary,
                     LineDirectiveNumber(source, leadingLines + 1), source.substr(offset));
}

}  // namespace

const std::string& ShaderLibrarySource() {
  static const std::string library(kLibrary);
  return library;
}

ShaderStorage::ShaderStorage() = default;

ShaderStorage::~ShaderStorage() {
  if (nearestSampler_ != 0) glDeleteSamplers(1, &nearestSampler_);
}

GLuint ShaderStorage::NearestSampler() {
  if (nearestSampler_ == 0) {
    glGenSamplers(1, &nearestSampler_);
    glSamplerParameteri(nearestSampler_, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(nearestSampler_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glSamplerParameteri(nearestSampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(nearestSampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  return nearestSampler_;
}

std::string ShaderStorage::VertexText(Shader::Id id) {
  switch (id) {
    case Shader::FullFrame:
      return kFullFrameVertex;
    case Shader::Mesh3d:
      return kMesh3dVertex;
  }
  OBRISK_THROW(OglException,
               fmt::format("unknown built-in vertex shader {}", static_cast<int>(id)));
}

void ShaderStorage::SetProgramLimit(std::size_t limit) {
  programLimit_ = std::max<std::size_t>(limit, 1);
  Trim(programs_, programLimit_, [](const Kept& kept) { return kept.lastUse; });
  Trim(failures_, programLimit_, [](const Failure& failure) { return failure.when; });
}

template <class Map, class Age>
void ShaderStorage::Trim(Map& map, std::size_t keep, Age age) {
  while (map.size() > keep) {
    auto oldest = map.begin();
    for (auto it = map.begin(); it != map.end(); ++it) {
      if (age(it->second) < age(oldest->second)) oldest = it;
    }
    map.erase(oldest);
  }
}

ShaderProgram* ShaderStorage::Find(const std::string& name) {
  if (auto failed = failures_.find(name); failed != failures_.end()) {
    std::rethrow_exception(failed->second.error);
  }
  auto found = programs_.find(name);
  if (found == programs_.end()) return nullptr;
  found->second.lastUse = ++clock_;
  return found->second.program.get();
}

ShaderProgram& ShaderStorage::Build(const std::string& name, const std::string& vertex,
                                    const std::string& fragment) {
  std::unique_ptr<ShaderProgram> program;
  try {
    program = std::make_unique<ShaderProgram>(name, vertex, WithLibrary(fragment));
  } catch (...) {
    Trim(failures_, programLimit_ - 1, [](const Failure& failure) { return failure.when; });
    failures_.emplace(name, Failure{std::current_exception(), ++clock_});
    throw;
  }
  Trim(programs_, programLimit_ - 1, [](const Kept& kept) { return kept.lastUse; });
  return *programs_.emplace(name, Kept{std::move(program), ++clock_}).first->second.program;
}

ShaderProgram& ShaderStorage::GetShaderProgram(ShaderProgramId id) {
  auto found = builtins_.find(id);
  if (found != builtins_.end()) return *found->second;
  const char* fragment = nullptr;
  switch (id) {
    case BuiltinProgram::kCopyScaled:
    case BuiltinProgram::kCopy:
      fragment = kCopyFragment;
      break;
    case BuiltinProgram::kOverlay:
      fragment = kOverlayFragment;
      break;
    case BuiltinProgram::kMix:
      fragment = kMixFragment;
      break;
    case BuiltinProgram::kTileAverage:
      fragment = kTileAverageFragment;
      break;
    default:
      OBRISK_THROW(OglException, fmt::format("unknown built-in shader program {}", id));
  }
  auto program = std::make_unique<ShaderProgram>(fmt::format("builtin_{}", id), kFullFrameVertex,
                                                 WithLibrary(fragment));
  return *builtins_.emplace(id, std::move(program)).first->second;
}

}  // namespace Obrisk::Ogl
