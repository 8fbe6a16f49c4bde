// The format features that packages written elsewhere rely on, each through
// a small package of tests/isf/packages rendered by the plug-in.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include "isf/ISFParser.h"
#include "isf/IsfTestSupport.h"
#include "obrisk/host/Exception.h"
#include "obrisk/settings/IsfSettings.h"
#include "support/Messages.h"

namespace Obrisk::Ogl {
namespace {

using Testing::Pixel;
using namespace Testing::Isf;

Ptr<Proc::DataVideoMemory> RenderOne(const std::string& package) {
  auto effect = MakeEffect<Proc::SettingsEffectISF>(package);
  return Testing::Download(effect->ProcessData({Solid({10, 20, 30, 255})}));
}

ISF::ISFParser::ElementMap Elements(const std::string& header) {
  ISF::ISFParser parser(header, "", "void main() {}\n");
  parser.AddParamsFromISF();
  parser.AddStandardElements();
  return parser.GetElements();
}

template <class T>
T ValueOf(const ISF::ISFParser::ElementMap& elements, const std::string& name) {
  return std::any_cast<T>(elements.at(name).value);
}

// Packages that draw one colour over a solid frame.
struct RenderCase {
  const char* name;
  const char* package;
  Pixel expected;
};
class IsfWildRender : public ::testing::TestWithParam<RenderCase> {};

TEST_P(IsfWildRender, DrawsItsColour) {
  ExpectEverywhere(*RenderOne(GetParam().package), GetParam().expected, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, IsfWildRender,
    ::testing::Values(
        // The buffer holds (0.2, 0.4, 0.6); the empty pass at the end reverses it.
        RenderCase{"TheEmptyPassAtTheEndDrawsTheOutput", "output_pass.fs", {153, 102, 51, 255}},
        // Newer GLSL: 0.25, 2 * 0.25, 3 / 4.
        RenderCase{"NewerGlslCompiles", "dialect.fs", {64, 128, 191, 255}},
        RenderCase{"ImgSizeIsTheImagesSize",
                   "img_size.fs",
                   {Byte(kWidth / 100.0), Byte(kHeight / 100.0), 0, 255}},
        RenderCase{"CompanionsDescribeTheImage",
                   "companions.fs",
                   {Byte(kWidth / 100.0), Byte(kHeight / 100.0), Byte(kWidth / 100.0), 255}},
        // Float passes hold 4.0 / 8 and -(-1.0) / 2: both saturate to 1 and 0
        // in an 8-bit target.
        RenderCase{"FloatPassesHoldValuesOutsideZeroToOne", "float_pass.fs", {128, 128, 128, 255}},
        // Silent sound: waveform level 0.5, its 64 samples / 255, the
        // spectrum's 256 bins / 512, alpha one less the spectrum's level 0.
        RenderCase{"SoundInputsSampleSilenceOfTheirSize", "audio.fs", {128, 64, 128, 255}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IsfWildPackages, EveryPassWithoutTargetIsKept) {
  const auto elements =
      Elements(R"({"INPUTS": [], "PASSES": [{}, {"TARGET": "a"}, {"WIDTH": 4}, {}]})");
  int unnamed = 0;
  for (const auto& [key, element] : elements) {
    if (element.value.type() == typeid(ISF::PassElement) && element.name.empty()) ++unnamed;
  }
  EXPECT_EQ(unnamed, 3);
  EXPECT_EQ(ValueOf<ISF::PassElement>(elements, "a").index, 1);
}

TEST(IsfWildPackages, InputsWithoutDefaultTakeTheirTypesDefault) {
  const auto header = Proc::ISF::SplitFragmentFile(ReadPackage("no_defaults.fs")).header;
  const auto elements = Elements(header);
  EXPECT_EQ(ValueOf<float>(elements, "gain"), 0.25f);
  EXPECT_EQ(ValueOf<float>(elements, "offset"), 0.0f);
  EXPECT_EQ(ValueOf<std::int32_t>(elements, "mode"), 2);
  EXPECT_FALSE(ValueOf<bool>(elements, "flag"));
  EXPECT_EQ(ValueOf<glm::vec4>(elements, "tint"), glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
  EXPECT_EQ(ValueOf<glm::vec2>(elements, "centre"), glm::vec2(0.5f));
  EXPECT_EQ(ValueOf<glm::vec2>(Elements(R"({"INPUTS": [{"NAME": "p", "TYPE": "point2D"}]})"), "p"),
            glm::vec2(0.5f));
  EXPECT_EQ(
      ValueOf<std::int32_t>(
          Elements(R"({"INPUTS": [{"NAME": "n", "TYPE": "long", "MIN": 3, "MAX": 9}]})"), "n"),
      3);
  // gain + offset, mode / 4, the centre's mean, tint's alpha.
  ExpectEverywhere(*RenderOne("no_defaults.fs"), {64, 128, 128, 255}, 1);
}

TEST(IsfWildPackages, NamesThatNewerGlslReservesStillCompile) {
  Ptr<Proc::IEffect> effect = Testing::MakeEffect("SettingsEffectISF");
  Proc::SettingsEffectISF settings;
  settings.SetConfig(R"({"INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]})");
  settings.SetPixelShader("void main() {\n  float flat = 0.5;\n  gl_FragColor = vec4(flat);\n}\n");
  effect->SetSettingsObject(settings);
  ExpectEverywhere(*Testing::Download(effect->ProcessData({Solid({0, 0, 0, 255})})),
                   {128, 128, 128, 128}, 1);
}

TEST(IsfWildPackages, ImportedPicturesFollowTheInputs) {
  const auto header = Proc::ISF::SplitFragmentFile(ReadPackage("imported.fs")).header;
  const auto elements = Elements(header);
  EXPECT_EQ(ValueOf<ISF::ImageElement>(elements, "inputImage").index, 0);
  EXPECT_EQ(ValueOf<ISF::ImageElement>(elements, "stamp").index, 1);
  const auto listed = Elements(R"({"INPUTS": [], "IMPORTED": [{"NAME": "a", "PATH": "a.png"}]})");
  EXPECT_EQ(ValueOf<ISF::ImageElement>(listed, "a").index, 0);

  // The imported picture comes as the frame after the inputs.
  auto effect = MakeEffect<Proc::SettingsEffectMultiInputISF>("imported.fs");
  const Pixel input{200, 100, 50, 255};
  const Pixel stamp{51, 102, 204, 255};
  const auto output = Testing::Download(effect->ProcessData({Solid(input), Solid(stamp)}));
  EXPECT_EQ(Testing::PixelAt(*output, 2, 5), stamp);
  EXPECT_EQ(Testing::PixelAt(*output, kWidth - 3, 5), input);
}

TEST(IsfWildPackages, TransitionWithAMapFollowsTheProgress) {
  auto effect = MakeEffect<Proc::SettingsEffectMultiInputISF>("map_transition.fs");
  effect->SetProgress(Proc::TimeToProgress([](std::int64_t) { return 0.5; }));
  const Pixel start{255, 0, 0, 255};
  const Pixel end{0, 0, 255, 255};
  auto map = Testing::MakeFrame(kWidth, kHeight, PixFmt::RGBA, [](int x, int) {
    return x < kWidth / 2 ? Pixel{64, 0, 0, 255} : Pixel{191, 0, 0, 255};
  });
  Ptr<Proc::IData> mapData = Testing::Upload(map);
  mapData->SetStartTime(kFrame);
  mapData->SetDuration(kFrame);
  const auto output = Testing::Download(effect->ProcessData({Solid(start), Solid(end), mapData}));
  EXPECT_EQ(Testing::PixelAt(*output, 1, 6), end);
  EXPECT_EQ(Testing::PixelAt(*output, kWidth - 2, 6), start);
}

TEST(IsfWildPackages, PixelPositionsCountInTheImagesOwnPixels) {
  auto effect = MakeEffect<Proc::SettingsEffectMultiInputISF>("pixel_lookup.fs");
  // Red in the top row, green in the bottom one, brighter to the right;
  // the render size (24x12) is another.
  const auto shade = [](int x) { return static_cast<std::uint8_t>(40 << std::min(x, 2)); };
  auto lookup = Testing::MakeFrame(4, 2, PixFmt::RGBA, [&](int x, int y) {
    return y == 0 ? Pixel{shade(x), 0, 0, 255} : Pixel{0, shade(x), 0, 255};
  });
  Ptr<Proc::IData> lookupData = Testing::Upload(lookup);
  lookupData->SetStartTime(kFrame);
  lookupData->SetDuration(kFrame);
  const auto output =
      Testing::Download(effect->ProcessData({Solid({10, 20, 30, 255}), lookupData}));
  // Pixel positions count rows from the bottom: row 1 is the top row here.
  EXPECT_EQ(Testing::PixelAt(*output, 2, 5), (Pixel{160, 0, 0, 255})) << "column 2, row 1";
  EXPECT_EQ(Testing::PixelAt(*output, kWidth - 2, 0), (Pixel{160, 0, 0, 255}));
  EXPECT_EQ(Testing::PixelAt(*output, kWidth - 2, kHeight - 1), (Pixel{0, 160, 0, 255}));
}

TEST(IsfWildPackages, GeneratorsAdvanceTimeAndFrameIndex) {
  auto effect = MakeEffect<Proc::SettingsEffectISF>("generator.fs");
  for (int i = 0; i < 3; ++i) {
    const auto output = Testing::Download(effect->ProcessData({Solid({0, 0, 0, 0}, i * kFrame)}));
    ExpectEverywhere(*output,
                     {static_cast<std::uint8_t>(10 * i), Byte(i * kFrame / 1e6), kWidth, 255}, 1);
  }
}

struct BoundCase {
  const char* name;
  std::string header;
  std::string fragment;
  const char* message;
};
class IsfPackageBound : public ::testing::TestWithParam<BoundCase> {};

TEST_P(IsfPackageBound, IsRefusedWithAClearError) {
  Ptr<Proc::IEffect> effect = Testing::MakeEffect("SettingsEffectISF");
  Proc::SettingsEffectISF settings;
  settings.SetConfig(GetParam().header);
  settings.SetPixelShader(GetParam().fragment);
  EXPECT_TRUE(Testing::Contains(
      Testing::DescriptionOf<Exception>([&] { effect->SetSettingsObject(settings); }),
      GetParam().message));
}

std::string ManyPasses(int count) {
  std::string passes;
  for (int i = 0; i < count; ++i) passes += std::string(i == 0 ? "" : ",") + "{}";
  return R"({"INPUTS": [], "PASSES": [)" + passes + "]}";
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, IsfPackageBound,
    ::testing::Values(
        BoundCase{"HugeShader", R"({"INPUTS": []})", "void main() {}\n" + std::string(1600000, ' '),
                  "the fragment shader has 1600015 bytes, more than the 262144"},
        BoundCase{"HugeHeader", R"({"INPUTS": [], "X": ")" + std::string(70000, 'x') + "\"}",
                  "void main() {}\n", "the ISF header has 70023 bytes"},
        BoundCase{
            "DeepHeader",
            R"({"INPUTS": [], "X": )" + std::string(30000, '[') + std::string(30000, ']') + "}",
            "void main() {}\n", "JSON nested deeper than 32 levels"},
        BoundCase{"ManyPasses", ManyPasses(300), "void main() {}\n", "More than 64 passes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IsfWildPackages, TheMostPassesThatAreAllowedRender) {
  Ptr<Proc::IEffect> effect = Testing::MakeEffect("SettingsEffectISF");
  Proc::SettingsEffectISF settings;
  settings.SetConfig(ManyPasses(static_cast<int>(Proc::ISF::MAX_PASSES)));
  settings.SetPixelShader("void main() { gl_FragColor = vec4(float(PASSINDEX) / 255.0); }\n");
  effect->SetSettingsObject(settings);
  const auto last = static_cast<std::uint8_t>(Proc::ISF::MAX_PASSES - 1);
  ExpectEverywhere(*Testing::Download(effect->ProcessData({Solid({0, 0, 0, 255})})),
                   {last, last, last, last}, 1);
}

}  // namespace
}  // namespace Obrisk::Ogl
