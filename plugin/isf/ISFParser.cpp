#include "isf/ISFParser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include <glog/logging.h>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include "frame/ShaderDialect.h"

namespace Obrisk::Ogl::ISF {
namespace {

namespace Keys = Proc::ISF;
using Proc::ISF::ReplaceString;
using ShaderDialect::LeadingDirectivesEnd;
using ShaderDialect::LineDirective;
using ElementMap = ISFParser::ElementMap;
using Json = ISFParser::Json;

constexpr int kDiagnostics = 10;  // verbose level of header diagnostics

// Sound inputs without a MAX: an audio buffer of 512 samples, as hosts
// commonly deliver, and the 256 bins of its FFT (half the samples).
constexpr std::int32_t kWaveformSamples = 512;
constexpr std::int32_t kFftBins = kWaveformSamples / 2;
// MAX beyond this is taken as this; the effect also keeps within the
// driver's largest texture.
constexpr double kMaxAudioSamples = 65536.0;

// IMG_PIXEL addresses texels by pixel position.
constexpr std::string_view kSamplerByPixel =
    "vec4 _SAMPLER2D_BY_PIXEL( sampler2D sampler, vec2 loc ) "
    "{ return texture2D( sampler, loc.xy / RENDERSIZE.xy ); } \n";
// gl_FragCoord of the render size, whatever target the pass draws into.
constexpr std::string_view kFragCoord =
    "vec2 _GL_FRAG_COORD() { return TexCoord0.xy * RENDERSIZE.xy; }\n";
constexpr std::string_view kTexCoordVarying = "varying vec2 TexCoord0; \n";
constexpr std::string_view kVertexInit =
    "void isf_vertShaderInit( void ) "
    "{ gl_Position = vec4(vbo_xy_uv.zw, 0., 1.); TexCoord0 = vbo_xy_uv.xy; }\n";
constexpr std::string_view kVertexAttribute = "attribute vec4 vbo_xy_uv;\n";

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// Numbers under a key: a number or an array of numbers; nothing for an absent
// key or another value, which the range check then ignores.
std::vector<double> NumbersOf(const Json& input, std::string_view key) {
  std::vector<double> numbers;
  const auto found = input.find(key);
  if (found == input.end()) return numbers;
  if (found->is_number()) numbers.push_back(found->get<double>());
  if (found->is_array()) {
    for (const Json& entry : *found) {
      if (!entry.is_number()) return {};
      numbers.push_back(entry.get<double>());
    }
  }
  return numbers;
}

// A JSON number as a float or int32, raising Exception for a value that the
// type cannot hold (the conversion would be undefined); another JSON type
// raises the JSON library's type error.
double NumberIn(const Json& value, double lowest, double highest, const std::string& name) {
  const auto number = value.get<double>();
  if (!(number >= lowest && number <= highest)) {
    OBRISK_THROW(Exception, "Number out of range for element with name: " + name);
  }
  return number;
}

float FloatOf(const Json& value, const std::string& name) {
  return static_cast<float>(NumberIn(value, std::numeric_limits<float>::lowest(),
                                     std::numeric_limits<float>::max(), name));
}

std::int32_t IntOf(const Json& value, const std::string& name) {
  return static_cast<std::int32_t>(NumberIn(value, std::numeric_limits<std::int32_t>::min(),
                                            std::numeric_limits<std::int32_t>::max(), name));
}

// Logs a default outside the input's MIN or MAX; the default is kept.
void CheckDefault(const Json& input, const std::vector<double>& value) {
  const auto check = Proc::ISF::CheckRange(value, NumbersOf(input, Keys::MIN_KEY),
                                           NumbersOf(input, Keys::MAX_KEY));
  if (check.belowMinimum) VLOG(kDiagnostics) << "Incorrect MIN restrictions.";
  if (check.aboveMaximum) VLOG(kDiagnostics) << "Incorrect MAX restrictions.";
}

// The first N numbers of the input's default array.
template <class Vector, int N>
Vector VectorDefault(const std::string& name, const Json& input) {
  const Json& value = input.at(Keys::DEFAULT_KEY);
  Vector vector(0.0f);
  std::vector<double> components;
  for (int i = 0; i < N; ++i) {
    vector[i] = FloatOf(value.at(static_cast<std::size_t>(i)), name);
    components.push_back(vector[i]);
  }
  CheckDefault(input, components);
  return vector;
}

// A macro call rewritten as `open` + its argument + `close`. Where the call's
// first argument names an image of the package (anything with an _imgSize
// companion) and `imageOpen` is given, the name and its comma are taken out
// of the argument, which becomes `imageOpen` + the rest + `imageClose`, with
// the image's name for each kImageSign.
struct CallRewrite {
  std::string_view name;
  std::string_view open;
  std::string_view close;
  std::string_view imageOpen = {};
  std::string_view imageClose = {};
};

constexpr std::string_view kImageSign = "$";

bool IsIdentifierChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

std::size_t SkipBlanks(std::string_view text, std::size_t position) {
  while (position < text.size() && (text[position] == ' ' || text[position] == '\t')) ++position;
  return position;
}

// The rewrite whose call opens at `position` (a whole word followed by its
// parenthesis on the same line); `argument` is then where its argument starts.
const CallRewrite* CallAt(std::string_view text, std::size_t position,
                          std::span<const CallRewrite> rewrites, std::size_t& argument) {
  if (position > 0 && IsIdentifierChar(text[position - 1])) return nullptr;
  for (const CallRewrite& rewrite : rewrites) {
    if (text.substr(position, rewrite.name.size()) != rewrite.name) continue;
    const std::size_t open = SkipBlanks(text, position + rewrite.name.size());
    if (open < text.size() && text[open] == '(') {
      argument = SkipBlanks(text, open + 1);
      return &rewrite;
    }
  }
  return nullptr;
}

std::string WithImage(std::string_view pattern, std::string_view image) {
  std::string text(pattern);
  ReplaceString(text, kImageSign, image, false);
  return text;
}

// The opening and closing texts of a call whose argument starts at
// `argument`, which moves past an image name that the rewrite takes out.
std::pair<std::string, std::string> CallTexts(std::string_view text, const CallRewrite& call,
                                              const ElementMap& elements, std::size_t& argument) {
  std::size_t end = argument;
  while (end < text.size() && IsIdentifierChar(text[end])) ++end;
  const std::string_view image = text.substr(argument, end - argument);
  const std::size_t next = SkipBlanks(text, end);
  const bool named = !call.imageOpen.empty() && !image.empty() && next < text.size() &&
                     (text[next] == ',' || text[next] == ')') &&
                     elements.contains(Proc::ISF::CompanionName(image, Proc::ISF::IMG_SIZE_SUFFIX));
  if (!named) return {std::string(call.open), std::string(call.close)};
  argument = text[next] == ',' ? SkipBlanks(text, next + 1) : next;
  return {WithImage(call.imageOpen, image), WithImage(call.imageClose, image)};
}

// Rewrites the calls of `rewrites`, calls within arguments too, in one pass
// over the text; blanks at an argument's ends are dropped, line breaks kept.
// A call whose parenthesis never closes is left for the compiler to report.
std::string ExpandCalls(std::string_view text, std::span<const CallRewrite> rewrites,
                        const ElementMap& elements) {
  std::string result;
  result.reserve(text.size());
  // For every open parenthesis, the text that closes its call (none: a
  // plain parenthesis).
  std::vector<std::optional<std::string>> open;
  std::size_t position = 0;
  while (position < text.size()) {
    const char c = text[position];
    std::size_t argument = 0;
    if (c == ')' && !open.empty()) {
      const std::optional<std::string> close = std::move(open.back());
      open.pop_back();
      if (close) {
        while (!result.empty() && (result.back() == ' ' || result.back() == '\t')) {
          result.pop_back();
        }
      }
      result += close.value_or(")");
      ++position;
    } else if (const CallRewrite* call = CallAt(text, position, rewrites, argument)) {
      auto [opening, closing] = CallTexts(text, *call, elements, argument);
      result += opening;
      open.emplace_back(std::move(closing));
      position = argument;
    } else {
      if (c == '(') open.emplace_back();
      result += c;
      ++position;
    }
  }
  return result;
}

// Macros with an image argument: the current pixel of an image (at the same
// place in the picture, whatever its size), a pixel by its position in the
// image's own pixels, and an image's size (its _imgSize companion). A pixel
// position on a sampler that is no image of the package (a function's
// parameter) can only be taken against the render size.
constexpr std::array<CallRewrite, 4> kMacroCalls{{
    {"IMG_THIS_NORM_PIXEL", "texture2D(", ", TexCoord0.xy)"},
    {"IMG_THIS_PIXEL", "texture2D(", ", TexCoord0.xy)"},
    {"IMG_PIXEL", "_SAMPLER2D_BY_PIXEL(", ")", "texture2D($, (", ") / _$_imgSize)"},
    {"IMG_SIZE", "_", Proc::ISF::IMG_SIZE_SUFFIX},
}};

// The GLSL type of an element's uniform; empty for values without one.
std::string_view GlslType(const std::any& value) {
  if (value.type() == typeid(bool)) return "bool";
  if (value.type() == typeid(std::int32_t)) return "int";
  if (value.type() == typeid(float)) return "float";
  if (value.type() == typeid(glm::vec2)) return "vec2";
  if (value.type() == typeid(glm::vec4)) return "vec4";
  if (value.type() == typeid(ImageElement) || value.type() == typeid(AudioElement)) {
    return "sampler2D";
  }
  return {};
}

std::vector<const Element*> SortedByName(const ElementMap& elements) {
  std::vector<const Element*> sorted;
  for (const auto& [name, element] : elements) sorted.push_back(&element);
  std::sort(sorted.begin(), sorted.end(),
            [](const Element* a, const Element* b) { return a->name < b->name; });
  return sorted;
}

// One uniform line per input and built-in, in name order.
std::string UniformDeclarations(const ElementMap& elements) {
  std::string declarations;
  for (const Element* element : SortedByName(elements)) {
    const std::string_view type = GlslType(element->value);
    if (type.empty()) {
      VLOG(kDiagnostics) << "Unregistered type: " << element->value.type().name();
      continue;
    }
    declarations += "uniform " + std::string(type) + " " + element->name + ";\n";
  }
  return declarations;
}

// One sampler line per named pass target.
std::string PassSamplers(const ElementMap& elements) {
  std::string samplers;
  for (const Element* element : SortedByName(elements)) {
    if (element->value.type() == typeid(PassElement) && !element->name.empty()) {
      samplers += "uniform sampler2D " + element->name + ";\n";
    }
  }
  return samplers;
}

// ISF coordinate names onto TexCoord0, and its declaration where used.
void MapCoordinates(std::string& prologue, std::string& text) {
  ReplaceString(text, "isf_FragNormCoord", "TexCoord0", true);
  ReplaceString(text, "vv_FragNormCoord", "TexCoord0", true);
  if (Contains(text, "gl_FragCoord")) {
    ReplaceString(text, "gl_FragCoord", "_GL_FRAG_COORD()", true);
    prologue.insert(0, kFragCoord);
  }
  if (Contains(prologue, "TexCoord0") || Contains(text, "TexCoord0")) {
    prologue.insert(0, kTexCoordVarying);
  }
}

// Puts the generated declarations in front of the package's own text, after
// its leading directives, and restarts the line count so that compiler
// messages give the lines of the text as the package has it.
std::string Assemble(std::string_view source, std::size_t headEnd, int headLines,
                     const std::string& prologue, const std::string& text) {
  return std::string(source.substr(0, headEnd)) + prologue +
         LineDirective(source.substr(0, headEnd), headLines + 1) + text;
}

std::string RewriteFragment(const std::string& source, const ElementMap& elements) {
  int headLines = 0;
  const std::size_t headEnd = LeadingDirectivesEnd(source, headLines);
  std::string text = source.substr(headEnd);
  ReplaceString(text, "IMG_NORM_PIXEL", "texture2D", true);
  text = ExpandCalls(text, kMacroCalls, elements);
  ReplaceString(text, "IMG_PIXEL", "_SAMPLER2D_BY_PIXEL", true);
  std::string prologue;
  if (Contains(text, "_SAMPLER2D_BY_PIXEL")) prologue.insert(0, kSamplerByPixel);
  MapCoordinates(prologue, text);
  prologue.insert(0, UniformDeclarations(elements));
  prologue.insert(0, PassSamplers(elements));
  return Assemble(source, headEnd, headLines, prologue, text);
}

std::string RewriteVertex(const std::string& source, const ElementMap& elements) {
  int headLines = 0;
  const std::size_t headEnd = LeadingDirectivesEnd(source, headLines);
  std::string text = source.substr(headEnd);
  ReplaceString(text, "vv_vertShaderInit", "isf_vertShaderInit", true);
  std::string prologue(kVertexInit);
  prologue.insert(0, UniformDeclarations(elements));
  MapCoordinates(prologue, text);
  ReplaceString(text, "VERTEXDATA", "vbo_xy_uv", true);
  prologue.insert(0, kVertexAttribute);
  return Assemble(source, headEnd, headLines, prologue, text);
}

}  // namespace

Element ISFParser::MakeBoolElement(const std::string& name, bool value) {
  return Element{name, value};
}

Element ISFParser::MakeLongElement(const std::string& name, const Json& input) {
  const std::int32_t value = IntOf(input.at(Keys::DEFAULT_KEY), name);
  CheckDefault(input, {static_cast<double>(value)});
  return Element{name, value};
}

Element ISFParser::MakeFloatElement(const std::string& name, const Json& input) {
  const float value = FloatOf(input.at(Keys::DEFAULT_KEY), name);
  CheckDefault(input, {static_cast<double>(value)});
  return Element{name, value};
}

Element ISFParser::MakePoint2DElement(const std::string& name, const Json& input) {
  return Element{name, VectorDefault<glm::vec2, 2>(name, input)};
}

Element ISFParser::MakeColorElement(const std::string& name, const Json& input) {
  return Element{name, VectorDefault<glm::vec4, 4>(name, input)};
}

Element ISFParser::MakeImageElement(const std::string& name) {
  return Element{name, ImageElement{NextImageIndex()}};
}

Element ISFParser::MakeAudioElement(const std::string& name, const Json& input, bool fft) {
  const auto maximum = input.find(Keys::MAX_KEY);
  std::int32_t samples = fft ? kFftBins : kWaveformSamples;
  if (maximum != input.end() && maximum->is_number()) {
    const double wanted = std::round(maximum->get<double>());
    if (wanted >= 1.0) samples = static_cast<std::int32_t>(std::min(wanted, kMaxAudioSamples));
  }
  return Element{name, AudioElement{samples, fft}};
}

bool ISFParser::IsSampled(const Element& element) const {
  return Base::IsSampled(element) || element.value.type() == typeid(AudioElement);
}

Element ISFParser::MakePassElement(const std::string& name, const PassElement& pass) {
  return Element{name, pass};
}

void ISFParser::ResolveSizeVariables(PassElement& pass) {
  const std::string sign(Keys::VARIABLE_SIGN);
  const std::string renderSize(Keys::RENDERSIZE);
  for (std::string* expression : {&pass.width, &pass.height}) {
    ReplaceString(*expression, sign + std::string(Keys::WIDTH_KEY), " " + renderSize + ".x ", true);
    ReplaceString(*expression, sign + std::string(Keys::HEIGHT_KEY), " " + renderSize + ".y ",
                  true);
  }
}

void ISFParser::ParseSections(const Json& root) {
  ParseInputsAndPasses(root);
  ResolvePassSizes();
  RewriteShaders();
}

void ISFParser::RewriteShaders() {
  const std::string& fragment = InputFragment();
  const std::string& vertex = InputVertex();
  SetOutput(vertex.empty() ? vertex : RewriteVertex(vertex, GetElements()),
            fragment.empty() ? fragment : RewriteFragment(fragment, GetElements()));
}

}  // namespace Obrisk::Ogl::ISF
