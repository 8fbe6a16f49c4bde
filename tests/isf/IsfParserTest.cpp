#include <string>

#include <gtest/gtest.h>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>
#include <nlohmann/json.hpp>

#include "isf/ISFParser.h"
#include "obrisk/host/Exception.h"
#include "obrisk/isf/ISFUtils.h"

namespace Obrisk::Ogl::ISF {
namespace {

using Json = nlohmann::json;

struct Parsed {
  ISFParser::ElementMap elements;
  std::string fragment;
  std::string vertex;
};

Parsed Parse(const std::string& header, const std::string& fragment = "void main() {}\n",
             const std::string& vertex = "") {
  ISFParser parser(header, vertex, fragment);
  parser.AddParamsFromISF();
  parser.AddStandardElements();
  return {parser.GetElements(), parser.GetFragmentShader(), parser.GetVertexShader()};
}

template <class T>
T ValueOf(const Parsed& parsed, const std::string& name) {
  return std::any_cast<T>(parsed.elements.at(name).value);
}

TEST(IsfParser, EmptyInputsHoldOnlyTheBuiltinsWithTheirPlaceholders) {
  const Parsed parsed = Parse(R"({"INPUTS": []})");
  EXPECT_EQ(parsed.elements.size(), 6u);
  EXPECT_EQ(ValueOf<std::int32_t>(parsed, "FRAMEINDEX"), 0);
  EXPECT_EQ(ValueOf<std::int32_t>(parsed, "PASSINDEX"), -1);
  EXPECT_EQ(ValueOf<glm::vec2>(parsed, "RENDERSIZE"), glm::vec2(-1.0f));
  EXPECT_EQ(ValueOf<float>(parsed, "TIME"), -1.0f);
  EXPECT_EQ(ValueOf<float>(parsed, "TIMEDELTA"), -1.0f);
  EXPECT_EQ(ValueOf<glm::vec4>(parsed, "DATE"), glm::vec4(-1.0f));
}

TEST(IsfParser, ImagesAreNumberedInHeaderOrderWhateverLiesBetween) {
  const Parsed parsed = Parse(R"({"INPUTS": [
    {"NAME": "amount", "TYPE": "float", "DEFAULT": 0.5},
    {"NAME": "second", "TYPE": "image"},
    {"NAME": "flag", "TYPE": "bool", "DEFAULT": true},
    {"NAME": "first", "TYPE": "image"},
    {"NAME": "third", "TYPE": "image"}]})");
  EXPECT_EQ(ValueOf<ImageElement>(parsed, "second").index, 0);
  EXPECT_EQ(ValueOf<ImageElement>(parsed, "first").index, 1);
  EXPECT_EQ(ValueOf<ImageElement>(parsed, "third").index, 2);
}

TEST(IsfParser, InputsTakeTheirDefaultsByType) {
  const Parsed parsed = Parse(R"({"INPUTS": [
    {"NAME": "count", "TYPE": "long", "DEFAULT": 3, "MIN": 0, "MAX": 2},
    {"NAME": "level", "TYPE": "float", "DEFAULT": -1.5, "MIN": 0.0},
    {"NAME": "centre", "TYPE": "point2D", "DEFAULT": [0.25, 0.75]},
    {"NAME": "tint", "TYPE": "color", "DEFAULT": [0.1, 0.2, 0.3, 0.4]},
    {"NAME": "bang", "TYPE": "event"}]})");
  EXPECT_EQ(ValueOf<std::int32_t>(parsed, "count"), 3) << "out of range is kept";
  EXPECT_EQ(ValueOf<float>(parsed, "level"), -1.5f);
  EXPECT_EQ(ValueOf<glm::vec2>(parsed, "centre"), glm::vec2(0.25f, 0.75f));
  EXPECT_EQ(ValueOf<glm::vec4>(parsed, "tint"), glm::vec4(0.1f, 0.2f, 0.3f, 0.4f));
  EXPECT_FALSE(ValueOf<bool>(parsed, "bang"));
}

struct BoolCase {
  const char* json;
  bool expected;
};
class IsfBoolDefault : public ::testing::TestWithParam<BoolCase> {};

