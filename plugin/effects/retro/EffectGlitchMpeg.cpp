#include "effects/retro/EffectGlitchMpeg.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <boost/exception/errinfo_file_name.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "obrisk/host/AppLocations.h"

namespace Obrisk::Ogl {
namespace {

constexpr const char* kSourcePath = "Proc/Effects/Quenvara/EffectGlitchMpeg";

const ShaderSourceKeeper kShader{"GlitchMpeg", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform sampler2D noise_tex;
uniform float intensity;
uniform float time;
uniform vec2 resolution;
uniform int glitchAllBlocks;
uniform int grayAllBlocks;
uniform int interleaveAllLines;
varying vec2 TexCoord0;

const float kBlockSize = 16.0;  // pixels per side of a block
const float kNoiseSize = 64.0;  // texels per side of the noise image

void main() {
  vec2 p = gl_FragCoord.xy;
  vec2 uv = p / resolution;
  // Each block, and each frame, reads its own place in the noise image.
  vec2 n = floor(p / kBlockSize) / kNoiseSize + floor(time * vec2(1234.0, 3543.0)) / kNoiseSize;
  float blockPhase = fract(time * 1236.0453);
  float linePhase = fract(time * 2236.0453);
  float blockThreshold = blockPhase * blockPhase * 0.2 * intensity;
  float lineThreshold = linePhase * linePhase * linePhase * 0.7 * intensity;
  vec4 blockNoise = texture2D(noise_tex, n);
  vec4 lineNoise = texture2D(noise_tex, vec2(n.y, 0.0));

  // Broken blocks read their channels from places apart.
  vec2 uvR = uv;
  vec2 uvG = uv;
  vec2 uvB = uv;
  if (blockNoise.r < blockThreshold || lineNoise.g < lineThreshold || glitchAllBlocks != 0) {
    vec2 d = (fract(n) - 0.5) * 0.3;
    uvR += d * 0.1;
    uvG += d * 0.2;
    uvB += d * 0.125;
  }
  vec4 color = texture2D(tex, uv);
  color.r = texture2D(tex, uvR).r;
  color.g = texture2D(tex, uvG).g;
  color.b = texture2D(tex, uvB).b;

  // Blocks that lost their colour, lines that kept only green.
  if (blockNoise.g < blockThreshold || grayAllBlocks != 0) color.rgb = vec3(color.g);
  if (lineNoise.b * 3.5 < lineThreshold) color.rgb = vec3(0.0, color.r + color.g + color.b, 0.0);

  // Interleaved lines: every third row shows red, green or blue, brightened.
  if (blockNoise.g * 1.5 < blockThreshold || lineNoise.g * 2.5 < lineThreshold ||
      interleaveAllLines != 0) {
    float k = fract(p.y / 3.0);
    vec3 channel = k <= 0.333 ? vec3(3.0, 0.0, 0.0)
                               : (k <= 0.666 ? vec3(0.0, 3.0, 0.0) : vec3(0.0, 0.0, 3.0));
    color.rgb *= channel;
  }
  gl_FragColor = color;
}
)",
                                 kSourcePath};

// The noise image: 64 x 64 texels of 8-bit RGBA.
constexpr const char* kNoiseFile = "resources/openglEffects/rgba-noise-64x64";
constexpr int kNoiseSide = 64;
constexpr std::size_t kNoiseBytes = std::size_t{kNoiseSide} * kNoiseSide * 4;

using TagModule = boost::error_info<struct TagModuleTag, std::string>;
using TagOperation = boost::error_info<struct TagOperationTag, std::string>;

// The whole file, or nothing when it cannot be read.
std::vector<unsigned char> ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The noise texture, loaded on first use, and a sampler that reads the
// picture mirrored beyond its edges.
class GlitchMpegOglCache final : public OglCache {
 public:
  ~GlitchMpegOglCache() override {
    if (mirrored_ != 0) glDeleteSamplers(1, &mirrored_);
  }

  // Loads the noise image unless loaded; a file that is missing or too short
  // raises an error and leaves the cache to try again next time.
  void Init() {
    if (loaded_) return;
    const std::filesystem::path path = Core::AppLocations::GetLocations().ioPath(kNoiseFile);
    const std::vector<unsigned char> bytes = ReadFile(path);
    if (bytes.size() < kNoiseBytes) {
      BOOST_THROW_EXCEPTION(ProcException()
                            << TagDescription("Cannot load resource file!")
                            << TagCallStack(GetCallStack()) << TagModule(kSourcePath)
                            << TagOperation("Init") << boost::errinfo_file_name(path.string()));
    }
    Texture::Params params;
    params.width = kNoiseSide;
    params.height = kNoiseSide;
    params.wrap = GL_REPEAT;
    noise_.Allocate(params, bytes.data());
    glGenSamplers(1, &mirrored_);
    glSamplerParameteri(mirrored_, GL_TEXTURE_WRAP_S, GL_MIRRORED_REPEAT);
    glSamplerParameteri(mirrored_, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
    glSamplerParameteri(mirrored_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glSamplerParameteri(mirrored_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    loaded_ = true;
  }

  Texture& Noise() { return noise_; }
  GLuint MirroredSampler() const { return mirrored_; }

 private:
  Texture noise_;
  GLuint mirrored_ = 0;
  bool loaded_ = false;
};

}  // namespace

const std::string_view& EffectGlitchMpeg::GetName() const {
  static constexpr std::string_view kName = "EffectGlitchMpeg";
  return kName;
}

Ptr<OglCache> EffectGlitchMpeg::CreateCache() {
  return MakeRef<GlitchMpegOglCache>();
}

void EffectGlitchMpeg::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                  double time, double, ShaderStorage& storage,
                                  const Ptr<OglCache>& cache) {
  GlitchMpegOglCache& glitch = CacheAs<GlitchMpegOglCache>(cache);
  glitch.Init();
  const Proc::SettingsEffectGlitchMpeg& settings = DrawingSettings();
  const auto [glitchAllBlocks, grayAllBlocks, interleaveAllLines] = settings.GetPrivateParameters();
  const Proc::FrameInfo& info = source->GetFrameInfo();

  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("noise_tex", 1);
  program.Uniform("intensity", std::sqrt(static_cast<double>(settings.GetIntensity())));
  program.Uniform("time", time);
  program.Uniform("resolution", static_cast<double>(info.width), static_cast<double>(info.height));
  program.Uniform("glitchAllBlocks", glitchAllBlocks ? 1 : 0);
  program.Uniform("grayAllBlocks", grayAllBlocks ? 1 : 0);
  program.Uniform("interleaveAllLines", interleaveAllLines ? 1 : 0);
  storage.FBO().Attach(target->GetFirstTexture());
  rgba->GetFirstTexture().Use(0);
  glBindSampler(0, glitch.MirroredSampler());
  glitch.Noise().Use(1);
  storage.Quad().Activate();
  storage.Quad().Draw(program);
  glBindSampler(0, 0);
}

}  // namespace Obrisk::Ogl
