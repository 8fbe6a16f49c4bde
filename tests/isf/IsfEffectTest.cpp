#include <cmath>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "isf/EffectISF.h"
#include "isf/ISFOGLCache.h"
#include "isf/IsfTestSupport.h"
#include "obrisk/host/Exception.h"
#include "obrisk/isf/ISFUtils.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/IsfSettings.h"
#include "support/GpuTestSupport.h"
#include "support/Messages.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;
using Testing::Pixel;
using namespace Testing::Isf;

TEST(IsfEffect, OnePassFilterMatchesItsFormula) {
  auto effect = MakeEffect<Proc::SettingsEffectISF>("invert.fs");
  auto input = Testing::MakeTestPattern(kWidth, kHeight, PixFmt::RGBA);
  const auto output = Testing::Download(effect->ProcessData({Testing::Upload(input)}));
  constexpr double kAmount = 0.75;  // the package's default
  Testing::ExpectPixels(*output,
                        [&](int x, int y) {
                          Pixel in = Testing::PixelAt(*input, x, y);
                          for (int c = 0; c < 3; ++c)
                            in[c] = Byte(in[c] / 255.0 + (1.0 - 2.0 * in[c] / 255.0) * kAmount);
                          return in;
                        },
                        {1, 1, 1, 0});
}

TEST(IsfEffect, VertexShaderOfThePackageIsUsed) {
  auto settings = PackageSettings<Proc::SettingsEffectISF>("invert.fs");
  // Mirrors the picture left to right through the texture coordinates.
  settings.SetVertexShader(
      "void main() {\n  vv_vertShaderInit();\n  isf_FragNormCoord.x = 1.0 - VERTEXDATA.x;\n}\n");
  Ptr<Proc::IEffect> effect = Testing::MakeEffect(settings);
  auto input = Testing::MakeTestPattern(kWidth, kHeight, PixFmt::RGBA);
  const auto output = Testing::Download(effect->ProcessData({Testing::Upload(input)}));
  for (int x = 0; x < kWidth; ++x) {
    const Pixel in = Testing::PixelAt(*input, kWidth - 1 - x, 5);
    ASSERT_NEAR(Testing::PixelAt(*output, x, 5)[0], Byte(in[0] / 255.0 * -0.5 + 0.75), 1) << x;
  }
}

TEST(IsfEffect, TwoPassPackageGoesThroughItsHalfSizeTarget) {
  auto effect = MakeEffect<Proc::SettingsEffectISF>("half_two_pass.fs");
  // Halved and doubled through two 8-bit targets: within 2.
  ExpectEverywhere(*Testing::Download(effect->ProcessData({Solid({200, 100, 50, 255})})),
                   {200, 100, 50, 255}, 2);
}

struct SizeCase {
  const char* width;
  const char* height;
  std::uint32_t expectedWidth;
  std::uint32_t expectedHeight;
};
class IsfPassSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(IsfPassSize, IsComputedOnTheGpuFromTheExpressions) {
  Ptr<ISF::ISFOGLCache> cache = MakeRef<ISF::ISFOGLCache>();
  const ISF::PassList passes{{"target", ISF::PassElement{0, GetParam().width, GetParam().height}}};
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    auto output = Frame::CreateIntermediate({}, PixFmt::RGBA, {1920, 1080, 1, 1});
    ASSERT_TRUE(cache->Prepare(passes, *output, storage));
    EXPECT_FALSE(cache->Prepare(passes, *output, storage)) << "made once";
    const auto& item = cache->Items().at(0);
    EXPECT_EQ(item.width, GetParam().expectedWidth);
    EXPECT_EQ(item.height, GetParam().expectedHeight);
    EXPECT_EQ(item.target->GetFrameInfo().width, static_cast<int>(GetParam().expectedWidth));
  });
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, IsfPassSize,
    ::testing::Values(SizeCase{"", "", 1920, 1080},
                      SizeCase{" RENDERSIZE.x /2", " RENDERSIZE.y /2", 960, 540},
                      SizeCase{"floor( RENDERSIZE.x /7.0)", " RENDERSIZE.y / 3.0 + 0.6 ", 274, 361},
                      SizeCase{"-5.0", "0", 1, 1}, SizeCase{"70000", "2", 16384, 2}));

