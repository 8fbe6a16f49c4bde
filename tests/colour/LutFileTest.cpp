// The .cube and .3dl readers and writers, curves from their text, and the
// settings that load them.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "obrisk/effectcommon/ColorTables.h"
#include "obrisk/settings/ColorToolSettings.h"

namespace Obrisk::Proc {
namespace {

using LUT::FileFormat;
using LUT::LUTTable;

constexpr const char* kCube = R"(# a comment
TITLE "Two by two"
DOMAIN_MIN 0 0 0
DOMAIN_MAX 1 2 1
LUT_3D_SIZE 2

0 0 0
1 0 0   # red
0 1 0
1 1 0
0 0 1
1 0 1
0 1 1
1 1 1
)";

TEST(LutFileTest, ReadsA3DCube) {
  const LUTTable table = LUT::ReadTable(kCube, FileFormat::Cube, "look.cube");
  EXPECT_EQ(table.size, 2);
  EXPECT_EQ(table.title, "Two by two");
  EXPECT_EQ(table.domainMax, (std::array<float, 3>{1, 2, 1}));
  EXPECT_EQ(table.At(1, 0, 0), (std::array<float, 3>{1, 0, 0}));
  EXPECT_EQ(table.At(0, 1, 1), (std::array<float, 3>{0, 1, 1}));
}

TEST(LutFileTest, Reads1DCubeAsA3DTableApplyingItPerChannel) {
  const LUTTable table =
      LUT::ReadTable("LUT_1D_SIZE 3\n0 0 1\n0.25 0.5 0.5\n1 1 0\n", FileFormat::Cube, "curve.cube");
  ASSERT_EQ(table.size, 3);
  EXPECT_EQ(table.At(1, 2, 0), (std::array<float, 3>{0.25f, 1.0f, 1.0f}));
  EXPECT_EQ(table.At(2, 0, 1), (std::array<float, 3>{1.0f, 0.0f, 0.5f}));
}

TEST(LutFileTest, Reads3dlBlueFastestWithItsOutputDepth) {
  std::string text = "3DMESH\nMesh 1 12\n0 1023\n";
  // Entry (r, g, b) holds levels of (r, g, b) scaled to 12 bits, blue fastest.
  for (int r = 0; r < 2; ++r) {
    for (int g = 0; g < 2; ++g) {
      for (int b = 0; b < 2; ++b) text += fmt::format("{} {} {}\n", r * 4095, g * 2048, b * 1000);
    }
  }
  const LUTTable table = LUT::ReadTable(text, FileFormat::ThreeDL, "look.3dl");
  ASSERT_EQ(table.size, 2);
  EXPECT_FLOAT_EQ(table.At(1, 0, 0)[0], 1.0f);
  EXPECT_FLOAT_EQ(table.At(0, 1, 0)[1], 2048.0f / 4095.0f);
  EXPECT_FLOAT_EQ(table.At(0, 0, 1)[2], 1000.0f / 4095.0f);
}

struct Malformed {
  std::string name;
  FileFormat format;
  std::string text;
  std::string message;  // the whole message after the name
};

class MalformedLutTest : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedLutTest, IsRejectedNamingTheLine) {
  try {
    LUT::ReadTable(GetParam().text, GetParam().format, "bad");
    FAIL() << "read a malformed file";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(std::string(error.what()), "bad, " + GetParam().message);
  }
}

