// The effects that measure each frame (auto contrast, per-channel enhance,
// auto white balance, saturation), the GPU histogram they share, and the
// statistics behind them.
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <glog/logging.h>
#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"
#include "effects/colour/HistogramRescale.h"
#include "obrisk/effectcommon/ChromaticAdaptation.h"
#include "obrisk/effectcommon/HistogramMath.h"
#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/YUVTextures.h"
#include "obrisk/settings/AutoColorSettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmt;
using Proc::Range;
using Testing::Pixel;

Proc::Histogram HistogramOf(const std::vector<std::pair<int, std::uint64_t>>& counts) {
  Proc::Histogram histogram;
  for (const auto& [level, count] : counts) {
    histogram.bins[static_cast<std::size_t>(level)] += count;
    histogram.samples += count;
  }
  return histogram;
}

// 100 samples on each level from 10 to 19.
Proc::Histogram Steps() {
  std::vector<std::pair<int, std::uint64_t>> counts;
  for (int level = 10; level < 20; ++level) counts.emplace_back(level, 100);
  return HistogramOf(counts);
}

struct QuantileCase {
  float black;
  float white;
  Range expected;
};

class Quantiles : public ::testing::TestWithParam<QuantileCase> {};

// Of 1000 samples, 10 % is exactly one level's count at either end.
TEST_P(Quantiles, LeaveAtMostTheAllowedShareOutside) {
  const Proc::Histogram steps = Steps();
  const auto quantiles =
      Proc::CalcQuantiles({steps}, steps.samples, {GetParam().black, GetParam().white});
  ASSERT_EQ(quantiles.size(), 1u);
  EXPECT_EQ(quantiles[0], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, Quantiles,
    ::testing::Values(QuantileCase{0.0f, 0.0f, {10, 19}}, QuantileCase{9.9f, 0.0f, {10, 19}},
                      QuantileCase{10.0f, 0.0f, {11, 19}}, QuantileCase{0.0f, 20.0f, {10, 17}},
                      QuantileCase{25.0f, 25.0f, {12, 17}}, QuantileCase{50.0f, 50.0f, {15, 14}}));

TEST(HistogramStatistics, RangeIsTheOccupiedLevelsAndEmptyHistogramsAreInvalid) {
  const auto ranges = Proc::CalcRange({Steps(), HistogramOf({{0, 1}, {255, 3}}), {}});
  EXPECT_EQ(ranges, (Proc::ChannelRanges{{10, 19}, {0, 255}, {255, 0}}));
  EXPECT_EQ(Proc::CalcQuantiles({{}}, 0, {0.0f, 0.0f}), (Proc::ChannelRanges{{255, 0}}));
  EXPECT_FALSE(Proc::ValidQuantile({{255, 0}}, Proc::JPEG_RANGE));
  EXPECT_FALSE(Proc::ValidQuantile({{40, 40}}, Proc::JPEG_RANGE)) << "a flat channel";
  EXPECT_FALSE(Proc::ValidQuantile({}, Proc::JPEG_RANGE));
  EXPECT_FALSE(Proc::ValidQuantile({{10, 20}}, {0, 256}));
  EXPECT_TRUE(Proc::ValidQuantile({{10, 20}, {0, 255}}, Proc::MPEG_I_RANGE));
}

TEST(HistogramStatistics, UpdateRangeWidensOnceAndThenHoldsStill) {
  const std::vector<Proc::ChannelRanges> frames{{{20, 200}}, {{5, 240}}, {{30, 180}},
                                                {{5, 240}},  {{255, 0}}, {{20, 200}}};
  Range range = Proc::MPEG_I_RANGE;
  std::vector<Range> carried;
  for (const auto& measured : frames) {
    const Range next = Proc::UpdateRange(range, measured);
    EXPECT_LE(next.first, range.first);
    EXPECT_GE(next.second, range.second);
    range = next;
    carried.push_back(range);
  }
  EXPECT_EQ(carried.front(), Proc::MPEG_I_RANGE) << "inside the range: unchanged";
  for (std::size_t i = 1; i < carried.size(); ++i) EXPECT_EQ(carried[i], (Range{5, 240}));
  EXPECT_EQ(Proc::UpdateRange(Proc::MPEG_I_RANGE, {{3, 100}, {50, 250}}), (Range{3, 250}));
}

TEST(HistogramStatistics, NormalizationTablesStretchLinearlyAndClampOutside) {
  EXPECT_FALSE(Proc::RescaleNeeded({{0, 255}, {0, 255}}, Proc::JPEG_RANGE));
  EXPECT_TRUE(Proc::RescaleNeeded({{0, 255}, {1, 255}}, Proc::JPEG_RANGE));
  const auto tables = Proc::CreateNormalizationTables({{50, 150}, {16, 235}}, Proc::JPEG_RANGE);
  ASSERT_EQ(tables.size(), 2u);
  for (int level = 0; level < 256; ++level) {
    const double stretched = std::clamp((level - 50) * 255.0 / 100.0, 0.0, 255.0);
    EXPECT_EQ(tables[0][level], std::lround(stretched)) << level;
  }
  EXPECT_EQ(tables[1][16], 0);
  EXPECT_EQ(tables[1][235], 255);
  EXPECT_THROW(Proc::CreateNormalizationTables({{40, 40}}, Proc::JPEG_RANGE),
               std::invalid_argument);
}

// A histogram with every sample `distance` levels from neutral, half each side.
Proc::HistogramBins ChromaAt(int distance, std::uint64_t samples) {
  Proc::HistogramBins bins{};
  bins[static_cast<std::size_t>(128 - distance)] += samples / 2;
  bins[static_cast<std::size_t>(128 + distance)] += samples - samples / 2;
  return bins;
}

TEST(HistogramStatistics, SaturationLiftsPaleFramesOnly) {
  const std::uint64_t n = 1000;
  const Proc::HistogramBins grey = ChromaAt(0, n);
  // Spread sqrt(d^2 + d^2) = d sqrt(2) against the target of 24 levels.
  EXPECT_DOUBLE_EQ(Proc::CalcSaturation(grey, grey, n), 1.0);
  EXPECT_DOUBLE_EQ(Proc::CalcSaturation(ChromaAt(12, n), ChromaAt(12, n), n),
                   24.0 / (12.0 * std::sqrt(2.0)));
  EXPECT_DOUBLE_EQ(Proc::CalcSaturation(ChromaAt(4, n), ChromaAt(4, n), n), 2.0);
  EXPECT_DOUBLE_EQ(Proc::CalcSaturation(ChromaAt(40, n), ChromaAt(40, n), n), 1.0);
  EXPECT_DOUBLE_EQ(Proc::CalcSaturation(grey, grey, 0), 1.0);
}

TEST(HistogramStatistics, ChromaTablesScaleAboutNeutralAndKeepTheHue) {
  const Proc::UVTransTables same = Proc::PrepareUVTransTables(1.0);
  const Proc::UVTransTables doubled = Proc::PrepareUVTransTables(2.0);
  const Proc::UVTransTables grey = Proc::PrepareUVTransTables(0.0);
  auto at = [](int u, int v) { return static_cast<std::size_t>(v * 256 + u); };
  for (int v = 0; v < 256; v += 15) {
    for (int u = 0; u < 256; u += 15) {
      EXPECT_EQ(same.u[at(u, v)], u);
      EXPECT_EQ(same.v[at(u, v)], v);
      EXPECT_EQ(grey.u[at(u, v)], 128);
      EXPECT_EQ(grey.v[at(u, v)], 128);
    }
  }
  EXPECT_EQ(doubled.u[at(140, 110)], 152);
  EXPECT_EQ(doubled.v[at(140, 110)], 92);
  // (+100, +50) doubled would leave the code range: both get gain 127 / 100.
  EXPECT_EQ(doubled.u[at(228, 178)], 255);
  EXPECT_EQ(doubled.v[at(228, 178)], std::lround(128 + 50 * 1.27));
  EXPECT_THROW(Proc::PrepareUVTransTables(-0.5), std::invalid_argument);
}

void ExpectMatrixNear(const Proc::Matrix3& actual, const Proc::Matrix3& expected, double within) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(actual[i][j], expected[i][j], within) << i << j;
  }
}

