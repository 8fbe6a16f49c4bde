#include "effects/stylise/EffectSharpen.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>
#include <glm/vec4.hpp>

#include "effects/stylise/StylisePasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

// One direction of the kernel: h0 weighs the centre, h1 each of the `radius`
// texels on either side (negative: the blurred surround is taken away).
std::string SharpenFragment(int radius) {
  return fmt::format(R"(
uniform sampler2D tex;
uniform vec4 h0;
uniform vec4 h1;
uniform vec2 local_step;
varying vec2 TexCoord0;
const int kRadius = {};

void main() {{
  vec4 sum = h0 * texture2D(tex, TexCoord0);
  for (int i = 1; i <= kRadius; ++i) {{
    vec2 offset = float(i) * local_step;
    sum += h1 * (texture2D(tex, TexCoord0 + offset) + texture2D(tex, TexCoord0 - offset));
  }}
  gl_FragColor = sum;
}}
)",
                     radius);
}

const ShaderSourceKeeper kShader3x3{"EffectSharpen_3x3", Shader::FullFrame,
                                    [] { return SharpenFragment(1); },
                                    "Proc/Effects/Quenvara/EffectSharpen"};
const ShaderSourceKeeper kShader5x5{"EffectSharpen_5x5", Shader::FullFrame,
                                    [] { return SharpenFragment(2); },
                                    "Proc/Effects/Quenvara/EffectSharpen"};
const ShaderSourceKeeper kShader7x7{"EffectSharpen_7x7", Shader::FullFrame,
                                    [] { return SharpenFragment(3); },
                                    "Proc/Effects/Quenvara/EffectSharpen"};

// Up to this longer side (pixels) the kernel has radius 1.
constexpr int kSmallPictureSide = 640;
// Above it the kernel's side is ceil((side + kSideOffset) / kSidePerTap),
// made odd, and its radius at most kMaxRadius.
constexpr int kSideOffset = 1760;
constexpr int kSidePerTap = 800;
constexpr int kMaxRadius = 3;
// 40/255: the surround's weight per unit of amount, spread over the radius.
constexpr float kSurroundWeight = 0.15686275f;
// 128/255: the centre's weight before normalising.
constexpr float kCentreWeight = 0.5019608f;
// 2^-17: keeps the centre's weight just above one at amount 0.
constexpr float kCentreBias = 7.6293945e-6f;

int SharpenRadius(int width, int height) {
  const int side = std::max(width, height);
  const int kernel =
      side <= kSmallPictureSide ? 3 : ((side + kSideOffset + kSidePerTap - 1) / kSidePerTap) | 1;
  return std::min(std::max(kernel / 2, 1), kMaxRadius);
}

}  // namespace

const std::string_view& EffectSharpen::GetName() const {
  static constexpr std::string_view kName = "EffectSharpen";
  return kName;
}

void EffectSharpen::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                               double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::FrameInfo& info = target->GetFrameInfo();
  const int radius = SharpenRadius(info.width, info.height);
  const float a = static_cast<float>(DrawingSettings().GetAmount()) * kSurroundWeight /
                  static_cast<float>(radius);
  const float c = 1.0f / (kCentreWeight - 2.0f * static_cast<float>(radius) * a) + kCentreBias;
  const glm::vec4 h0(c * kCentreWeight, c * kCentreWeight, c * kCentreWeight, 1.0f);
  const glm::vec4 h1(-c * a, -c * a, -c * a, 0.0f);

  const ShaderSourceKeeper<Shader::Id, ShaderSourceFunction>* shaders[] = {&kShader3x3, &kShader5x5,
                                                                           &kShader7x7};
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  Ptr<Frame> horizontal = target->AllocateIntermediate();
  DrawSeparablePasses(storage, storage.MakeShader(*shaders[radius - 1]), rgba->GetFirstTexture(),
                      horizontal->GetFirstTexture(), target->GetFirstTexture(),
                      [&](ShaderProgram& program) {
                        program.Uniform("h0", h0);
                        program.Uniform("h1", h1);
                      });
}

}  // namespace Obrisk::Ogl