std::string Lines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "0.5 0.5 0.5\n";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedLutTest,
    ::testing::Values(
        Malformed{"TooFewEntries", FileFormat::Cube, "LUT_3D_SIZE 2\n" + Lines(7),
                  "line 8: expected 8 entries, found 7"},
        Malformed{"TooManyEntries", FileFormat::Cube, "LUT_3D_SIZE 2\n" + Lines(9),
                  "line 10: expected 8 entries, found 9"},
        Malformed{"NonNumeric", FileFormat::Cube,
                  "LUT_3D_SIZE 2\n" + Lines(3) + "0.5 x 1\n" + Lines(4),
                  "line 5: 'x' is not a number"},
        Malformed{"TwoValues", FileFormat::Cube,
                  "LUT_3D_SIZE 2\n" + Lines(1) + "0.5 1\n" + Lines(6),
                  "line 3: expected 3 numbers, found 2"},
        Malformed{"SizeBeyond256", FileFormat::Cube, "TITLE \"x\"\nLUT_3D_SIZE 257\n",
                  "line 2: size 257 is outside 2 to 256"},
        Malformed{"SizeNotWhole", FileFormat::Cube, "LUT_3D_SIZE 2.5\n",
                  "line 1: size 2.5 is outside 2 to 256"},
        Malformed{"NoSize", FileFormat::Cube, Lines(8),
                  "line 8: expected one LUT_3D_SIZE or LUT_1D_SIZE before the entries"},
        Malformed{"UnknownKeyword", FileFormat::Cube, "LUT_3D_SIZE 2\nLUT_4D_SIZE 3\n",
                  "line 2: unknown keyword 'LUT_4D_SIZE'"},
        Malformed{"EmptyDomain", FileFormat::Cube, "LUT_3D_SIZE 2\nDOMAIN_MIN 0 1 0\n" + Lines(8),
                  "line 10: DOMAIN_MIN must be below DOMAIN_MAX in every channel"},
        Malformed{"ThreeDLTooFew", FileFormat::ThreeDL, "0 1023\n1 2 3\n",
                  "line 2: expected 8 entries, found 1"},
        Malformed{"ThreeDLNonNumeric", FileFormat::ThreeDL, "0 512 1023x\n",
                  "line 1: '1023x' is not a number"},
        Malformed{"ThreeDLTooManyLevels", FileFormat::ThreeDL,
                  [] {
                    std::string levels;
                    for (int i = 0; i < 257; ++i) levels += std::to_string(i) + " ";
                    return levels + "\n";
                  }(),
                  "line 1: 257 input levels, expected 2 to 256"},
        Malformed{"ThreeDLEmpty", FileFormat::ThreeDL, "# nothing\n",
                  "line 0: expected the input levels line"}),
    [](const auto& info) { return info.param.name; });

LUTTable RandomTable(int edge) {
  std::mt19937 random(static_cast<unsigned>(edge));
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  LUTTable table;
  table.size = edge;
  table.values.resize(table.Entries() * 3);
  for (float& v : table.values) v = value(random);
  return table;
}

TEST(LutFileTest, CubeWrittenByTheWriterRoundTrips) {
  LUTTable table = RandomTable(5);
  table.title = "Round trip";
  table.domainMin = {0.0f, -0.5f, 0.1f};
  table.domainMax = {1.0f, 1.5f, 0.9f};
  EXPECT_EQ(LUT::ReadTable(LUT::WriteCube(table), FileFormat::Cube, "written"), table);
}

TEST(LutFileTest, ThreeDLWrittenByTheWriterRoundTripsToTwelveBits) {
  const LUTTable table = RandomTable(17);
  const LUTTable read = LUT::ReadTable(LUT::Write3dl(table), FileFormat::ThreeDL, "written");
  ASSERT_EQ(read.size, table.size);
  for (std::size_t i = 0; i < table.values.size(); ++i) {
    // Half a 12-bit level, and single precision's rounding.
    ASSERT_NEAR(read.values[i], table.values[i], 0.5 / 4095.0 + 1e-6) << i;
  }
}

TEST(LutFileTest, Edge65FileLoads) {
  const auto path = std::filesystem::temp_directory_path() / "quenvara_lut_test_65.cube";
  std::ofstream(path) << LUT::WriteCube(LUT::Identity(65));
  const LUTTable table = LUT::ReadTableFile(path.string());
  std::filesystem::remove(path);
  EXPECT_EQ(table.Entries(), 274625u);
  EXPECT_FLOAT_EQ(table.At(64, 32, 0)[1], 0.5f);
}

// ---- Settings --------------------------------------------------------------