// The published D65-to-D50 adaptation matrices in XYZ (Bradford, XYZ scaling).
TEST(ChromaticAdaptation, MatchesThePublishedD65ToD50Matrices) {
  const Proc::Vector3 d65{0.95047, 1.0, 1.08883};
  const Proc::Vector3 d50{0.96422, 1.0, 0.82521};
  const Proc::Matrix3 bradford{{{1.0478112, 0.0228866, -0.0501270},
                                {0.0295424, 0.9904844, -0.0170491},
                                {-0.0092345, 0.0150436, 0.7521316}}};
  const Proc::Matrix3 xyz{{{1.0144665, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 0.7578869}}};
  const std::pair<Proc::ScalingMethod, Proc::Matrix3> published[] = {
      {Proc::ScalingMethod::Bradford, bradford}, {Proc::ScalingMethod::XYZScaling, xyz}};
  for (const auto& [method, expected] : published) {
    SCOPED_TRACE(static_cast<int>(method));
    ExpectMatrixNear(Proc::ChromaticAdaptationMatrix(d65, d50, method), expected, 1e-6);
  }
  EXPECT_THROW(Proc::ConeResponseMatrix(static_cast<Proc::ScalingMethod>(7)),
               std::invalid_argument);
}

TEST(ChromaticAdaptation, TurnsTheReferenceIntoGreyOfItsLuminance) {
  const std::array<std::uint8_t, 4> reference{200, 150, 90, 0};
  const double r = 200 / 255.0, g = 150 / 255.0, b = 90 / 255.0;
  const double luminance = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  for (auto method : {Proc::ScalingMethod::VonKries, Proc::ScalingMethod::Bradford,
                      Proc::ScalingMethod::XYZScaling}) {
    const Proc::Matrix3 m = Proc::GetChromaticAdaptationTransformation(reference, method);
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(m[i][0] * r + m[i][1] * g + m[i][2] * b, luminance, 1e-9);
    }
  }
  ExpectMatrixNear(
      Proc::GetChromaticAdaptationTransformation({0, 0, 0, 255}, Proc::ScalingMethod::Bradford),
      {{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}}, 0.0);
}