TEST_P(IsfBoolDefault, IsReadByItsJsonType) {
  const Parsed parsed =
      Parse(std::string(R"({"INPUTS": [{"NAME": "b", "TYPE": "bool", "DEFAULT": )") +
            GetParam().json + "}]}");
  EXPECT_EQ(ValueOf<bool>(parsed, "b"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, IsfBoolDefault,
                         ::testing::Values(BoolCase{"false", false}, BoolCase{"true", true},
                                           BoolCase{"0", false}, BoolCase{"1", true},
                                           BoolCase{"0.0", false}, BoolCase{"-2", true}));

TEST(IsfParser, UnknownTypesAreLeftOut) {
  const Parsed parsed =
      Parse(R"({"INPUTS": [{"NAME": "mystery", "TYPE": "texture3D", "DEFAULT": 1}]})");
  EXPECT_EQ(parsed.elements.size(), 6u);
  EXPECT_EQ(Proc::ISF::GetInputTypeFromString("audioFFT"), 8u);
  EXPECT_EQ(Proc::ISF::GetInputTypeFromString("Float"), Proc::ISF::kUnknown);
}

TEST(IsfParser, ARepeatedNameKeepsTheFirstElement) {
  const Parsed parsed = Parse(R"({"INPUTS": [
    {"NAME": "x", "TYPE": "float", "DEFAULT": 1.0},
    {"NAME": "x", "TYPE": "long", "DEFAULT": 7}]})");
  EXPECT_EQ(ValueOf<float>(parsed, "x"), 1.0f);
}

TEST(IsfParser, PassesArePersistentOnlyWhenToldAndNumberedInOrder) {
  const Parsed parsed = Parse(R"({"INPUTS": [], "PASSES": [
    {"TARGET": "a"}, {"TARGET": "b", "PERSISTENT": false}, {"TARGET": "c", "PERSISTENT": true}]})");
  EXPECT_FALSE(ValueOf<PassElement>(parsed, "a").persistent);
  EXPECT_FALSE(ValueOf<PassElement>(parsed, "b").persistent);
  EXPECT_TRUE(ValueOf<PassElement>(parsed, "c").persistent);
  EXPECT_EQ(ValueOf<PassElement>(parsed, "a").index, 0);
  EXPECT_EQ(ValueOf<PassElement>(parsed, "b").index, 1);
  EXPECT_EQ(ValueOf<PassElement>(parsed, "c").index, 2);
}

TEST(IsfParser, SizeExpressionsGetTheRenderSizeAndNumericInputs) {
  const Parsed parsed = Parse(R"({"INPUTS": [
    {"NAME": "scale", "TYPE": "float", "DEFAULT": 0.5},
    {"NAME": "steps", "TYPE": "long", "DEFAULT": 4},
    {"NAME": "scaleX", "TYPE": "float", "DEFAULT": 2.0}],
    "PASSES": [{"TARGET": "half", "WIDTH": "$WIDTH/2", "HEIGHT": "$HEIGHT*$scale+$steps"},
               {"TARGET": "fixed", "WIDTH": 64}]})");
  const auto pass = ValueOf<PassElement>(parsed, "half");
  EXPECT_EQ(pass.width, " RENDERSIZE.x /2");
  EXPECT_EQ(pass.height, " RENDERSIZE.y * 0.500000 + 4 ");
  EXPECT_EQ(ValueOf<PassElement>(parsed, "fixed").width, "64");
  EXPECT_EQ(ValueOf<PassElement>(parsed, "fixed").height, "");
}

