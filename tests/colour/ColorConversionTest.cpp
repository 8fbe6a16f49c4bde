// Colour conversions drawn on the GPU against the published formulas
// evaluated on the CPU in double precision.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/ogl/ColorConversion.h"
#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {
namespace {

using Color = std::array<double, 3>;
using Proc::ColorSpace;

// One code value of a 10-bit signal.
constexpr double kTenBitStep = 1.0 / 1023.0;
constexpr double kReferenceWhite = 203.0;
constexpr double kPeak = 1000.0;

const ColorSpace kBT709Sdr{1, 1, 1, 0};
const ColorSpace kBT2020Sdr{9, 14, 9, 0};
const ColorSpace kBT2020Pq{9, 16, 9, 0};
const ColorSpace kBT2020Hlg{9, 18, 9, 0};
const ColorSpace kBT709Linear{1, 8, 1, 0};

// ITU-R BT.2087-0, equation (5): linear BT.709 RGB to linear BT.2020 RGB.
constexpr double kBT709To2020[3][3] = {
    {0.6274, 0.3293, 0.0433}, {0.0691, 0.9195, 0.0114}, {0.0164, 0.0880, 0.8956}};
// ITU-R BT.2407-0, equation (4): linear BT.2020 RGB to linear BT.709 RGB.
constexpr double kBT2020To709[3][3] = {
    {1.6605, -0.5876, -0.0728}, {-0.1246, 1.1329, -0.0083}, {-0.0182, -0.1006, 1.1187}};

Color Apply(const double (&m)[3][3], const Color& c) {
  Color out{};
  for (int r = 0; r < 3; ++r) out[r] = m[r][0] * c[0] + m[r][1] * c[1] + m[r][2] * c[2];
  return out;
}

template <class F>
Color Each(const Color& c, F f) {
  return {f(c[0]), f(c[1]), f(c[2])};
}

// ITU-R BT.709-6 item 1.2 and its inverse.
double BT709Oetf(double l) {
  constexpr double a = 1.099296826809442, b = 0.018053968510807;
  l = std::clamp(l, 0.0, 1.0);
  return l < b ? 4.5 * l : a * std::pow(l, 0.45) - (a - 1.0);
}
double BT709InverseOetf(double v) {
  constexpr double a = 1.099296826809442, b = 0.018053968510807;
  return v < 4.5 * b ? v / 4.5 : std::pow((v + a - 1.0) / a, 1.0 / 0.45);
}

// SMPTE ST 2084.
constexpr double kM1 = 0.1593017578125, kM2 = 78.84375, kC1 = 0.8359375, kC2 = 18.8515625,
                 kC3 = 18.6875;
double PqInverseEotf(double nits) {
  const double y = std::pow(std::max(nits, 0.0) / 10000.0, kM1);
  return std::pow((kC1 + kC2 * y) / (1.0 + kC3 * y), kM2);
}

// ITU-R BT.2100-2 table 5: HLG OETF inverse and OOTF for a 1000-nit display
// (system gamma 1.2, BT.2020 luminance weights).
double HlgInverseOetf(double v) {
  constexpr double a = 0.17883277, b = 0.28466892, c = 0.55991073;
  return v <= 0.5 ? v * v / 3.0 : (std::exp((v - c) / a) + b) / 12.0;
}
Color HlgEotf1000(const Color& signal) {
  const Color scene = Each(signal, HlgInverseOetf);
  const double ys = 0.2627 * scene[0] + 0.6780 * scene[1] + 0.0593 * scene[2];
  return Each(scene, [&](double e) { return ys > 0.0 ? kPeak * std::pow(ys, 0.2) * e : 0.0; });
}

// Draws the colours converted as `info` says and reads them back as floats.
std::vector<Color> ConvertOnGpu(const std::vector<Color>& colors, const ColorConversionInfo& info) {
  std::vector<Color> out(colors.size());
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    const int width = static_cast<int>(colors.size());
    Ptr<Frame> source =
        Frame::CreateIntermediate(info.source, Proc::PixFmt::RGBA_HALF, {width, 1, 1, 1});
    std::vector<float> pixels;
    for (const Color& c : colors) {
      pixels.insert(pixels.end(), {static_cast<float>(c[0]), static_cast<float>(c[1]),
                                   static_cast<float>(c[2]), 1.0f});
    }
    source->GetFirstTexture().Update(0, pixels.data(), GL_RGBA, GL_FLOAT);
    Texture::Params params;
    params.width = width;
    params.height = 1;
    params.internalFormat = GL_RGBA32F;
    params.type = GL_FLOAT;
    Texture target(params, nullptr);
    storage.FBO().Attach(target);
    ConvertColorSpace(*source, info, storage);
    target.Download(0, pixels.data(), storage.FBO(), GL_FLOAT);
    for (std::size_t i = 0; i < colors.size(); ++i) {
      out[i] = {pixels[4 * i], pixels[4 * i + 1], pixels[4 * i + 2]};
      EXPECT_EQ(pixels[4 * i + 3], 1.0f) << "alpha is kept";
    }
  });
  return out;
}