// A single-channel 8-bit texture of `width` by `height` texels.
Texture::Params PlaneParams(int width, int height) {
  Texture::Params params;
  params.width = width;
  params.height = height;
  params.internalFormat = GL_R8;
  params.format = GL_RED;
  return params;
}

Texture Plane(int width, int height, const std::uint8_t* levels) {
  return Texture(PlaneParams(width, height), levels);
}

Proc::Histogram GpuHistogram(const Ptr<Proc::DataVideoMemory>& frame, int component) {
  Ptr<DataVideoOGL> data = Testing::Upload(frame);
  data->Wait();
  Proc::Histogram histogram;
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    histogram = ComputeHistogram(data->FrameData()->GetFirstTexture(), component, storage);
  });
  return histogram;
}

TEST(ComputeHistogram, CountsEachComponentOfASmallPictureExactly) {
  auto frame = Testing::MakeTestPattern(301, 199, PixFmt::RGBA);
  const Testing::Image image = Testing::ToImage(*frame);
  for (int component = 0; component < 4; ++component) {
    Proc::HistogramBins expected{};
    for (const auto& texel : image.texels) ++expected[static_cast<std::size_t>(texel[component])];
    const Proc::Histogram histogram = GpuHistogram(frame, component);
    EXPECT_EQ(histogram.samples, 301u * 199u);
    EXPECT_EQ(histogram.bins, expected) << "component " << component;
  }
}