TEST(IsfParser, PixelMacrosAndCoordinatesBecomeGlsl) {
  const Parsed parsed = Parse(R"({"INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]})",
                              "void main() {\n"
                              "  vec4 a = IMG_THIS_PIXEL(inputImage);\n"
                              "  vec4 b = IMG_THIS_NORM_PIXEL(inputImage);\n"
                              "  vec4 c = IMG_NORM_PIXEL(inputImage, isf_FragNormCoord);\n"
                              "  vec4 d = IMG_PIXEL(inputImage, gl_FragCoord.xy);\n"
                              "  gl_FragColor = a + b + c + d;\n"
                              "}\n");
  const std::string& f = parsed.fragment;
  EXPECT_NE(f.find("vec4 a = texture2D(inputImage, TexCoord0.xy);"), std::string::npos);
  EXPECT_NE(f.find("vec4 b = texture2D(inputImage, TexCoord0.xy);"), std::string::npos);
  EXPECT_NE(f.find("texture2D(inputImage, TexCoord0)"), std::string::npos);
  // Pixel positions count in the image's own pixels.
  EXPECT_NE(f.find("texture2D(inputImage, (_GL_FRAG_COORD().xy) / _inputImage_imgSize)"),
            std::string::npos);
  EXPECT_EQ(f.find("_SAMPLER2D_BY_PIXEL"), std::string::npos);
  EXPECT_NE(f.find("vec2 _GL_FRAG_COORD()"), std::string::npos);
  EXPECT_NE(f.find("varying vec2 TexCoord0;"), std::string::npos);
  EXPECT_NE(f.find("uniform sampler2D inputImage;\n"), std::string::npos);
  EXPECT_NE(f.find("uniform vec2 RENDERSIZE;\n"), std::string::npos);
  EXPECT_EQ(f.find("IMG_"), std::string::npos);
  EXPECT_EQ(f.find("isf_FragNormCoord"), std::string::npos);
}

TEST(IsfParser, PixelPositionsOnOtherSamplersCountInTheRenderSize) {
  const Parsed parsed = Parse(R"({"INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]})",
                              "vec4 At(sampler2D s, vec2 p) { return IMG_PIXEL(s, p); }\n"
                              "void main() { gl_FragColor = At(inputImage, vec2(1.0)); }\n");
  const std::string& f = parsed.fragment;
  EXPECT_NE(f.find("return _SAMPLER2D_BY_PIXEL(s, p);"), std::string::npos);
  EXPECT_NE(f.find("vec4 _SAMPLER2D_BY_PIXEL( sampler2D sampler, vec2 loc )"), std::string::npos);
}

struct SoundCase {
  const char* header;
  std::int32_t samples;
  bool fft;
};
class IsfParserSound : public ::testing::TestWithParam<SoundCase> {};