// A package fed black frames starting at `times`: what each frame shows.
struct SequenceCase {
  const char* name;
  const char* package;
  std::vector<std::int64_t> times;
  std::vector<Pixel> shown;
};
class IsfSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(IsfSequence, ShowsWhatItsBuffersAndClockHold) {
  auto effect = MakeEffect<Proc::SettingsEffectISF>(GetParam().package);
  for (std::size_t i = 0; i < GetParam().times.size(); ++i) {
    const auto output =
        Testing::Download(effect->ProcessData({Solid({0, 0, 0, 255}, GetParam().times[i])}));
    ExpectEverywhere(*output, GetParam().shown[i], 1);
  }
}

// Frames at 0.2 s, 0.24 s, then a seek to 0 and on: a persistent buffer
// keeps its sum until the seek, a buffer that is not starts from transparent
// black every frame.
const std::vector<std::int64_t> kSeek{5 * kFrame, 6 * kFrame, 0, kFrame};
constexpr Pixel kOnce{51, 0, 0, 255};
constexpr Pixel kTwice{102, 0, 0, 255};

INSTANTIATE_TEST_SUITE_P(
    Packages, IsfSequence,
    ::testing::Values(
        // Red adds up, green shows the frame index; both restart at time 0.
        SequenceCase{"PersistentBufferAccumulatesAndRestartsAtTimeZero",
                     "feedback.fs",
                     {0, kFrame, 2 * kFrame, 0, kFrame},
                     {kOnce, {102, 10, 0, 255}, {153, 20, 0, 255}, kOnce, {102, 10, 0, 255}}},
        SequenceCase{"StaleFeedback", "stale_feedback.fs", kSeek, {kOnce, kTwice, kOnce, kTwice}},
        SequenceCase{"NonPersistent", "non_persistent.fs", kSeek, {kOnce, kOnce, kOnce, kOnce}},
        SequenceCase{"Accumulate", "accumulate.fs", kSeek, {kOnce, kOnce, kOnce, kOnce}},
        // TIMEDELTA in red, TIME in green: the delta is 0 on the first frame
        // and after a restart.
        SequenceCase{"TimeDeltaIsZeroOnTheFirstFrameAndAfterARestart",
                     "clock.fs",
                     {500000, 700000, 0, 200000},
                     {{0, Byte(0.5), 0, 255},
                      {Byte(0.2), Byte(0.7), 0, 255},
                      {0, 0, 0, 255},
                      {Byte(0.2), Byte(0.2), 0, 255}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IsfEffect, DateIsTheLocalDate) {
  auto effect = MakeEffect<Proc::SettingsEffectISF>("date.fs");
  const auto output = Testing::Download(effect->ProcessData({Solid({0, 0, 0, 255})}));
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  ExpectEverywhere(*output, {Byte((local.tm_mon + 1) / 12.0), Byte(local.tm_mday / 31.0), 0, 255},
                   1);
}

TEST(IsfEffect, ProcessingWithoutACacheRaises) {
  EffectISF effect;
  effect.SetSettings(PackageSettings<Proc::SettingsEffectISF>("invert.fs"));
  auto input = Testing::Upload(Testing::MakeTestPattern(kWidth, kHeight, PixFmt::RGBA));
  input->Wait();
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    auto target = Frame::CreateIntermediate({}, PixFmt::RGBA, {kWidth, kHeight, 1, 1});
    EXPECT_EQ(Testing::MessageOf<std::logic_error>(
                  [&] { effect.ProcessGpu(target, input, 1.0, 0.0, storage, nullptr); }),
              "Wrong effect cache");
  });
}

class IsfTransition : public ::testing::TestWithParam<double> {};

TEST_P(IsfTransition, ProgressBlendsFromTheFirstClipToTheSecond) {
  auto effect = MakeEffect<Proc::SettingsTransitionISF>("crossfade.fs");
  const double progress = GetParam();
  effect->SetProgress(Proc::TimeToProgress([progress](std::int64_t) { return progress; }));
  const Pixel first{250, 10, 0, 255};
  const Pixel second{10, 250, 100, 255};
  const auto output = Testing::Download(effect->ProcessData({Solid(first), Solid(second)}));
  Pixel expected;
  for (int c = 0; c < 4; ++c) {
    expected[c] =
        static_cast<std::uint8_t>(std::lround(first[c] + (second[c] - first[c]) * progress));
  }
  ExpectEverywhere(*output, expected, 1);
}

INSTANTIATE_TEST_SUITE_P(Ends, IsfTransition, ::testing::Values(0.0, 0.5, 1.0));

TEST(IsfMultiInput, RendersItsInputsInOrder) {
  auto effect = MakeEffect<Proc::SettingsEffectMultiInputISF>("difference.fs");
  const auto output =
      Testing::Download(effect->ProcessData({Solid({200, 50, 30, 255}), Solid({20, 80, 30, 255})}));
  ExpectEverywhere(*output, {180, 30, 0, 255}, 1);
}

TEST(IsfMultiInput, WrongNumberOfInputsShowsTheErrorColour) {
  auto settings = PackageSettings<Proc::SettingsEffectMultiInputISF>("difference.fs");
  settings.SetErrorColor({0.0f, 1.0f, 0.0f, 1.0f});
  Ptr<Proc::IEffect> effect = Testing::MakeEffect(settings);
  const Pixel grey{128, 128, 128, 255};
  const auto output =
      Testing::Download(effect->ProcessData({Solid(grey), Solid(grey), Solid(grey)}));
  ExpectEverywhere(*output, {0, 255, 0, 255}, 0);
}

TEST(IsfEffect, BadHeaderRaisesAndKeepsTheSettings) {
  auto effect = MakeEffect<Proc::SettingsEffectISF>("invert.fs");
  Proc::SettingsEffectISF bad;
  bad.SetConfig(R"({"PASSES": []})");
  EXPECT_EQ(Testing::DescriptionOf<Exception>([&] { effect->SetSettingsObject(bad); }),
            "Error parsing JSON: INPUT section not found!");
  const auto& kept = dynamic_cast<const Proc::SettingsEffectISF&>(effect->GetSettingsObject());
  EXPECT_NE(kept.GetConfig().find("amount"), std::string::npos);
  EXPECT_NO_THROW(Testing::Download(effect->ProcessData({Solid({0, 0, 0, 255})})));
}

TEST(IsfEffect, ProcessingWithoutAPackageRaises) {
  Ptr<Proc::IEffect> effect = Testing::MakeEffect(Proc::SettingsEffectISF::CLASS_ID);
  EXPECT_EQ(Testing::DescriptionOf<Exception>([&] {
              Testing::Download(effect->ProcessData({Solid({0, 0, 0, 255})}));
            }),
            "Shader is not set");
}

TEST(IsfEffect, CompileErrorsPointIntoThePackagesOwnText) {
  auto effect = MakeEffect<Proc::SettingsEffectISF>("broken.fs");
  const std::string error = Testing::DescriptionOf<Exception>([&] {
    Testing::Download(effect->ProcessData({Solid({0, 0, 0, 255})}));
  });
  // broken.fs names undefinedGain on line 6 of the file.
  EXPECT_TRUE(Testing::Contains(error, "0:6("));
  EXPECT_TRUE(Testing::Contains(error, "undefinedGain"));
}

}  // namespace
}  // namespace Obrisk::Ogl