TEST(ComputeHistogram, ReadsASinglePlaneDirectly) {
  constexpr int kWidth = 513;
  constexpr int kHeight = 300;
  std::vector<std::uint8_t> levels(kWidth * kHeight);
  Proc::HistogramBins expected{};
  for (std::size_t i = 0; i < levels.size(); ++i) {
    levels[i] = static_cast<std::uint8_t>(i * 7 % 251);
    ++expected[levels[i]];
  }
  Proc::Histogram histogram;
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    Texture plane = Plane(kWidth, kHeight, levels.data());
    histogram = ComputeHistogram(plane, 0, storage);
  });
  EXPECT_EQ(histogram.samples, levels.size());
  EXPECT_EQ(histogram.bins, expected);
}

struct ReductionCase {
  int width;
  int height;
  int factor;
};

class HistogramReduction : public ::testing::TestWithParam<ReductionCase> {};

// Columns vary within each block of `factor` columns and average to a known
// level, rows are all alike: the counts tell both the block size and that
// the blocks were averaged rather than sampled.
TEST_P(HistogramReduction, AveragesBlocksFromTheThresholdSizeOn) {
  const auto [width, height, factor] = GetParam();
  auto blockLevel = [](int block) { return 20 + block % 200; };
  auto column = [&](int x) {
    const int offset = x % factor - (factor - 1) / 2;  // 0 | -0,+1 | -1,0,+1
    const int pairShift = factor == 2 ? (x % 2 == 0 ? -5 : 5) : 8 * offset;
    return static_cast<std::uint8_t>(blockLevel(x / factor) + (factor == 1 ? 0 : pairShift));
  };
  auto frame = Testing::MakeFrame(width, height, PixFmt::RGBA, [&](int x, int) {
    return Pixel{0, column(x), 0, 255};
  });
  const Proc::Histogram histogram = GpuHistogram(frame, 1);
  const int columns = width / factor;
  const int rows = std::max(1, height / factor);
  EXPECT_EQ(histogram.samples, static_cast<std::uint64_t>(columns) * rows);
  Proc::HistogramBins expected{};
  for (int block = 0; block < columns; ++block) {
    expected[static_cast<std::size_t>(factor == 1 ? column(block) : blockLevel(block))] += rows;
  }
  EXPECT_EQ(histogram.bins, expected);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, HistogramReduction,
                         ::testing::Values(ReductionCase{513, 300, 1}, ReductionCase{514, 300, 2},
                                           ReductionCase{770, 40, 2}, ReductionCase{771, 100, 3},
                                           ReductionCase{1002, 2, 3}));

// Collects the messages logged at error level while it lives.
class ErrorLog : public google::LogSink {
 public:
  ErrorLog() { google::AddLogSink(this); }
  ~ErrorLog() override { google::RemoveLogSink(this); }
  void send(google::LogSeverity severity, const char*, const char*, int,
            const google::LogMessageTime&, const char* message, std::size_t length) override {
    if (severity != google::GLOG_ERROR) return;
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.emplace_back(message, length);
  }
  std::vector<std::string> Messages() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> messages_;
};

using Testing::Image;
using Testing::ToImage;

Image Render(const Proc::Settings& settings, const Ptr<Proc::DataVideoMemory>& input) {
  return Testing::RunRegistered(settings, ToImage(*input), input->GetPixelFormat());
}

// Grey ramps from `low` to `high` in each channel, shifted per channel.
Ptr<Proc::DataVideoMemory> Ramps(std::array<int, 3> low, std::array<int, 3> high) {
  return Testing::MakeFrame(64, 48, PixFmt::RGBA, [=](int x, int y) {
    Pixel pixel{0, 0, 0, static_cast<std::uint8_t>(100 + y)};
    const int step = (x + 64 * y) % 97;
    for (int c = 0; c < 3; ++c) {
      pixel[c] =
          static_cast<std::uint8_t>(low[c] + (high[c] - low[c]) * ((step + 31 * c) % 97) / 96);
    }
    return pixel;
  });
}