TEST(LutSettingsTest, LoadsAPathOrInlineTextAndKeepsItsSettingsOnAFault) {
  const auto path = std::filesystem::temp_directory_path() / "quenvara_lut_settings.cube";
  std::ofstream(path) << kCube;
  SettingsEffectLUT settings;
  ASSERT_TRUE(settings.GetTable());  // the default inline look
  settings.Deserialize(
      Property::FromJson(fmt::format(R"({{"lut": "{}", "interpolation": 1}})", path.string())));
  EXPECT_EQ(settings.GetTable()->title, "Two by two");
  EXPECT_EQ(settings.GetInterpolationType(), 1);

  const SettingsEffectLUT before = settings;
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"lut": "missing.cube"})")),
               std::invalid_argument);
  EXPECT_THROW(settings.Deserialize(Property::FromJson(R"({"lut": "LUT_3D_SIZE 2\n1 2 3\n"})")),
               std::invalid_argument);
  EXPECT_TRUE(settings.IsEqualTo(before));

  // Serialised settings carry the value and load the same table again.
  SettingsEffectLUT copy;
  copy.Deserialize(settings.Serialize());
  EXPECT_EQ(*copy.GetTable(), *settings.GetTable());
  std::filesystem::remove(path);

  settings.Deserialize(Property::FromJson(R"({"lut": ""})"));
  EXPECT_TRUE(settings.IsEmpty());
}

TEST(LutSettingsTest, TableSetInMemorySerialisesAsInlineCube) {
  SettingsEffectLUT settings;
  settings.SetTable(std::make_shared<const LUTTable>(RandomTable(3)));
  SettingsEffectLUT copy;
  copy.Deserialize(settings.Serialize());
  EXPECT_EQ(*copy.GetTable(), *settings.GetTable());
  EXPECT_TRUE(copy.IsEqualTo(settings));
}

// ---- Curves ----------------------------------------------------------------

TEST(CurveTest, MonotonePointsGiveAMonotoneCurveThroughThem) {
  const auto curve = Curve::Parse("0,0 0.1,0.5 0.2,0.52 0.9,0.6 1,1");
  ASSERT_EQ(curve.samples.size(), static_cast<std::size_t>(Curve::kSamplesPerCurve));
  for (std::size_t i = 1; i < curve.samples.size(); ++i) {
    ASSERT_GE(curve.samples[i], curve.samples[i - 1]) << i;
  }
  EXPECT_FLOAT_EQ(curve.samples.front(), 0.0f);
  EXPECT_FLOAT_EQ(curve.samples.back(), 1.0f);
  EXPECT_EQ(curve.GetDomain(), std::make_pair(0.0f, 1.0f));
}

TEST(CurveTest, FallingPointsGiveAFallingCurveOverTheirDomain) {
  const auto curve = Curve::Parse("0.2,1 0.5,0.3 0.8,0");
  EXPECT_EQ(curve.GetDomain(), std::make_pair(0.2f, 0.8f));
  for (std::size_t i = 1; i < curve.samples.size(); ++i) {
    ASSERT_LE(curve.samples[i], curve.samples[i - 1]) << i;
  }
}

TEST(CurveTest, SamplesAreTakenAsGiven) {
  const auto curve = Curve::Parse(" 0 0.25\t1 ");
  EXPECT_EQ(curve.samples, (std::vector<float>{0.0f, 0.25f, 1.0f}));
}

TEST(CurveTest, MalformedTextIsRejected) {
  for (const char* text : {"0,0", "0,0 0,1", "0,0 1", "0 x 1", "1", "0,0 0.5,y"}) {
    EXPECT_THROW(Curve::Parse(text), std::invalid_argument) << text;
  }
  SettingsEffectColorCurves settings;
  try {
    settings.Deserialize(Property::FromJson(R"({"green": "0,0 0.5"})"));
    FAIL() << "accepted a malformed curve";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(std::string(error.what()),
              "SettingsEffectColorCurves: green: curve: '0.5' is not an x,y pair");
  }
  EXPECT_FALSE(settings.GetCurves().contains(SettingsEffectColorCurves::kGreen));
}

}  // namespace
}  // namespace Obrisk::Proc
