#include "effects/colour/ColourPlanes.h"

#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

// Code passes fetch table texels by index.
constexpr std::string_view kCodePassVersion = "#version 130\n";

constexpr std::string_view kCodePassCommon = R"(
uniform sampler2D tex;
uniform float keepAlpha;
varying vec2 TexCoord0;

vec4 SourceColour() {
  return texture2D(tex, TexCoord0);
}

vec3 CodesOf(vec4 colour) {
  return NearestCodes(PlaneSamples(colour.rgb));
}

vec4 Joined(vec3 samples, vec4 colour) {
  return vec4(RgbOfSamples(samples), mix(1.0, colour.a, keepAlpha));
}
)";

const ShaderSourceKeeper kCodes{"PlaneCodes", Shader::FullFrame,
                                [] {
                                  return CodePassFunctions() + R"(
// The pixel's code values as the planes would read them.
void main() {
  gl_FragColor = vec4(CodesOf(SourceColour()) / codeMax, 1.0);
}
)";
                                },
                                "Proc/Effects/Quenvara/ColourPlanes"};

}  // namespace

std::string CodePassFunctions() {
  return std::string(kCodePassVersion) + std::string(YUVConverter::CodeFunctions()) +
         std::string(kCodePassCommon);
}

Ptr<Frame> DrawCodes(DataVideoOGL& source, ShaderStorage& storage) {
  Ptr<Frame> codes = Frame::CreateIntermediate(source.FrameData()->GetColorSpace(),
                                               Proc::PixFmt::RGBA, source.GetFrameInfo());
  DrawCodePass(storage, storage.MakeShader(kCodes), *codes, source, false,
               [](const ShaderProgram&) {});
  return codes;
}

}  // namespace Obrisk::Ogl