TEST(EffectMagicEnhance, StretchesEachChannelOntoTheFullRange) {
  const std::array<int, 3> low{40, 10, 100};
  const std::array<int, 3> high{200, 120, 250};
  auto input = Ramps(low, high);
  Proc::SettingsEffectMagicEnhance2 settings;
  settings.SetSaturatedPixels(0.0f, 0.0f);
  const Image output = Render(settings, input);
  Image expected = ToImage(*input);
  for (std::size_t i = 0; i < expected.texels.size(); ++i) {
    auto& texel = expected.texels[i];
    ASSERT_EQ(output.texels[i][3], texel[3]) << "alpha kept";
    for (int c = 0; c < 3; ++c) texel[c] = (texel[c] - low[c]) * 255.0f / (high[c] - low[c]);
  }
  const auto worst = Testing::MaxDifference(output, expected, 3);
  EXPECT_LE(worst.value, 1.0f) << worst.x << "," << worst.y << " channel " << worst.channel;
}

struct PassThroughCase {
  std::string name;
  std::function<std::unique_ptr<Proc::Settings>()> settings;
  Ptr<Proc::DataVideoMemory> picture;
  std::string error;  // expected in the log, or empty
  friend void PrintTo(const PassThroughCase& c, std::ostream* os) { *os << c.name; }
};

class PassThrough : public ::testing::TestWithParam<PassThroughCase> {};

TEST_P(PassThrough, LeavesThePictureAsItIs) {
  ErrorLog log;
  const auto& input = GetParam().picture;
  EXPECT_EQ(Testing::MaxDifference(ToImage(*input), Render(*GetParam().settings(), input)).value,
            0.0f);
  const auto messages = log.Messages();
  if (GetParam().error.empty()) {
    EXPECT_TRUE(messages.empty()) << messages.front();
  } else {
    EXPECT_NE(std::find(messages.begin(), messages.end(), GetParam().error), messages.end());
  }
}

// Black and white areas of a tenth each around a colourful middle.
Ptr<Proc::DataVideoMemory> FullRange() {
  return Testing::MakeFrame(40, 30, PixFmt::RGBX, [](int x, int y) {
    if (x < 4) return Pixel{0, 0, 0, 255};
    if (x >= 36) return Pixel{255, 255, 255, 255};
    return Pixel{static_cast<std::uint8_t>(x * 6), static_cast<std::uint8_t>(y * 8),
                 static_cast<std::uint8_t>(255 - x * 5), 255};
  });
}

template <class S>
std::function<std::unique_ptr<Proc::Settings>()> Thresholds(float black, float white) {
  return [=] {
    auto settings = std::make_unique<S>();
    settings->SetSaturatedPixels(black, white);
    return settings;
  };
}

std::vector<PassThroughCase> PassThroughCases() {
  using namespace Proc;
  const std::string invalid = "Invalid thresholds (min + max > 100.0): min = 60, max = 50";
  const auto whiteReference = [] {
    auto settings = std::make_unique<SettingsEffectAutoWhiteBalance>();
    settings->SetColor({255, 255, 255, 255});
    return settings;
  };
  return {
      {"EnhanceInvalidThresholds", Thresholds<SettingsEffectMagicEnhance2>(60.0f, 50.0f),
       Ramps({40, 10, 100}, {200, 120, 250}), invalid},
      {"ContrastInvalidThresholds", Thresholds<SettingsEffectAutoContrast>(60.0f, 50.0f),
       Ramps({40, 40, 40}, {120, 120, 120}), invalid},
      {"ContrastFullRange", Thresholds<SettingsEffectAutoContrast>(0.5f, 0.5f), FullRange(), ""},
      {"EnhanceFullRange", Thresholds<SettingsEffectMagicEnhance2>(0.5f, 0.5f), FullRange(), ""},
      {"EnhanceFlatPicture", Thresholds<SettingsEffectMagicEnhance2>(0.0f, 0.0f),
       Ramps({90, 90, 90}, {90, 90, 90}), ""},
      {"WhiteBalanceWithAWhiteReference", whiteReference, Ramps({40, 10, 100}, {200, 120, 250}),
       ""}};
}

