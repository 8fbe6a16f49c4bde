#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "effects/colour/EffectInvert.h"
#include "obrisk/host/DynamicLibrary.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
#include "support/GpuTestSupport.h"
#include "support/ImageTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;
using Testing::Pixel;

// The effect's formula on the CPU: |intensity - c| per colour channel.
Pixel Expected(const Pixel& in, float intensity, bool alpha) {
  Pixel out;
  for (int c = 0; c < 3; ++c) {
    out[c] = static_cast<std::uint8_t>(std::lround(std::fabs(intensity - in[c] / 255.0) * 255.0));
  }
  out[3] = alpha ? in[3] : 255;
  return out;
}

void ExpectInverted(const Proc::DataVideoMemory& input, const Proc::DataVideoMemory& output,
                    float intensity) {
  const bool alpha = input.GetPixelFormat() == PixFmt::RGBA;
  Testing::ExpectPixels(
      output,
      [&](int x, int y) { return Expected(Testing::PixelAt(input, x, y), intensity, alpha); },
      {1, 1, 1, 1});
}

struct InvertCase {
  float intensity;
  PixFmt format;
};

class EffectInvertTest : public ::testing::TestWithParam<InvertCase> {};

TEST_P(EffectInvertTest, MatchesTheFormulaThroughTheHostRegistry) {
  Ptr<Proc::IEffect> effect = Testing::MakeEffect("SettingsEffectInvert");
  Proc::SettingsEffectInvert settings;
  settings.SetIntensity(GetParam().intensity);
  effect->SetSettingsObject(settings);
  auto input = Testing::MakeTestPattern(33, 17, GetParam().format);
  Ptr<Proc::IData> data = Testing::Upload(input);
  const Ptr<Proc::IData> uploaded = data;
  data = effect->ProcessData({data});
  auto output = Testing::Download(data);
  ExpectInverted(*input, *output, GetParam().intensity);
  EXPECT_EQ(data == uploaded, GetParam().intensity == 0.0f) << "intensity 0 passes through";
}

INSTANTIATE_TEST_SUITE_P(Intensities, EffectInvertTest,
                         ::testing::Values(InvertCase{1.0f, PixFmt::RGBA},
                                           InvertCase{1.0f, PixFmt::RGBX},
                                           InvertCase{0.5f, PixFmt::RGBA},
                                           InvertCase{0.25f, PixFmt::RGBX},
                                           InvertCase{0.0f, PixFmt::RGBA}));

TEST(EffectInvertTest, SixteenBitFloatFramesStaySoAndKeepTheirLevels) {
  constexpr int kWidth = 64;
  constexpr int kHeight = 16;               // 1024 grey levels
  constexpr float kHalfStep = 1.0F / 2048;  // a 16-bit float's precision just below 1
  Ptr<Proc::IEffect> effect = Testing::MakeEffect("SettingsEffectInvert");
  auto input = Testing::MakeHalfRamp(kWidth, kHeight);
  Ptr<Proc::IData> data = effect->ProcessData({Testing::Upload(input)});
  auto output = DownloadFrame(Ptr<DataVideoOGL>(dynamic_cast<DataVideoOGL*>(data.get())),
                              Readback::AsRendered);
  ASSERT_EQ(output->GetPixelFormat(), PixFmt::RGBA_HALF);
  std::set<float> levels;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const float inverted = Testing::HalfAt(*output, x, y, 0);
      ASSERT_NEAR(inverted, 1.0F - Testing::HalfAt(*input, x, y, 0), kHalfStep) << x << "," << y;
      ASSERT_EQ(Testing::HalfAt(*output, x, y, 3), 1.0F);
      levels.insert(inverted);
    }
  }
  EXPECT_GT(levels.size(), 256U) << "more levels than 8 bits hold";
}

TEST(EffectInvertDirect, ProcessGpuDrawsWithSettingsChosenByTheCaller) {
  EffectInvert invert;
  Proc::SettingsEffectInvert settings;
  settings.SetIntensity(0.75f);
  invert.SetSettings(settings);
  EXPECT_EQ(invert.GetName(), "EffectInvert");
  EXPECT_EQ(invert.GetType(), 7u);
  EXPECT_EQ(invert.CreateCache(), nullptr);
  auto input = Testing::MakeTestPattern(5, 3, PixFmt::RGBA);
  const Testing::Image output = Testing::RunAt(invert, Testing::ToImage(*input), 0.0, 0.0);
  ExpectInverted(*input, *Testing::ToFrame(output, PixFmt::RGBA), 0.75f);
}

TEST(PluginLibrary, LoadsAndRendersThroughRegistratorAlone) {
  DynamicLibrary library(QUENVARA_PLUGIN_PATH);
  auto registry = MakeRef<Proc::EffectRegistry>();
  RegisterFrameUploader(*registry);
  library.Find<void(Proc::IEffectRegistry*)>("Registrator")(registry.get());
  Ptr<Proc::IEffect> effect = Testing::CreateEffect(*registry, "SettingsEffectInvert");
  effect->SetSettings(Property::FromJson(R"({"intensity": 1})"));
  auto input = Testing::MakeTestPattern(8, 8, PixFmt::RGBA);
  auto output = Testing::Download(effect->ProcessData({Ptr<Proc::IData>(Testing::Upload(input))}));
  ExpectInverted(*input, *output, 1.0f);
  EXPECT_GE(OglManager::GetInstance().TaskCount("EffectInvert_Task"), 1u);
  EXPECT_EQ(effect->GetStatistic().GetChild("name"), Property("OpenGLEffectWrapper::EffectInvert"));
  EXPECT_THROW(library.Symbol("CreateOneInput"), std::runtime_error);
}

}  // namespace
}  // namespace Obrisk::Ogl
