#include "isf/ISFOGLCache.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "isf/Fnv1a.h"
#include "obrisk/isf/ISFUtils.h"

namespace Obrisk::Ogl::ISF {
namespace {

using Proc::ISF::ReplaceString;

// Renders the pass size into a 2 x 1 target: the width's four bytes in the
// left texel, the height's in the right one, lowest byte first.
constexpr std::string_view kSizeTemplate = R"(#version 130
uniform int width;
varying vec2 TexCoord0;

uint GetWidth();
uint GetHeight();

// A value's four bytes as an 8-bit RGBA texel stores them.
vec4 PackBytes(uint value) {
  return vec4(float(value & 255u), float((value >> 8u) & 255u), float((value >> 16u) & 255u),
              float(value >> 24u)) / 255.0;
}

void main() {
  int column = int(TexCoord0.x * float(width));
  gl_FragColor = column == 0 ? PackBytes(GetWidth())
               : column == 1 ? PackBytes(GetHeight())
                             : vec4(0.0);
}
)";

constexpr int kSizeTexels = 2;
constexpr std::string_view kProgramPrefix = "EffectISF_Passes_";

// Round to a whole number of pixels, at least one.
std::string SizeFunction(std::string_view prototype, const std::string& expression) {
  std::string definition(prototype.substr(0, prototype.size() - 1));
  return definition + " { return uint(round(max(float(" + expression + "), 1.0))); }";
}

// The expression, or the render-size text where the pass has none, with the
// render size written in.
std::string Expression(std::string expression, std::string_view component, std::int32_t size) {
  if (expression.empty()) return std::to_string(size);
  ReplaceString(expression, std::string(Proc::ISF::RENDERSIZE) + std::string(component),
                std::to_string(size), false);
  return expression;
}

std::uint32_t LittleEndian(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

std::uint32_t MaxTextureSize() {
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  return static_cast<std::uint32_t>(std::max(size, 1));
}

void ISFOGLCacheItem::CalculateFrameInfo(ShaderStorage& storage,
                                         const Proc::FrameInfo& renderSize) {
  std::string fragment(kSizeTemplate);
  ReplaceString(fragment, "uint GetWidth();",
                SizeFunction("uint GetWidth();", Expression(pass.width, ".x", renderSize.width)),
                false);
  ReplaceString(fragment, "uint GetHeight();",
                SizeFunction("uint GetHeight();", Expression(pass.height, ".y", renderSize.height)),
                false);
  // Programs are kept by name: each text gets its own.
  const ShaderSources<Shader::Id, std::string_view> sources(
      std::string(kProgramPrefix) + std::to_string(Fnv1a(fragment)), Shader::FullFrame, fragment,
      "Proc/Effects/Quenvara/ISF/ISFOGLCache");
  ShaderProgram& program = storage.MakeShader(sources);

  Ptr<Frame> sizes = Frame::CreateIntermediate(Proc::ColorSpace{}, Proc::kPixFmtAlpha,
                                               Proc::FrameInfo{kSizeTexels, 1, 1, 1});
  storage.FBO().Attach(sizes->GetFirstTexture());
  program.Use();
  program.Uniform("width", kSizeTexels);
  storage.Quad().Activate();
  storage.Quad().Draw(program);
  std::array<std::uint8_t, kSizeTexels * 4> bytes{};
  sizes->GetFirstTexture().Download(0, bytes.data(), storage.FBO());

  const std::uint32_t limit = MaxTextureSize();
  width = std::clamp(LittleEndian(bytes.data()), 1u, limit);
  height = std::clamp(LittleEndian(bytes.data() + 4), 1u, limit);
  Proc::FrameInfo info = target->GetFrameInfo();
  info.width = static_cast<std::int32_t>(width);
  info.height = static_cast<std::int32_t>(height);
  target->Allocate(target->GetColorSpace(), target->GetPixelFormat(), info);
}

bool ISFOGLCache::Prepare(const PassList& passes, const Frame& output, ShaderStorage& storage) {
  if (!items_.empty() && madeFor_ == passes && madeAt_ == output.GetFrameInfo()) return false;
  items_.clear();
  for (const auto& [name, pass] : passes) {
    ISFOGLCacheItem item{name, pass, 0, 0, Frame::Create()};
    item.target->Allocate(output.GetColorSpace(),
                          pass.floatTarget ? Proc::PixFmt::RGBA_HALF : output.GetPixelFormat(),
                          output.GetFrameInfo());
    item.CalculateFrameInfo(storage, output.GetFrameInfo());
    items_.push_back(std::move(item));
  }
  madeFor_ = passes;
  madeAt_ = output.GetFrameInfo();
  return true;
}

}  // namespace Obrisk::Ogl::ISF