INSTANTIATE_TEST_SUITE_P(Cases, PassThrough, ::testing::ValuesIn(PassThroughCases()),
                         [](const auto& info) { return info.param.name; });

TEST(RescaleHistogram, RejectsUnsuitableTexturesAndModes) {
  ErrorLog log;
  bool drawn[2] = {true, true};
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    Texture plane = Plane(8, 8, nullptr);
    Texture other = Plane(8, 8, nullptr);
    HistogramRescaleOglCache cache;
    Range range = Proc::JPEG_RANGE;
    drawn[0] = RescaleHistogram(other, plane, kRescaleRGB, {0.0f, 0.0f}, range, storage, cache);
    drawn[1] = RescaleHistogram(other, plane, 5, {0.0f, 0.0f}, range, storage, cache);
  });
  EXPECT_FALSE(drawn[0]);
  EXPECT_FALSE(drawn[1]);
  const auto messages = log.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "Both src and dst have to be RGB for RGB rescale mode");
  EXPECT_EQ(messages[1], "Unknown rescale mode: 5");
}

// BT.709 Y' of a texel on the 0 to 255 scale.
double Luma(const std::array<float, 4>& p) {
  return 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2];
}

// A grey ramp from 60 to 180 is stretched over black to white. Tolerance: the
// luma plane holds 8-bit limited-range codes (half a code is 0.6 of a level
// here), the table rounds once more, and the stretch doubles the first
// rounding: 3 levels.
TEST(EffectAutoContrast, StretchesALowContrastPictureOverTheRange) {
  auto input = Testing::MakeFrame(61, 20, PixFmt::RGBA, [](int x, int) {
    const auto level = static_cast<std::uint8_t>(60 + 2 * x);
    return Pixel{level, level, level, 200};
  });
  Proc::SettingsEffectAutoContrast settings;
  settings.SetSaturatedPixels(0.0f, 0.0f);
  const Image output = Render(settings, input);
  for (int x = 0; x < 61; ++x) {
    const auto& out = output.At(x, 7);
    const double expected = (2.0 * x) * 255.0 / 120.0;
    EXPECT_NEAR(Luma(out), expected, 3.0) << x;
    EXPECT_NEAR(out[0], out[2], 2) << "stays grey";
    EXPECT_EQ(out[3], 200) << "alpha kept";
  }
}

// Grey patches from 40 to 220 under a cast of (1, 0.85, 0.7).
Ptr<Proc::DataVideoMemory> CastPatches() {
  return Testing::MakeFrame(60, 40, PixFmt::RGBX, [](int x, int y) {
    const double grey = 40.0 + 20.0 * ((x / 10 + 6 * (y / 10)) % 10);
    return Pixel{static_cast<std::uint8_t>(std::lround(grey)),
                 static_cast<std::uint8_t>(std::lround(grey * 0.85)),
                 static_cast<std::uint8_t>(std::lround(grey * 0.7)), 255};
  });
}

class AutoWhiteBalance : public ::testing::TestWithParam<Proc::ScalingMethod> {};