ColorConversionInfo Conversion(const ColorSpace& from, const ColorSpace& to,
                               bool toneMapping = false) {
  ColorConversionInfo info;
  info.source = from;
  info.target = to;
  info.toneMapping = toneMapping;
  return info;
}

// Values exact in half precision: primaries, secondaries, white, greys, black.
const std::vector<Color> kSdrColors{
    {1, 0, 0}, {0, 1, 0},          {0, 0, 1},       {1, 1, 0},          {0, 1, 1},
    {1, 1, 1}, {0.75, 0.75, 0.75}, {0.5, 0.5, 0.5}, {0.25, 0.25, 0.25}, {0.0625, 0.0625, 0.0625},
    {0, 0, 0}, {0.75, 0.5, 0.25}};

void ExpectNear(const std::vector<Color>& actual, const std::vector<Color>& expected,
                double tolerance) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(actual[i][c], expected[i][c], tolerance) << "colour " << i << " channel " << c;
    }
  }
}

TEST(ColorConversionMath, PrimariesMatricesMatchThePublishedOnes) {
  const glm::dmat3 to2020 = PrimariesConversion(1, 9);
  const glm::dmat3 to709 = PrimariesConversion(9, 1);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(to2020[c][r], kBT709To2020[r][c], 5e-5);
      EXPECT_NEAR(to709[c][r], kBT2020To709[r][c], 5e-5);
    }
  }
}

TEST(ColorConversionGpu, BT709ToBT2020MatchesBT2087) {
  std::vector<Color> expected;
  for (const Color& c : kSdrColors) {
    expected.push_back(Each(Apply(kBT709To2020, Each(c, BT709InverseOetf)), BT709Oetf));
  }
  ExpectNear(ConvertOnGpu(kSdrColors, Conversion(kBT709Sdr, kBT2020Sdr)), expected, kTenBitStep);
}

TEST(ColorConversionGpu, BT2020ToBT709ClipsWhatBT709CannotShow) {
  std::vector<Color> expected;
  for (const Color& c : kSdrColors) {
    expected.push_back(Each(Apply(kBT2020To709, Each(c, BT709InverseOetf)), BT709Oetf));
  }
  ExpectNear(ConvertOnGpu(kSdrColors, Conversion(kBT2020Sdr, kBT709Sdr)), expected, kTenBitStep);
}

TEST(ColorConversionGpu, SdrWhiteLandsOnTheHdrReferenceWhite) {
  std::vector<Color> expected;
  for (const Color& c : kSdrColors) {
    const Color nits = Each(Apply(kBT709To2020, Each(c, BT709InverseOetf)),
                            [](double l) { return l * kReferenceWhite; });
    expected.push_back(Each(nits, PqInverseEotf));
  }
  ExpectNear(ConvertOnGpu(kSdrColors, Conversion(kBT709Sdr, kBT2020Pq)), expected, kTenBitStep);
  // The BT.2408 reference: 203 nits is PQ 58 %.
  EXPECT_NEAR(ConvertOnGpu({{1, 1, 1}}, Conversion(kBT709Sdr, kBT2020Pq))[0][0], 0.58, 0.005);
}

