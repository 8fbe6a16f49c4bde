#include "transitions/TransitionPixels.h"

#include <string>
#include <string_view>

#include "frame/RandomDraws.h"
#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

// Three noise values per pixel, from the columns of `seeds`; both programs
// begin with it.
constexpr std::string_view kNoise = R"(
uniform mat4 seeds;
vec3 Noise(vec2 uv) {
  return vec3(obrisk_rand_(mat2(seeds[0].xy, seeds[0].zw), seeds[3].xy, uv),
              obrisk_rand_(mat2(seeds[1].xy, seeds[1].zw), seeds[3].yz, uv),
              obrisk_rand_(mat2(seeds[2].xy, seeds[2].zw), seeds[3].zx, uv));
}
)";

ShaderSourceFunction WithNoise(std::string_view body) {
  return [body] { return std::string(kNoise) + std::string(body); };
}

// Each pixel of the second picture comes from a random offset that shrinks
// to nothing as time runs out, while the pictures mix.
const ShaderSourceKeeper kScatter{"TransitionPixels_1", Shader::FullFrame, WithNoise(R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float time;
uniform float extAlpha;
varying vec2 TexCoord0;

const vec2 kSpread = vec2(0.7, 0.1);  // largest offset across and up

void main() {
  vec3 r = Noise(TexCoord0);
  vec2 shift = (r.xy - r.yz) * kSpread * (1.0 - time);
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex0, TexCoord0),
                                 texture2D(tex1, TexCoord0 + shift), extAlpha);
}
)"),
                                  "Proc/Effects/Quenvara/TransitionPixels"};

// Two bands close in from the sides towards the middle, with ragged random
// edges; inside them pixels whose colours compare one way keep the first
// picture, the rest mix. The ragged fringe narrows with the bands, so that
// nothing of the first picture is left at the end.
const ShaderSourceKeeper kSweep{"TransitionPixels_2", Shader::FullFrame, WithNoise(R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float time;
uniform float extAlpha;
varying vec2 TexCoord0;

const float kFringe = 0.1;  // widest ragged edge of a band

void main() {
  vec3 r = Noise(TexCoord0);
  vec4 c0 = texture2D(tex0, TexCoord0);
  vec4 c1 = texture2D(tex1, TexCoord0);
  float fringe = kFringe * (1.0 - time);
  float x = TexCoord0.x;
  bool moving = x <= 0.5 * (1.0 - time) + fringe * r.x * r.z ||
                x >= 0.5 + 0.5 * time - fringe * r.y * r.z;
  if (moving && fract(dot(sin(c0), cos(c1))) < fract(dot(sin(c0), sin(c1)))) {
    gl_FragColor = c0;
  } else {
    gl_FragColor = obrisk_mixRGBA_(c0, c1, extAlpha);
  }
}
)"),
                                "Proc/Effects/Quenvara/TransitionPixels"};

}  // namespace

TransitionPixels::TransitionPixels() : seeds_(SeedMatrix()) {}

const std::string_view& TransitionPixels::GetName() const {
  static constexpr std::string_view kName = "TransitionPixels";
  return kName;
}

void TransitionPixels::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                  const Ptr<DataVideoOGL>& second, double, double progress,
                                  ShaderStorage& storage, const Ptr<OglCache>&) {
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  const bool scatter = DrawingSettings().GetType() == Proc::PixelsType::Scatter;
  ShaderProgram& program = storage.MakeShader(scatter ? kScatter : kSweep);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  program.Uniform("time", progress);
  program.Uniform("extAlpha", progress);
  program.Uniform("seeds", seeds_, false);
  DrawFullScreen(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
