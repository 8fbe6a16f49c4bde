// The retro effects' randomness: grain statistics, repeatable renders from a
// fixed seed, the seed switch, and the MPEG glitch's resource file.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "effects/retro/EffectAddNoize.h"
#include "effects/retro/EffectGlitchMpeg.h"
#include "effects/retro/EffectRetroArtefacts.h"
#include "frame/RandomDraws.h"
#include "obrisk/host/AppLocations.h"
#include "obrisk/host/Exception.h"
#include "support/ImageTestSupport.h"
#include "support/Messages.h"

namespace Obrisk::Ogl {
namespace {

using Testing::ChannelStats;
using Testing::Flat;
using Testing::Image;
using Testing::MaxDifference;
using Testing::RetroPattern;
using Testing::RunEffect;

constexpr int kSide = 256;
constexpr float kGrey = 128.0f;

Image Grain(double amount, bool colour) {
  Proc::SettingsEffectAddNoize settings;
  settings.SetAmount(amount);
  settings.SetColour(colour);
  return RunEffect<EffectAddNoize>(settings, Flat(kSide, kSide, {kGrey, kGrey, kGrey, 255}));
}

TEST(AddNoizeTest, KeepsTheMeanOfFlatGreyAndGrowsWithTheAmount) {
  SeedRandom(1);
  double lastDeviation = 0.0;
  for (double amount : {0.1, 0.3, 0.6, 1.0}) {
    const Image grain = Grain(amount, true);
    for (int c = 0; c < 3; ++c) {
      const Testing::Stats stats = ChannelStats(grain, c, 0, 0, kSide, kSide);
      // The grain's mean is one half: the picture's mean moves by less than
      // 1/255 while some of the picture shows; all grain is a sample of 65536
      // values of mean 127.5.
      const double tolerance = amount < 1.0 ? 1.0 : 2.0;
      EXPECT_NEAR(stats.mean, kGrey, tolerance) << "amount " << amount << " channel " << c;
      EXPECT_GT(stats.deviation, lastDeviation) << "amount " << amount << " channel " << c;
      if (c == 2) lastDeviation = stats.deviation;
    }
    for (const auto& texel : grain.texels) ASSERT_EQ(texel[3], 255.0f) << "alpha changed";
  }
  // Uniform grain on all of the picture: deviation 255 / sqrt(12).
  EXPECT_NEAR(lastDeviation, 255.0 / std::sqrt(12.0), 4.0);
}

TEST(AddNoizeTest, GrainIsGreyWithoutTheColourFlag) {
  SeedRandom(2);
  const Image grey = Grain(0.5, false);
  for (const auto& texel : grey.texels) {
    ASSERT_EQ(texel[0], texel[1]);
    ASSERT_EQ(texel[1], texel[2]);
  }
  const Image colour = Grain(0.5, true);
  int coloured = 0;
  for (const auto& texel : colour.texels) coloured += texel[0] != texel[1] ? 1 : 0;
  EXPECT_GT(coloured, kSide * kSide / 2);
}

// ---- Repeatable renders ---------------------------------------------------

struct SeededCase {
  std::string name;
  std::function<Image()> render;
};

class SeededRenderTest : public ::testing::TestWithParam<SeededCase> {};

TEST_P(SeededRenderTest, SameSeedSamePictureOtherSeedOtherPicture) {
  SeedRandom(11);
  const Image first = GetParam().render();
  SeedRandom(11);
  const Image again = GetParam().render();
  SeedRandom(12);
  const Image other = GetParam().render();
  EXPECT_EQ(MaxDifference(first, again).value, 0.0f);
  EXPECT_GT(MaxDifference(first, other).value, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Retro, SeededRenderTest,
                         ::testing::Values(SeededCase{"AddNoize", [] { return Grain(0.4, true); }},
                                           SeededCase{"RetroArtefacts",
                                                      [] {
                                                        Proc::SettingsEffectRetroArtefacts settings;
                                                        settings.SetVignetting(false);
                                                        // Scratches kept for 16 frames, dust and
                                                        // hairs anew.
                                                        return RunEffect<EffectRetroArtefacts>(
                                                            settings,
                                                            Flat(64, 48, {100, 100, 100, 255}), 0.0,
                                                            20);
                                                      }}),
                         [](const auto& info) { return info.param.name; });

// Scratches are full-height lines: a column changes in every row or in none.
TEST(RetroArtefactsTest, ScratchesRunTheFullHeight) {
  SeedRandom(5);
  Proc::SettingsEffectRetroArtefacts settings;
  settings.SetShake(false);
  settings.SetVignetting(false);
  settings.SetDustCount(0);
  settings.SetHairCount(0);
  settings.SetScratchCount(8);
  constexpr int kWidth = 96;
  constexpr int kHeight = 40;
  const Image output =
      RunEffect<EffectRetroArtefacts>(settings, Flat(kWidth, kHeight, {128, 128, 128, 255}));
  int scratchedColumns = 0;
  for (int x = 0; x < kWidth; ++x) {
    const auto& bottom = output.At(x, 0);
    for (int y = 1; y < kHeight; ++y) ASSERT_EQ(output.At(x, y), bottom) << x << "," << y;
    scratchedColumns += bottom[0] != 128.0f ? 1 : 0;
    EXPECT_EQ(bottom[3], 255.0f);
  }
  EXPECT_GE(scratchedColumns, 1);
  EXPECT_LE(scratchedColumns, 16);
}

// ---- The seed switch -------------------------------------------------------

TEST(RandomSeedTest, ParsesWholeNumbersOnly) {
  EXPECT_EQ(ParseSeed("42"), 42u);
  EXPECT_EQ(ParseSeed("0"), 0u);
  EXPECT_EQ(ParseSeed("4294967295"), 4294967295u);
  for (const char* bad : {"", "-1", "4294967296", "12abc", " 7", "seed", "1.5"}) {
    EXPECT_EQ(ParseSeed(bad), std::nullopt) << '"' << bad << '"';
  }
}

// Draws are scaled by the generator's own range, whatever the platform's RAND_MAX.
TEST(RandomSeedTest, UniformDrawsSpanZeroToOne) {
  SeedRandom(3);
  constexpr int kDraws = 20000;
  double sum = 0.0;
  double largest = 0.0;
  for (int i = 0; i < kDraws; ++i) {
    const double u = UniformDraw();
    ASSERT_GE(u, 0.0);
    ASSERT_LE(u, 1.0);
    sum += u;
    largest = std::max(largest, u);
  }
  EXPECT_NEAR(sum / kDraws, 0.5, 0.01);
  EXPECT_GT(largest, 0.99);
  const glm::mat4 seeds = SeedMatrix();
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      EXPECT_GE(seeds[column][row], 10.0f);
      EXPECT_LE(seeds[column][row], 11.0f);
    }
  }
}

TEST(RandomSeedTest, TheVariableFixesTheSeed) {
  setenv(kSeedVariable, "1234", 1);
  EXPECT_EQ(SeedAtLoad(), 1234u);
  setenv(kSeedVariable, "not a seed", 1);
  // Falls back to the clock, which is not 0 any more.
  EXPECT_NE(SeedAtLoad(), 0u);
  unsetenv(kSeedVariable);
}

// ---- The MPEG glitch's resource file ---------------------------------------

class GlitchMpegResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() /
        ("quenvara-resources-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(folder_ / "resources/openglEffects");
    setenv(Core::AppLocations::kResourcesVariable, folder_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv(Core::AppLocations::kResourcesVariable);
    std::filesystem::remove_all(folder_);
  }

  void WriteNoise(std::size_t bytes) {
    std::ofstream file(folder_ / "resources/openglEffects/rgba-noise-64x64", std::ios::binary);
    const std::vector<char> data(bytes, 'x');
    file.write(data.data(), static_cast<std::streamsize>(data.size()));
  }

  std::filesystem::path folder_;
};

TEST_F(GlitchMpegResourceTest, MissingOrShortFileRaisesAndTheNextFrameTriesAgain) {
  EffectGlitchMpeg effect;
  const Ptr<OglCache> cache = effect.CreateCache();
  const Image input = RetroPattern(16, 16);
  const auto run = [&] { return Testing::RunDirect(effect, input, cache); };
  const auto expectFailure = [&](const char* why) {
    EXPECT_EQ(Testing::DescriptionOf<ProcException>(run), "Cannot load resource file!") << why;
  };
  expectFailure("no file");
  WriteNoise(64 * 64 * 4 - 1);
  expectFailure("a file one byte short");
  WriteNoise(64 * 64 * 4);
  EXPECT_NO_THROW(run());
}

TEST(AppLocationsTest, ResourcesLieBesideTheHostLibraryUnlessOverridden) {
  unsetenv(Core::AppLocations::kResourcesVariable);
  const Core::AppLocations locations = Core::AppLocations::GetLocations();
  // The build writes the noise image there.
  EXPECT_TRUE(std::filesystem::exists(locations.ioPath("resources/openglEffects/rgba-noise-64x64")))
      << locations.Resources();
  EXPECT_EQ(
      std::filesystem::file_size(locations.ioPath("resources/openglEffects/rgba-noise-64x64")),
      64u * 64u * 4u);
  setenv(Core::AppLocations::kResourcesVariable, "/somewhere/else", 1);
  EXPECT_EQ(Core::AppLocations::GetLocations().Resources(),
            std::filesystem::path("/somewhere/else"));
  unsetenv(Core::AppLocations::kResourcesVariable);
}

}  // namespace
}  // namespace Obrisk::Ogl