TEST(ColorConversionGpu, HlgDecodesThroughTheOotfOfA1000NitDisplay) {
  const std::vector<Color> signals{{0.75, 0.75, 0.75}, {0.5, 0.25, 0.125}, {1, 1, 1}, {0, 0, 0}};
  std::vector<Color> expected;
  for (const Color& c : signals) expected.push_back(Each(HlgEotf1000(c), PqInverseEotf));
  ExpectNear(ConvertOnGpu(signals, Conversion(kBT2020Hlg, kBT2020Pq)), expected, kTenBitStep);
}

struct RoundTrip {
  const char* name;
  ColorSpace outer;
  ColorSpace inner;
  std::vector<Color> colors;
};

class ColorConversionRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

// The inner signal travels in a 16-bit float frame, as working frames do. Its
// 11-bit significand rounds a PQ value by up to 2^-12, about 0.25 % of the
// light at SDR white, so the trip keeps 8-bit values rather than 10-bit ones.
TEST_P(ColorConversionRoundTrip, KeepsEightBitValues) {
  constexpr double kEightBitStep = 1.0 / 255.0;
  const RoundTrip& trip = GetParam();
  const auto there = ConvertOnGpu(trip.colors, Conversion(trip.outer, trip.inner));
  ExpectNear(ConvertOnGpu(there, Conversion(trip.inner, trip.outer)), trip.colors, kEightBitStep);
}

// PQ signals of at most 1000 nits (PQ 0.75), which HLG on a 1000-nit display holds.
const std::vector<Color> kPqColors{
    {0.75, 0.75, 0.75}, {0.5, 0.25, 0.125}, {0.625, 0.5, 0.375}, {0.25, 0.25, 0.25}, {0, 0, 0}};

