#include "effects/overlay/EffectAim.h"

#include <algorithm>
#include <cmath>

#include "effects/overlay/OverlayPasses.h"
#include "frame/ShaderSourceKeeper.h"
#include "frame/SinglePass.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kBoxShader{"EffectAimBox", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec2 bboxCoord;
uniform vec2 bboxSize;
uniform float thickness;
varying vec2 TexCoord0;

// Green where the box grown by the thickness holds the pixel and the box
// shrunk by it does not: a frame along the box's edges.
void main() {
  vec2 low = bboxCoord;
  vec2 high = bboxCoord + bboxSize;
  bool outer = all(greaterThanEqual(TexCoord0, low - thickness)) &&
               all(lessThanEqual(TexCoord0, high + thickness));
  bool inner = all(greaterThan(TexCoord0, low + thickness)) &&
               all(lessThan(TexCoord0, high - thickness));
  gl_FragColor = outer && !inner ? vec4(0.0, 1.0, 0.0, 1.0) : texture2D(tex, TexCoord0);
}
)",
                                    "Proc/Effects/Quenvara/EffectAim"};

const ShaderSourceKeeper kCrossShader{"EffectAimCross", Shader::FullFrame, R"(
uniform sampler2D tex;
uniform vec2 bboxCoord;
uniform vec2 bboxSize;
uniform float thickness;
uniform float crossLen;
uniform float radius;
varying vec2 TexCoord0;

// Orange on a cross of two bars and a ring, all centred on the box.
void main() {
  vec2 centre = bboxCoord + bboxSize / 2.0;
  vec2 d = abs(centre - TexCoord0);
  bool vertical = d.x < thickness && d.y < crossLen;
  bool horizontal = d.x < crossLen && d.y < thickness;
  bool ring = abs(length(centre - TexCoord0) - radius) < thickness;
  gl_FragColor = vertical || horizontal || ring ? vec4(1.0, 0.5, 0.0, 1.0)
                                                : texture2D(tex, TexCoord0);
}
)",
                                      "Proc/Effects/Quenvara/EffectAim"};

constexpr double kMicroseconds = 1.0e6;

// The first box whose interval (end excluded) holds `time`, or none.
const Proc::TrackedBox* BoxAt(const Proc::ObjectTrackingResult& tracking, double time) {
  const auto micros = static_cast<std::int64_t>(std::trunc(time * kMicroseconds));
  const auto& boxes = tracking.GetResult();
  const auto found = std::find_if(boxes.begin(), boxes.end(), [&](const Proc::TrackedBox& box) {
    return box.start <= micros && micros < box.start + box.duration;
  });
  return found == boxes.end() ? nullptr : &*found;
}

}  // namespace

const std::string_view& EffectAim::GetName() const {
  static constexpr std::string_view kName = "EffectAim";
  return kName;
}

void EffectAim::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                           double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectAim& settings = DrawingSettings();
  const auto& stream = settings.GetBBoxStream();
  const Proc::TrackedBox* box = stream ? BoxAt(*stream, time) : nullptr;
  if (box == nullptr) {
    Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
    CopyInto(storage, *target, *rgba);
    return;
  }
  const bool cross = settings.GetType() != 0;
  DrawSinglePass(storage, storage.MakeShader(cross ? kCrossShader : kBoxShader), *target, *source,
                 [&](ShaderProgram& program) {
                   program.Uniform("bboxCoord", box->x, box->y);
                   program.Uniform("bboxSize", box->width, box->height);
                   program.Uniform("thickness", settings.GetThickness());
                   if (cross) {
                     program.Uniform("crossLen", settings.GetCrossLen());
                     program.Uniform("radius", settings.GetRadius());
                   }
                 });
}

}  // namespace Obrisk::Ogl