TEST_P(IsfParserSound, IsASampledImageOfItsSampleCount) {
  const Parsed parsed = Parse(GetParam().header);
  EXPECT_EQ(ValueOf<AudioElement>(parsed, "sound"),
            (AudioElement{GetParam().samples, GetParam().fft}));
  EXPECT_NE(parsed.fragment.find("uniform sampler2D sound;\n"), std::string::npos);
  EXPECT_NE(parsed.fragment.find("uniform vec2 _sound_imgSize;\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Types, IsfParserSound,
    ::testing::Values(
        SoundCase{R"({"INPUTS": [{"NAME": "sound", "TYPE": "audio"}]})", 512, false},
        SoundCase{R"({"INPUTS": [{"NAME": "sound", "TYPE": "audioFFT"}]})", 256, true},
        SoundCase{R"({"INPUTS": [{"NAME": "sound", "TYPE": "audioFFT", "MAX": 32}]})", 32, true},
        SoundCase{R"({"INPUTS": [{"NAME": "sound", "TYPE": "audio", "MAX": 0}]})", 512, false},
        SoundCase{R"({"INPUTS": [{"NAME": "sound", "TYPE": "audio", "MAX": 1e9}]})", 65536,
                  false}));

TEST(IsfParser, PlainShaderOnlyGainsDeclarationsAndKeepsItsLineNumbers) {
  const std::string body = "void main() {\n  gl_FragColor = vec4(TIME);\n}\n";
  const Parsed parsed = Parse(R"({"INPUTS": [], "PASSES": [{"TARGET": "buf"}]})", body);
  const std::string& f = parsed.fragment;
  EXPECT_EQ(f.find("varying"), std::string::npos);
  EXPECT_NE(f.find("uniform sampler2D buf;\n"), std::string::npos);
  EXPECT_NE(f.find("uniform float TIME;\n"), std::string::npos);
  // Legacy GLSL: the directive names its own line, so the body starts at 1.
  const std::string tail = "#line 0\n" + body;
  EXPECT_EQ(f.substr(f.size() - tail.size()), tail);
}

TEST(IsfParser, LeadingVersionStaysFirst) {
  const Parsed parsed = Parse(R"({"INPUTS": []})", "#version 330\nvoid main() {}\n");
  EXPECT_EQ(parsed.fragment.rfind("#version 330\n", 0), 0u);
  EXPECT_NE(parsed.fragment.find("#line 2\nvoid main"), std::string::npos);
}

TEST(IsfParser, VertexShaderGetsTheInitAndTheAttribute) {
  const Parsed parsed = Parse(R"({"INPUTS": []})", "void main() {}\n",
                              "void main() {\n  vv_vertShaderInit();\n  vec4 p = VERTEXDATA;\n}\n");
  const std::string& v = parsed.vertex;
  EXPECT_EQ(v.rfind("attribute vec4 vbo_xy_uv;\n", 0), 0u);
  EXPECT_NE(v.find("void isf_vertShaderInit( void )"), std::string::npos);
  EXPECT_NE(v.find("  isf_vertShaderInit();"), std::string::npos);
  EXPECT_NE(v.find("vec4 p = vbo_xy_uv;"), std::string::npos);
  EXPECT_NE(v.find("varying vec2 TexCoord0;"), std::string::npos);
}

struct FailureCase {
  const char* name;
  const char* header;
  const char* message;
};
class IsfParserFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(IsfParserFailure, RaisesTheMessage) {
  try {
    Parse(GetParam().header);
    FAIL() << "no exception";
  } catch (const std::exception& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos)
        << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, IsfParserFailure,
    ::testing::Values(
        FailureCase{"NoInputs", R"({"PASSES": []})", "INPUT section not found!"},
        FailureCase{"NotAnObject", "[1, 2]", "INPUT section not found!"},
        FailureCase{"NoType", R"({"INPUTS": [{"NAME": "a"}]})", "TYPE_KEY for element not found"},
        FailureCase{"ImportedWithoutPath", R"({"INPUTS": [], "IMPORTED": {"a": {}}})",
                    "IMPORTED image without PATH: a"},
        FailureCase{"WrongDefault",
                    R"({"INPUTS": [{"NAME": "a", "TYPE": "float", "DEFAULT": "x"}]})",
                    "type must be number, but is string"},
        FailureCase{"ShortPoint",
                    R"({"INPUTS": [{"NAME": "a", "TYPE": "point2D", "DEFAULT": [1]}]})",
                    "out of range"},
        FailureCase{"PersistentNumber", R"({"INPUTS": [], "PASSES": [{"PERSISTENT": 0}]})",
                    "type must be boolean, but is number"},
        FailureCase{"NameWithNewline",
                    R"({"INPUTS": [{"NAME": "a;\n#line 1\nuniform", "TYPE": "event"}]})",
                    "Invalid element name: \"a;\n#line 1\nuniform\""},
        FailureCase{"NoName", R"({"INPUTS": [{"TYPE": "image"}]})", "Invalid element name: \"\""},
        FailureCase{"TargetWithSpace", R"({"INPUTS": [], "PASSES": [{"TARGET": "a b"}]})",
                    "Invalid element name: \"a b\""},
        // Found by fuzzing: converting these defaults was undefined behaviour.
        FailureCase{
            "LongTooLarge",
            R"({"INPUTS": [{"NAME": "n", "TYPE": "long", "DEFAULT": 26666666666666666666}]})",
            "Number out of range for element with name: n"},
        FailureCase{"FloatTooLarge",
                    R"({"INPUTS": [{"NAME": "f", "TYPE": "float", "DEFAULT": -1e300}]})",
                    "Number out of range for element with name: f"},
        FailureCase{"ColorTooLarge",
                    R"({"INPUTS": [{"NAME": "c", "TYPE": "color", "DEFAULT": [0, 0, 1e39, 1]}]})",
                    "Number out of range for element with name: c"},
        FailureCase{"Syntax", R"({"INPUTS": [}")", "syntax error"},
        FailureCase{"Comments", "{\"INPUTS\": [] /* no */}", "syntax error"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IsfParser, ParserExceptionsCarryTheMessageAsDescription) {
  try {
    Parse(R"({"INPUTS": [{"NAME": "a"}]})");
    FAIL();
  } catch (const Exception& error) {
    EXPECT_EQ(error.Description(), "TYPE_KEY for element not found");
  }
}

}  // namespace
}  // namespace Obrisk::Ogl::ISF
