#include "transitions/ProgressControlledShaderBase.h"

#include <algorithm>
#include <cmath>

#include "obrisk/host/Exception.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// Degrees per radian: the spin library works in degrees.
constexpr double kDegreesPerRadian = 57.29577951308232;

// Blur strength (after the library's uniforms): 0 at both ends of the (slice's) progress, rising to
// 1 over the middle 20 %.
constexpr const char* kBlurScale = R"(
float BlurScale(float p) {
  return clamp(pow(min(p, abs(1.0 - p)) / 0.4, blurBoostPower), 0.0, 1.0);
}
)";

constexpr const char* kSpinUniforms = R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float progress;
uniform float xAspectRatio;
uniform float angularPixelSize;
uniform float _direction;
uniform float additionalSourceFrameRotateAngle;
uniform float maxPixelsForBlur;
uniform float boostPower;
uniform float blurBoostPower;
varying vec2 TexCoord0;
)";

constexpr const char* kSpinFunctions = R"(

// The way of the turn (1 or -1); main starts it from the uniform.
float direction;

// Share of the half turn made at x: eases in and out, more sharply for a
// larger boostPower.
float MotionScale(float x) {
  float gain = 0.5 / pow(0.5, boostPower);
  return x < 0.5 ? gain * pow(x, boostPower) : 1.0 - gain * pow(1.0 - x, boostPower);
}

// The library's turn matrix (columns (cos, -sin), (sin, cos)) for angle a
// in radians: turns compose by adding their angles.
mat2 Turn(float a) {
  return mat2(cos(a), -sin(a), sin(a), cos(a));
}

// xy turned by `degrees` about the centre, in proportions of the screen so
// that the picture turns rigidly.
vec2 Rotate(vec2 xy, float degrees) {
  vec2 centre = vec2(0.5 / xAspectRatio, 0.5);
  vec2 p = Turn(radians(degrees)) * (vec2(xy.x / xAspectRatio, xy.y) - centre);
  p += centre;
  return vec2(p.x * xAspectRatio, p.y);
}

// The picture of `tex` turned by `degrees`, with a trail that fades linearly
// over n samples one pixel (at the frame's inscribed circle) apart behind
// the turn. Each sample lies one fixed small turn back from the one before,
// so the walk needs a sine and cosine once per pixel instead of per sample.
vec4 Trail(sampler2D tex, vec2 c, float degrees, int n) {
  if (n == 1) return texture2D(tex, Rotate(c, degrees));
  vec2 centre = vec2(0.5 / xAspectRatio, 0.5);
  vec2 toScreen = vec2(xAspectRatio, 1.0);
  vec2 p = Turn(radians(degrees)) * (vec2(c.x / xAspectRatio, c.y) - centre);
  mat2 back = Turn(radians(-angularPixelSize * direction));
  vec4 sum = vec4(0.0);
  for (int i = 0; i < n; ++i) {
    p = back * p;
    sum += float(n - i) * texture2D(tex, (p + centre) * toScreen);
  }
  return sum / (float(n) * float(n + 1) / 2.0);
}

// The turned picture with its trail: the first picture before the
// midpoint, the second from it on.
vec4 FramePixelForProgress(vec2 c, float p) {
  // The second picture starts upside down and completes the half turn.
  if (p > 0.5) c = vec2(1.0) - c;
  float extra = p < 0.5 ? additionalSourceFrameRotateAngle : 0.0;
  float angle = 180.0 * MotionScale(p * (1.0 + extra / 180.0)) * direction;
  int n = int(maxPixelsForBlur * BlurScale(p)) + 1;
  return p < 0.5 ? Trail(tex0, c, angle, n) : Trail(tex1, c, angle, n);
}
)";

constexpr const char* kSwishUniforms = R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float xPixelSize;
uniform float yPixelSize;
uniform vec2 _direction;
uniform float maxBlurPixelCount;
uniform float blurBoostPower;
uniform float motionBoostPower;
uniform float progress;
varying vec2 TexCoord0;
)";

constexpr const char* kSwishFunctions = R"(

// The way the view travels (the pictures move the other way); main starts
// it from the uniform.
vec2 direction;

// Share of the travel made at p: eases in and out.
float MotionScale(float p) {
  float k = motionBoostPower;
  return (p < 0.5 ? pow(2.0 * p, k) : 2.0 - pow(2.0 * abs(1.0 - p), k)) / 2.0;
}

// Whether the strip at c shows the first picture (or its mirror image,
// through mirrored-repeat wrapping) rather than the second two frames on.
bool OnFirst(vec2 c, bool straight) {
  vec2 d = abs(c - 0.5);
  return straight ? max(d.x, d.y) < 1.0 : d.x - (1.5 - d.y) < 1.0;
}

// Adds the trail's samples from i on while they stay on the same picture
// (`tex`, the one `first` names) and returns the index after the run.
int AddRun(sampler2D tex, bool first, vec2 c, vec2 stride, int i, int n, bool straight,
           inout vec4 sum) {
  do {
    sum += float(n - i) * texture2D(tex, c - float(i) * stride);
    ++i;
  } while (i < n && OnFirst(c - float(i) * stride, straight) == first);
  return i;
}