// The frame's mean colour carries the cast of every patch, so each patch, a
// multiple of it, comes out grey. Tolerance between channels: each patch
// channel was rounded (half a level, times the largest gain, about 1.5), the
// mean colour is rounded to bytes (half a level of about 90: 0.6 % of the
// gain, 1.4 levels at 220), and the output is rounded once more: 4 levels.
TEST_P(AutoWhiteBalance, MakesGreyPatchesGrey) {
  Proc::SettingsEffectAutoWhiteBalance settings;
  settings.SetScalingMethod(GetParam());
  const Image input = ToImage(*CastPatches());
  const Image output = Render(settings, CastPatches());
  for (int y = 5; y < 40; y += 10) {
    for (int x = 5; x < 60; x += 10) {
      const auto& in = input.At(x, y);
      const auto& out = output.At(x, y);
      const auto [low, high] = std::minmax({out[0], out[1], out[2]});
      EXPECT_LE(high - low, 4) << x << "," << y << ": " << out[0] << " " << out[1] << " " << out[2];
      EXPECT_NEAR(Luma(out), Luma(in), 4.0) << "luminance kept";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, AutoWhiteBalance,
                         ::testing::Values(Proc::ScalingMethod::VonKries,
                                           Proc::ScalingMethod::Bradford,
                                           Proc::ScalingMethod::XYZScaling));

// Pale colours that stay inside the RGB cube when their chroma is doubled.
Ptr<Proc::DataVideoMemory> PaleColours() {
  const Pixel colours[] = {{150, 120, 100, 255}, {100, 130, 160, 40}, {128, 128, 128, 255},
                           {110, 140, 110, 255}, {140, 125, 150, 0},  {120, 120, 135, 255}};
  return Testing::MakeFrame(24, 16, PixFmt::RGBA,
                            [&](int x, int y) { return colours[(x / 4 + y / 8) % 6]; });
}

// Y'PbPr of the pixel or texel (BT.709, 0 to 1 and -0.5 to 0.5).
template <class Rgb>
glm::vec3 YPbPr(const Rgb& p) {
  return RgbToBT709YpPbPr(glm::vec3(p[0], p[1], p[2]) / 255.0f);
}

// Tolerance on Y', Pb and Pr: the planes hold 8-bit codes (half a code of
// 224 for chroma, times the gain of up to 2) and the output is rounded to
// bytes: 3 / 255.
void ExpectChromaScaled(const Image& input, const Image& output, double gain, bool alpha) {
  constexpr double kTolerance = 3.0 / 255.0;
  for (int y = 0; y < 16; y += 3) {
    for (int x = 0; x < 24; x += 2) {
      const auto& in = input.At(x, y);
      const auto& out = output.At(x, y);
      const glm::vec3 a = YPbPr(in);
      const glm::vec3 b = YPbPr(out);
      EXPECT_NEAR(b.x, a.x, kTolerance) << x << "," << y;
      EXPECT_NEAR(b.y, gain * a.y, kTolerance) << x << "," << y;
      EXPECT_NEAR(b.z, gain * a.z, kTolerance) << x << "," << y;
      EXPECT_EQ(out[3], alpha ? in[3] : 255);
    }
  }
}

// The gain the automatic mode should measure on a picture: its Cb and Cr
// codes (BT.709, limited range) counted on the CPU.
double MeasuredGain(const Image& image) {
  constexpr double kChromaSpan = 224.0;
  Proc::HistogramBins cb{};
  Proc::HistogramBins cr{};
  for (const auto& t : image.texels) {
    const glm::vec3 c = YPbPr(t);
    ++cb[static_cast<std::size_t>(std::lround(Proc::kNeutralChroma + kChromaSpan * c.y))];
    ++cr[static_cast<std::size_t>(std::lround(Proc::kNeutralChroma + kChromaSpan * c.z))];
  }
  return Proc::CalcSaturation(cb, cr, image.texels.size());
}

struct SaturationCase {
  double setting;
  bool alphaDisabled;
};

class Saturation : public ::testing::TestWithParam<SaturationCase> {};

// Exactly 1 measures the gain; 0.999 is a plain gain and measures nothing.
TEST_P(Saturation, ScalesTheChromaAboutNeutral) {
  auto input = PaleColours();
  Proc::SettingsEffectSaturation settings;
  settings.SetSaturation(GetParam().setting);
  settings.SetAlphaIsDisabled(GetParam().alphaDisabled);
  const Image output = Render(settings, input);
  const double gain =
      settings.IsAutomatic() ? MeasuredGain(ToImage(*input)) : settings.GetSaturation();
  if (settings.IsAutomatic()) {
    ASSERT_GT(gain, 1.3) << "the pale picture is lifted";
  }
  ExpectChromaScaled(ToImage(*input), output, gain, !GetParam().alphaDisabled);
}

INSTANTIATE_TEST_SUITE_P(Gains, Saturation,
                         ::testing::Values(SaturationCase{0.0, false}, SaturationCase{0.5, true},
                                           SaturationCase{1.5, false}, SaturationCase{1.0, false},
                                           SaturationCase{0.999, false}));

// The one byte of every texel of a single-channel plane, read back as
// `format` (GL_RED or GL_RED_INTEGER), in GL row order.
std::vector<std::uint8_t> ReadPlane(Texture& plane, GLenum format, ShaderStorage& storage) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(plane.Width()) * plane.Height());
  storage.FBO().Attach(plane);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, plane.Width(), plane.Height(), format, GL_UNSIGNED_BYTE, bytes.data());
  return bytes;
}