INSTANTIATE_TEST_SUITE_P(
    Spaces, ColorConversionRoundTrip,
    ::testing::Values(RoundTrip{"SdrThroughPq", kBT709Sdr, {1, 16, 1, 0}, kSdrColors},
                      RoundTrip{"SdrThroughHlg", kBT709Sdr, {1, 18, 1, 0}, kSdrColors},
                      RoundTrip{"BT2020SdrThroughPq", kBT2020Sdr, kBT2020Pq, kSdrColors},
                      RoundTrip{"SdrThroughLinear", kBT709Sdr, kBT709Linear, kSdrColors},
                      RoundTrip{"PqThroughHlg", kBT2020Pq, kBT2020Hlg, kPqColors}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ColorConversionGpu, ToneMappingCompressesHighlightsAndKeepsShadows) {
  const double peak = PqInverseEotf(kPeak);
  const std::vector<Color> signals{{peak, peak, peak},
                                   {PqInverseEotf(20.0), PqInverseEotf(20.0), PqInverseEotf(20.0)},
                                   {PqInverseEotf(400.0), PqInverseEotf(400.0), 0.0}};
  const auto clipped = ConvertOnGpu(signals, Conversion(kBT2020Pq, kBT709Sdr, false));
  const auto mapped = ConvertOnGpu(signals, Conversion(kBT2020Pq, kBT709Sdr, true));
  EXPECT_NEAR(mapped[0][0], 1.0, kTenBitStep) << "the source peak becomes SDR white";
  EXPECT_NEAR(mapped[1][1], BT709Oetf(20.0 / kReferenceWhite), kTenBitStep)
      << "shadows below the knee keep their light";
  EXPECT_NEAR(clipped[2][0], 1.0, kTenBitStep) << "without tone mapping 400 nits clip";
  EXPECT_LT(mapped[2][0], 1.0 - 10 * kTenBitStep) << "with it they stay below white";
  EXPECT_LT(mapped[2][2], mapped[2][1]) << "and keep their hue order";
}

double PqEotf(double signal) {
  const double p = std::pow(std::max(signal, 0.0), 1.0 / kM2);
  return 10000.0 * std::pow(std::max(p - kC1, 0.0) / (kC2 - kC3 * p), 1.0 / kM1);
}

// ITU-R BT.2390-10, 5.4.1: the EETF from a 1000-nit PQ source to the SDR
// white of 203 nits, on the largest component, the others scaled with it.
Color ToneMapped(const Color& nits) {
  const double sourcePq = PqInverseEotf(kPeak);
  const double maxLum = PqInverseEotf(kReferenceWhite) / sourcePq;
  const double knee = 1.5 * maxLum - 0.5;
  const double largest = std::max({nits[0], nits[1], nits[2]});
  if (largest <= 0.0) return nits;
  const double e1 = std::min(PqInverseEotf(largest) / sourcePq, 1.0);
  double e2 = e1;
  if (e1 >= knee) {
    const double t = (e1 - knee) / (1.0 - knee);
    e2 = (2 * t * t * t - 3 * t * t + 1) * knee + (t * t * t - 2 * t * t + t) * (1 - knee) +
         (-2 * t * t * t + 3 * t * t) * maxLum;
  }
  const double gain = PqEotf(e2 * sourcePq) / largest;
  return Each(nits, [&](double l) { return l * gain; });
}

// The whole BT.2020 PQ to BT.709 SDR chain over signals that fall between
// the samples of any table the conversion may keep: shadows, the knee of
// the tone curve, highlights past the source's peak, and colours outside
// BT.709 that clip.
TEST(ColorConversionGpu, ToneMappedPqToSdrFollowsTheFormulasAcrossTheRange) {
  // Multiples of 1/1024 below 2, exact in the half-float source frame.
  constexpr double kUnit = 1.0 / 1024.0;
  std::vector<Color> signals;
  for (int i = 0; i < 101; ++i) {
    const double v = (10 * i + 3) * kUnit;
    signals.push_back({v, v, v});
    signals.push_back({v, (6 * i + 1) * kUnit, (3 * i + 2) * kUnit});
    signals.push_back({(2 * i + 5) * kUnit, v, (9 * i + 7) * kUnit});
  }
  std::vector<Color> expected;
  for (const Color& signal : signals) {
    const Color nits = ToneMapped(Apply(kBT2020To709, Each(signal, PqEotf)));
    expected.push_back(Each(nits, [](double l) { return BT709Oetf(l / kReferenceWhite); }));
  }
  ExpectNear(ConvertOnGpu(signals, Conversion(kBT2020Pq, kBT709Sdr, true)), expected, kTenBitStep);
}

TEST(ColorConversionGpu, LinearModeStretchesSdrOntoTheHdrPeak) {
  ColorConversionInfo info = Conversion(kBT709Sdr, kBT2020Pq);
  info.linearMode = true;
  const auto white = ConvertOnGpu({{1, 1, 1}}, info);
  EXPECT_NEAR(white[0][0], PqInverseEotf(kPeak), kTenBitStep);
}

struct Unsupported {
  ColorSpace space;
  const char* named;
};

class ColorConversionUnsupported : public ::testing::TestWithParam<Unsupported> {};

TEST_P(ColorConversionUnsupported, RaisesAnErrorNamingTheField) {
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    Ptr<Frame> frame = Frame::CreateIntermediate(kBT709Sdr, Proc::kPixFmtAlpha, {2, 2, 1, 1});
    storage.FBO().Attach(frame->GetFirstTexture());
    for (bool asSource : {false, true}) {
      ColorConversionInfo info;
      (asSource ? info.source : info.target) = GetParam().space;
      try {
        ConvertColorSpace(*frame, info, storage);
        ADD_FAILURE() << "no error for " << GetParam().named;
      } catch (const OglException& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().named), std::string::npos)
            << error.what();
      }
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Fields, ColorConversionUnsupported,
                         ::testing::Values(Unsupported{{22, 1, 1, 0}, "colour primaries 22"},
                                           Unsupported{{1, 17, 1, 0},
                                                       "transfer characteristics 17"},
                                           Unsupported{{1, 4, 1, 0}, "transfer characteristics 4"},
                                           Unsupported{{1, 1, 10, 0}, "matrix coefficients 10"}));

TEST(ColorConversionGpu, NonPositiveLevelsAreRejected) {
  ColorConversionInfo info = Conversion(kBT709Sdr, kBT2020Pq);
  info.referenceWhiteNits = 0.0f;
  EXPECT_THROW(ConvertOnGpu({{1, 1, 1}}, info), OglException);
}

}  // namespace
}  // namespace Obrisk::Ogl