// The strip moved two frames over the transition, with a trail that fades
// linearly over n pixels behind the motion. The samples run along a line,
// which crosses from one picture to the other at most twice: each run of
// samples on one picture reads that picture alone.
vec4 FramePixelForProgress(vec2 c, float p) {
  c += 2.0 * MotionScale(p) * direction;
  bool straight = direction.x == 0.0 || direction.y == 0.0;
  int n = int(maxBlurPixelCount * BlurScale(p)) + 1;
  if (n <= 1) return OnFirst(c, straight) ? texture2D(tex0, c) : texture2D(tex1, c);
  vec2 step = vec2(xPixelSize, yPixelSize) * direction;
  vec4 sum = vec4(0.0);
  int i = 0;
  while (i < n) {
    if (OnFirst(c - float(i) * step, straight)) {
      i = AddRun(tex0, true, c, step, i, n, straight, sum);
    } else {
      i = AddRun(tex1, false, c, step, i, n, straight, sum);
    }
  }
  return sum / (float(n) * float(n + 1) / 2.0);
}
)";

}  // namespace

void ProgressControlledShaderBase::RegisterInShaderStorage() {
  source_.emplace(name_, Shader::FullFrame,
                  ShaderSourceFunction([this] { return GetFunctionsText() + GetMainText(); }),
                  "Proc/Effects/Quenvara/ProgressControlledShaderBase");
}

ShaderProgram& ProgressControlledShaderBase::Program(ShaderStorage& storage) const {
  if (!source_) {
    OBRISK_THROW(EffectException, "Shader not initialized and registered in shader storage.");
  }
  return storage.MakeShader(*source_);
}

std::string ProgressControlledShaderBase::GetMainText() const {
  return R"(
void main() {
  direction = _direction;
  gl_FragColor = FramePixelForProgress(TexCoord0, progress);
}
)";
}

const ModifiedMotionSpinShader& ModifiedMotionSpinShader::Instance() {
  static ModifiedMotionSpinShader shader;
  static const bool registered = [] {
    shader.RegisterInShaderStorage();
    return true;
  }();
  static_cast<void>(registered);
  return shader;
}

std::string ModifiedMotionSpinShader::GetFunctionsText() const {
  return std::string(kSpinUniforms) + kBlurScale + kSpinFunctions;
}

void ModifiedMotionSpinShader::SetUniforms(
    const ShaderProgram& program, double p, int width, int height,
    const Proc::SettingsTransitionModifiedMotionSpin& settings) {
  const int longer = std::max(width, height);
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  program.Uniform("progress", p);
  program.Uniform("xAspectRatio", static_cast<double>(height) / width);
  // The angle one pixel spans on the circle inscribed in the longer side.
  program.Uniform("angularPixelSize", std::atan(1.0 / (longer * 0.5)) * kDegreesPerRadian);
  program.Uniform("_direction", settings.GetDirection() != 0 ? -1.0 : 1.0);
  program.Uniform("additionalSourceFrameRotateAngle",
                  settings.GetAdditionalSourceFrameRotateAngle());
  program.Uniform("maxPixelsForBlur", std::trunc(settings.GetMaxBlurScale() * (longer / 2)));
  program.Uniform("boostPower", settings.GetMotionBoostPower());
  program.Uniform("blurBoostPower", settings.GetBlurBoostPower());
}

const WhipeShader& WhipeShader::Instance() {
  static WhipeShader shader;
  static const bool registered = [] {
    shader.RegisterInShaderStorage();
    return true;
  }();
  static_cast<void>(registered);
  return shader;
}

std::string WhipeShader::GetFunctionsText() const {
  return std::string(kSwishUniforms) + kBlurScale + kSwishFunctions;
}

void WhipeShader::SetUniforms(const ShaderProgram& program, double p, int width, int height,
                              const Proc::SettingsTransitionWhipe& settings) {
  const bool still = settings.GetHDirection() == 0 && settings.GetVDirection() == 0;
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  program.Uniform("xPixelSize", 1.0 / width);
  program.Uniform("yPixelSize", 1.0 / height);
  program.Uniform("_direction", still ? 1.0 : static_cast<double>(settings.GetHDirection()),
                  static_cast<double>(settings.GetVDirection()));
  program.Uniform("maxBlurPixelCount",
                  std::trunc(settings.GetMaxBlurScale() * std::min(width, height)));
  program.Uniform("blurBoostPower", settings.GetBlurBoostPower());
  program.Uniform("motionBoostPower", settings.GetMotionBoostPower());
  program.Uniform("progress", p);
}

void DrawProgressControlled(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                            Frame& first, Frame& second) {
  const MirroredSampling sampling;
  DrawFullScreen(storage, program, target, {&first, &second});
}

}  // namespace Obrisk::Ogl
