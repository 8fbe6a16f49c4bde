#include "effects/blur/EffectTiltShift.h"

#include <cmath>

#include <glm/vec3.hpp>

#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectTiltShift", Shader::FullFrame, R"(
uniform sampler2D orig_tex;
uniform sampler2D blurred_tex;
uniform vec3 upper;
uniform vec3 lower;
varying vec2 TexCoord0;

// The lines come scaled so that their values are distances in soft-edge
// widths: inside the band (upper positive, lower negative) the source shows
// once the pixel is a full width away from both lines.
void main() {
  vec4 blurred = texture2D(blurred_tex, TexCoord0);
  vec3 position = vec3(TexCoord0, 1.0);
  float l1 = dot(upper, position);
  float l2 = dot(lower, position);
  if (l1 > 0.0 && l2 < 0.0) {
    float k = min(abs(l1), abs(l2));
    gl_FragColor = obrisk_mixRGBA_(blurred, texture2D(orig_tex, TexCoord0), min(k, 1.0));
  } else {
    gl_FragColor = blurred;
  }
}
)",
                                 "Proc/Effects/Quenvara/EffectTiltShift"};

// The Gaussian amount per unit of strength.
constexpr double kAmountPerStrength = 0.05;

// The line a*u + b*v + c = 0 scaled so that its value is the signed distance
// from it in soft-edge widths: all three coefficients are divided by the
// length of (a, b), so that the zero line stays where the settings put it. A
// line without direction (a = b = 0) keeps only its constant's sign instead
// of dividing by zero.
glm::vec3 LineUniform(const Proc::SettingsEffectTiltShiftQRW::Line& line, float inverseWidth) {
  const float a = static_cast<float>(line[0]);
  const float b = static_cast<float>(line[1]);
  const float c = static_cast<float>(line[2]);
  const float length = std::sqrt(a * a + b * b);
  const float n = length > 0.0f ? 1.0f / length : 0.0f;
  return {a * n * inverseWidth, b * n * inverseWidth, c * n * inverseWidth};
}

}  // namespace

const std::string_view& EffectTiltShift::GetName() const {
  static constexpr std::string_view kName = "EffectTiltShift";
  return kName;
}

Ptr<OglCache> EffectTiltShift::CreateCache() {
  return blur_.CreateCache();
}

void EffectTiltShift::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                 double time, double progress, ShaderStorage& storage,
                                 const Ptr<OglCache>& cache) {
  const Proc::SettingsEffectTiltShiftQRW& settings = DrawingSettings();
  const float inverseWidth = static_cast<float>(1.0 / settings.GetSoftEdge());
  const glm::vec3 upper = LineUniform(settings.GetUpperLine(), inverseWidth);
  const glm::vec3 lower = LineUniform(settings.GetLowerLine(), inverseWidth);

  blur_.SetSettings(Proc::SettingsEffectBlurGaussian(settings.GetStrength() * kAmountPerStrength));
  Ptr<Frame> blurred = target->AllocateIntermediate();
  blur_.ProcessGpu(blurred, source, time, progress, storage, cache);

  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  DrawPass(storage, target->GetFirstTexture(), storage.Quad(), storage.MakeShader(kShader),
           [&](ShaderProgram& program) {
             program.Uniform("orig_tex", 0);
             program.Uniform("blurred_tex", 1);
             program.Uniform("upper", upper);
             program.Uniform("lower", lower);
             rgba->GetFirstTexture().Use(0);
             blurred->GetFirstTexture().Use(1);
           });
}

}  // namespace Obrisk::Ogl