// Saturation by way of planes: the picture split into integer 4:4:4 codes
// with alpha, the chroma codes through the tables on the CPU, normalised
// planes of the results drawn back to RGBA. Texels in GL row order.
std::vector<std::array<std::uint8_t, 4>> SaturatedThroughPlanes(
    const Ptr<Proc::DataVideoMemory>& input, double gain) {
  const Proc::UVTransTables tables = Proc::PrepareUVTransTables(gain);
  Ptr<DataVideoOGL> data = Testing::Upload(input);
  data->Wait();
  const Proc::FrameInfo& info = input->GetFrameInfo();
  std::vector<std::array<std::uint8_t, 4>> texels(static_cast<std::size_t>(info.width) *
                                                  info.height);
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    Frame& rgba = *data->FrameData();
    YUVConverter converter(storage, rgba.GetColorSpace());
    YUVTextures codes(info, PixFmt::YUVA444P, YUVTextures::Samples::Integer);
    converter.ToYUVA(rgba.GetFirstTexture(), codes);
    std::vector<std::vector<std::uint8_t>> planes;
    for (int plane = 0; plane < codes.PlaneCount(); ++plane) {
      planes.push_back(ReadPlane(codes.Plane(plane), GL_RED_INTEGER, storage));
    }
    std::vector<std::uint8_t>& u = planes[YUVTextures::kCb];
    std::vector<std::uint8_t>& v = planes[YUVTextures::kCr];
    for (std::size_t i = 0; i < u.size(); ++i) {
      const std::size_t entry = std::size_t{v[i]} * Proc::kHistogramBins + u[i];
      std::tie(u[i], v[i]) = std::pair{tables.u[entry], tables.v[entry]};
    }
    std::vector<std::unique_ptr<Texture>> normalised;
    std::vector<Texture*> views;
    for (const auto& plane : planes) {
      normalised.push_back(
          std::make_unique<Texture>(PlaneParams(info.width, info.height), plane.data()));
      views.push_back(normalised.back().get());
    }
    Ptr<Frame> joined = Frame::CreateIntermediate(rgba.GetColorSpace(), PixFmt::RGBA, info);
    converter.ToRGBA(YUVTextures(PixFmt::YUVA444P, views), joined->GetFirstTexture());
    glReadPixels(0, 0, info.width, info.height, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  });
  return texels;
}

// The one pass emulates the planes' rounding: the output is the plane path's
// byte for byte, but for the rare texel where float order moves a rounding
// by one level.
TEST(Saturation, EqualsThePlanePath) {
  constexpr double kGain = 1.5;
  auto input = Testing::MakeTestPattern(48, 32, PixFmt::RGBA);
  Proc::SettingsEffectSaturation settings;
  settings.SetSaturation(kGain);
  const Image output = Render(settings, input);
  const auto expected = SaturatedThroughPlanes(input, kGain);
  int moved = 0;
  for (int y = 0; y < output.height; ++y) {
    for (int x = 0; x < output.width; ++x) {
      const auto& want = expected[static_cast<std::size_t>(y) * output.width + x];
      for (int c = 0; c < 4; ++c) {
        const float difference = std::abs(output.At(x, y)[c] - want[c]);
        EXPECT_LE(difference, 1.0f) << x << "," << y << " channel " << c;
        moved += difference > 0.0f ? 1 : 0;
      }
    }
  }
  EXPECT_LE(moved, output.width * output.height / 100) << "at most 1 % of the texels";
}

}  // namespace
}  // namespace Obrisk::Ogl
