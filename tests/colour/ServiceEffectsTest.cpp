// The colour-space converter, drawing in a working colour space, and the
// resizer, through the host registry and on real frames.
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "frame/EffectWrapper.h"
#include "frame/SinglePass.h"
#include "obrisk/host/Statistics.h"
#include "obrisk/ogl/ColorConversion.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::ColorSpace;
using Proc::PixFmt;
using Testing::Pixel;

// The BT.709 transfer function's constants (BT.2020 gives them this precisely).
constexpr double kA = 1.099296826809442;
constexpr double kB = 0.018053968510807;

glm::dvec3 ToLinear(glm::dvec3 v) {
  for (int c = 0; c < 3; ++c)
    v[c] = v[c] < 4.5 * kB ? v[c] / 4.5 : std::pow((v[c] + kA - 1.0) / kA, 1.0 / 0.45);
  return v;
}
glm::dvec3 FromLinear(glm::dvec3 l) {
  for (int c = 0; c < 3; ++c)
    l[c] = l[c] < kB ? 4.5 * l[c] : kA * std::pow(l[c], 0.45) - (kA - 1.0);
  return l;
}

// Each pixel's colour is `expected` of the input's (within one level), its
// alpha unchanged.
void ExpectEachPixel(const Proc::DataVideoMemory& input, const Proc::DataVideoMemory& output,
                     const std::function<glm::dvec3(const glm::dvec3&)>& expected) {
  for (int y = 0; y < input.GetFrameInfo().height; ++y) {
    for (int x = 0; x < input.GetFrameInfo().width; ++x) {
      const Pixel in = Testing::PixelAt(input, x, y);
      const Pixel out = Testing::PixelAt(output, x, y);
      const glm::dvec3 want = expected(glm::dvec3(in[0], in[1], in[2]) / 255.0) * 255.0;
      for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(out[c], want[c], 1.0) << x << "," << y << " channel " << c;
      EXPECT_EQ(out[3], in[3]) << x << "," << y;
    }
  }
}

std::string Text(const Property& property) {
  return std::get<std::string>(property.GetValue());
}

Ptr<Proc::IEffect> MakeConverter(const ColorSpace& destination) {
  auto registry = Testing::MakeRegistry();
  Ptr<Proc::IEffect> converter = Testing::CreateEffect(*registry, "SettingsColorSpaceConverter");
  Proc::SettingsColorSpaceConverter settings;
  settings.SetDestinationColorSpace(destination);
  converter->SetSettingsObject(settings);
  return converter;
}

std::int64_t Frames(const Proc::IEffect& effect) {
  return std::get<std::int64_t>(effect.GetStatistic().GetChild("frames").GetValue());
}

TEST(ColorSpaceConverter, SameColourSpacePassesThroughAndCountsNoFrame) {
  Ptr<Proc::IEffect> converter = MakeConverter({1, 1, 1, 0});
  Ptr<Proc::IData> input = Testing::Upload(Testing::MakeTestPattern(4, 4, PixFmt::RGBA));
  EXPECT_EQ(converter->ProcessData({input}), input);
  EXPECT_EQ(Frames(*converter), 0);
  // Frames in main memory are not GPU video: they pass too.
  Ptr<Proc::IData> memory = Testing::MakeTestPattern(4, 4, PixFmt::RGBA);
  Ptr<Proc::IEffect> other = MakeConverter({9, 14, 9, 0});
  EXPECT_EQ(other->ProcessData({memory}), memory);
  EXPECT_EQ(Frames(*other), 0);
}

TEST(ColorSpaceConverter, ConvertsIntoTheDestinationAndKeepsTheFlags) {
  const ColorSpace bt2020{9, 14, 9, 0};
  Ptr<Proc::IEffect> converter = MakeConverter(bt2020);
  auto frame = Testing::MakeTestPattern(9, 5, PixFmt::RGBA);
  Ptr<DataVideoOGL> input = Testing::Upload(frame);
  input->SetEmptyTransparentFrameFlag(true);
  input->SetStartTime(40000);
  Ptr<Proc::IData> output = converter->ProcessData({input});
  auto* gpu = dynamic_cast<DataVideoOGL*>(output.get());
  ASSERT_NE(gpu, nullptr);
  EXPECT_TRUE(gpu->IsEmptyTransparentFrame());
  EXPECT_EQ(gpu->GetStartTime(), 40000);
  EXPECT_EQ(gpu->GetColorSpace(), bt2020);
  EXPECT_EQ(Frames(*converter), 1);
  EXPECT_EQ(Text(converter->GetStatistic().GetChild("name")),
            "`anonymous-namespace'::ColorSpaceConverter::GetStatistic");
  // The BT.2087 conversion of the input (BT.709 to BT.2020 primaries).
  ExpectEachPixel(*frame, *Testing::Download(output), [](const glm::dvec3& in) {
    return FromLinear(glm::clamp(PrimariesConversion(1, 9) * ToLinear(in), 0.0, 1.0));
  });
}

TEST(ColorSpaceConverter, NegotiatesTheDestinationAndRejectsOtherSettings) {
  Ptr<Proc::IEffect> converter = MakeConverter({9, 16, 9, 1});
  auto* video = dynamic_cast<Proc::IOneInputEffectVideo*>(converter.get());
  ASSERT_NE(video, nullptr);
  auto format = MakeRef<Proc::FormatCodecVideo>(PixFmt::RGBA, ColorSpace{}, Proc::FrameInfo{4, 4});
  video->UpdateFormatCodecVideo(format);
  EXPECT_EQ(format->GetColorSpace(), (ColorSpace{9, 16, 9, 1}));
  EXPECT_THROW(converter->SetSettingsObject(Proc::SettingsResizer()), std::bad_cast);
  EXPECT_EQ(converter->GetTraits(), 2);
}

TEST(ColorSpaceConverter, UnsupportedDestinationFailsTheFrame) {
  Ptr<Proc::IEffect> converter = MakeConverter({1, 17, 1, 0});
  Ptr<Proc::IData> output =
      converter->ProcessData({Testing::Upload(Testing::MakeTestPattern(2, 2, PixFmt::RGBA))});
  EXPECT_THROW(dynamic_cast<DataVideoOGL&>(*output).Wait(), OglException);
}

// Halves the light in linear BT.709 (transfer 8) and records what it saw.
class HalveLight final : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                                            Proc::SettingsColorSpaceConverter> {
 public:
  HalveLight() {
    Proc::SettingsColorSpaceConverter working;
    working.SetDestinationColorSpace({1, 8, 1, 0});
    SetSettings(working);
  }
  const std::string_view& GetName() const override {
    static constexpr std::string_view kName = "HalveLight";
    return kName;
  }
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override {
    const ColorSpace working = DrawingSettings().GetDestinationColorSpace();
    if (source->GetColorSpace().transfer != working.transfer) {
      ProcessInColorSpace(DrawingSettings(), target, source, time, progress, storage, cache);
      return;
    }
    seenFormats.push_back(source->GetPixelFormat());
    static const ShaderSources kHalve{"TestHalveLight", Shader::FullFrame, R"(
uniform sampler2D tex;
varying vec2 TexCoord0;
void main() {
  vec4 c = texture2D(tex, TexCoord0);
  gl_FragColor = vec4(c.rgb * 0.5, c.a);
}
)",
                                      ""};
    DrawSinglePass(storage, storage.MakeShader(kHalve), *target, *source, [](ShaderProgram&) {});
  }

  std::vector<PixFmt> seenFormats;
};

Ptr<Proc::IData> RunHalveLight(const std::shared_ptr<HalveLight>& effect,
                               const Ptr<Proc::IData>& input) {
  auto wrapper = MakeRef<OneInputEffectWrapper>(nullptr, effect);
  Ptr<Proc::IData> data = input;
  wrapper->ProcessData(data);
  return data;
}

TEST(ProcessInColorSpace, ConvertsIntoTheWorkingSpaceAndBack) {
  auto frame = Testing::MakeTestPattern(11, 3, PixFmt::RGBA);
  auto effect = std::make_shared<HalveLight>();
  auto result = Testing::Download(RunHalveLight(effect, Testing::Upload(frame)));
  EXPECT_EQ(effect->seenFormats, std::vector<PixFmt>{PixFmt::RGBA_HALF});
  ExpectEachPixel(*frame, *result,
                  [](const glm::dvec3& in) { return FromLinear(0.5 * ToLinear(in)); });
}

TEST(ProcessInColorSpace, SourceAlreadyInTheWorkingSpaceIsUsedAsItIs) {
  auto frame = MakeRef<Proc::DataVideoMemory>(ColorSpace{1, 8, 1, 0}, PixFmt::RGBA,
                                              Proc::FrameInfo{2, 2, 1, 1});
  for (int i = 0; i < 4; ++i)
    std::memcpy(frame->Pixels() + 4 * i, Pixel{200, 100, 50, 255}.data(), 4);
  auto effect = std::make_shared<HalveLight>();
  auto result = Testing::Download(RunHalveLight(effect, Testing::Upload(frame)));
  EXPECT_EQ(effect->seenFormats, std::vector<PixFmt>{PixFmt::RGBA});
  EXPECT_EQ(Testing::PixelAt(*result, 1, 1), (Pixel{100, 50, 25, 255}));
}

Ptr<Proc::IResize> MakeResizer(const Proc::SettingsResizer& settings) {
  auto registry = Testing::MakeRegistry();
  Ptr<Proc::IEffect> effect = Testing::CreateEffect(*registry, "SettingsResizer");
  Ptr<Proc::IResize> resizer(dynamic_cast<Proc::IResize*>(effect.get()));
  EXPECT_NE(resizer, nullptr);
  resizer->SetSettingsObject(settings);
  return resizer;
}

struct MethodCase {
  int given;
  Proc::ResizeMethods stored;
  const char* reported;
};

class ResizerMethod : public ::testing::TestWithParam<MethodCase> {};

TEST_P(ResizerMethod, IsNormalisedToWhatTheGpuDraws) {
  Proc::SettingsResizer settings;
  settings.SetMethod(static_cast<Proc::ResizeMethods>(GetParam().given));
  Ptr<Proc::IResize> resizer = MakeResizer(settings);
  EXPECT_EQ(resizer->GetResizerSettings().GetMethod(), GetParam().stored);
  EXPECT_EQ(Text(resizer->GetStatistic().GetChild("Interpolation method")), GetParam().reported);
  EXPECT_EQ(Text(resizer->GetStatistic().GetChild("Impl ID")), Proc::ImplNames::OGL);
  // The same through a Property.
  Property property;
  property.SetChild("method", GetParam().given);
  resizer->SetSettings(property);
  EXPECT_EQ(resizer->GetResizerSettings().GetMethod(), GetParam().stored);
  EXPECT_EQ(Text(resizer->GetSettings().GetChild(Proc::IPreset::KEY_TYPE_ID)),
            Proc::ImplNames::OGL);
}

std::vector<MethodCase> MethodCases() {
  std::vector<MethodCase> cases;
  for (int given : {0, 1, 4, 5})
    cases.push_back({given, Proc::ResizeMethods::Bilinear, "Bilinear"});
  for (int given : {2, 3, 6, 9, 12})
    cases.push_back({given, Proc::ResizeMethods::Lanczos, "Lanczos"});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Methods, ResizerMethod, ::testing::ValuesIn(MethodCases()));

// The Lanczos filter of the resizer on the CPU: three lobes, distances in
// kernel widths of (scale ratio)^0.9 source pixels.
double Lanczos3(double t) {
  constexpr double kPi = 3.14159265358979323846;
  if (t == 0.0) return 1.0;
  if (std::fabs(t) >= 3.0) return 0.0;
  return std::sin(kPi * t) / (kPi * t) * std::sin(kPi * t / 3.0) / (kPi * t / 3.0);
}

// The weights and texels of the output pixel at `position` along one axis:
// `in` source texels of which those from `cropNear` on, `kept` of them, are
// placed over `placed` output pixels starting at `bandNear`. Texels outside
// the kept ones still count, as long as they lie in the source.
struct Axis {
  int in;
  int cropNear;
  int kept;
  int bandNear;
  int placed;
};

// The taps (texel, weight) of output pixel `position` along the axis.
std::vector<std::pair<int, double>> LanczosTaps(const Axis& axis, int position) {
  const double ratio = static_cast<double>(axis.kept) / axis.placed;
  const double kernel = std::max(std::pow(ratio, 0.9), 1.0);
  const double centre = axis.cropNear + (position - axis.bandNear + 0.5) * ratio;
  std::vector<std::pair<int, double>> taps;
  for (int i = 0; i < axis.in; ++i) {
    const double w = Lanczos3((centre - (i + 0.5)) / kernel);
    if (w != 0.0) taps.emplace_back(i, w);
  }
  return taps;
}

struct LanczosCase {
  int inWidth, inHeight, outWidth, outHeight;
  Proc::ResizePlacement placement;
  Proc::CropInfo crop;
};

class ResizerLanczos : public ::testing::TestWithParam<LanczosCase> {};

// Every placed output pixel is the CPU filter's weighted mean of the
// source, whether an axis shrinks (kernel widened by the ratio) or grows
// (kernel of one texel, 6 taps), with crops and bands.
TEST_P(ResizerLanczos, MatchesTheCpuFilter) {
  const LanczosCase& param = GetParam();
  auto frame = Testing::MakeFrame(param.inWidth, param.inHeight, PixFmt::RGBA, [](int x, int y) {
    return Pixel{static_cast<std::uint8_t>((x * 37 + y * 11) % 256),
                 static_cast<std::uint8_t>((x * x * 5 + y * 3) % 256),
                 static_cast<std::uint8_t>(x < 12 ? 30 : 220), 255};
  });
  Proc::SettingsResizer settings;
  settings.SetOutputSize(param.outWidth, param.outHeight);
  settings.SetOutputPixelAspect(1, 1);
  settings.SetPlacement(param.placement);
  settings.SetCrop(param.crop);
  settings.SetMethod(Proc::ResizeMethods::Lanczos);
  Ptr<Proc::IResize> resizer = MakeResizer(settings);
  auto result = Testing::Download(resizer->ProcessData({Testing::Upload(frame)}));
  ASSERT_EQ(result->GetFrameInfo().width, param.outWidth);
  ASSERT_EQ(result->GetFrameInfo().height, param.outHeight);
  Proc::CropInfo sourceCrop;
  Proc::CropInfo bands;
  const Proc::FrameInfo source{param.inWidth, param.inHeight, 1, 1};
  const Proc::FrameInfo region = settings.GetROI(source, sourceCrop, bands);
  // Crops and bands list left, right, top, bottom: `near` is 0 or 2.
  auto axis = [&](int in, int size, int near) {
    const auto crop = [&](const Proc::CropInfo& c, int i) { return static_cast<int>(c[near + i]); };
    return Axis{in, crop(sourceCrop, 0), in - crop(sourceCrop, 0) - crop(sourceCrop, 1),
                crop(bands, 0), size - crop(bands, 0) - crop(bands, 1)};
  };
  const Axis horizontal = axis(param.inWidth, region.width, 0);
  const Axis vertical = axis(param.inHeight, region.height, 2);
  for (int oy = vertical.bandNear; oy < vertical.bandNear + vertical.placed; ++oy) {
    for (int ox = horizontal.bandNear; ox < horizontal.bandNear + horizontal.placed; ++ox) {
      std::array<double, 3> sum{};
      double total = 0.0;
      for (const auto& [row, wy] : LanczosTaps(vertical, oy)) {
        for (const auto& [column, wx] : LanczosTaps(horizontal, ox)) {
          const Pixel p = Testing::PixelAt(*frame, column, row);
          for (int c = 0; c < 3; ++c) sum[c] += p[c] * wx * wy;
          total += wx * wy;
        }
      }
      const Pixel out = Testing::PixelAt(*result, ox, oy);
      for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(out[c], std::clamp(sum[c] / total, 0.0, 255.0), 1.0)
            << ox << "," << oy << " channel " << c;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scales, ResizerLanczos,
                         ::testing::Values(
                             // Both axes shrink by non-integer factors (2.4 and 16/7).
                             LanczosCase{24, 16, 10, 7, Proc::ResizePlacement::Stretch, {}},
                             // One axis grows while the other shrinks.
                             LanczosCase{24, 16, 31, 7, Proc::ResizePlacement::Stretch, {}},
                             LanczosCase{17, 23, 12, 30, Proc::ResizePlacement::Stretch, {}},
                             // A crop of 21x13 fitted into 10x8: bands above and below.
                             LanczosCase{24, 16, 10, 8, Proc::ResizePlacement::Fit, {2, 1, 0, 3}},
                             // Filling a square crops the sides.
                             LanczosCase{24, 16, 10, 10, Proc::ResizePlacement::Fill, {}}));

TEST(Resizer, FitLetterboxesInTheBackgroundColour) {
  auto frame = Testing::MakeTestPattern(8, 4, PixFmt::RGBX);
  Proc::SettingsResizer settings;
  settings.SetOutputSize(8, 8);
  settings.SetPlacement(Proc::ResizePlacement::Fit);
  settings.SetBackgroundColor({10, 20, 30, 255});
  Ptr<Proc::IResize> resizer = MakeResizer(settings);
  Ptr<Proc::IData> output = resizer->ProcessData({Testing::Upload(frame)});
  EXPECT_EQ(dynamic_cast<DataVideoOGL&>(*output).GetPixelFormat(), PixFmt::RGBX);
  auto result = Testing::Download(output);
  for (int x = 0; x < 8; ++x) {
    for (int y : {0, 1, 6, 7}) EXPECT_EQ(Testing::PixelAt(*result, x, y), (Pixel{10, 20, 30, 255}));
    // The picture keeps its size: its pixels come through unchanged (and opaque).
    for (int y = 0; y < 4; ++y) {
      Pixel expected = Testing::PixelAt(*frame, x, y);
      expected[3] = 255;
      EXPECT_EQ(Testing::PixelAt(*result, x, y + 2), expected);
    }
  }
}

TEST(Resizer, TranslucentBackgroundGivesTheOutputAlpha) {
  Proc::SettingsResizer settings;
  settings.SetOutputSize(6, 6);
  settings.SetBackgroundColor({0, 0, 0, 128});
  Ptr<Proc::IResize> resizer = MakeResizer(settings);
  auto format = MakeRef<Proc::FormatCodecVideo>(PixFmt::RGBX, ColorSpace{}, Proc::FrameInfo{4, 2});
  resizer->UpdateFormatCodecVideo(format);
  EXPECT_EQ(format->GetPixelFormat(), PixFmt::RGBA);
  EXPECT_EQ(format->GetFrameInfo(), (Proc::FrameInfo{6, 6, 1, 1}));
  Ptr<Proc::IData> output =
      resizer->ProcessData({Testing::Upload(Testing::MakeTestPattern(4, 2, PixFmt::RGBX))});
  EXPECT_EQ(dynamic_cast<DataVideoOGL&>(*output).GetPixelFormat(), PixFmt::RGBA);
  auto result = Testing::Download(output);
  EXPECT_EQ(Testing::PixelAt(*result, 0, 0)[3], 128) << "a band";
  EXPECT_EQ(Testing::PixelAt(*result, 2, 3)[3], 255) << "the picture";
}

struct PlacementCase {
  Proc::ResizePlacement placement;
  Proc::FrameInfo source;
  Proc::CropInfo crop;
  Proc::CropInfo sourceCrop;
  Proc::CropInfo destinationCrop;
};

class ResizerPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(ResizerPlacement, SplitsTheMarginsEvenly) {
  Proc::SettingsResizer settings;
  settings.SetOutputSize(160, 90);
  settings.SetOutputPixelAspect(1, 1);
  settings.SetPlacement(GetParam().placement);
  settings.SetCrop(GetParam().crop);
  Proc::CropInfo sourceCrop;
  Proc::CropInfo destinationCrop;
  const Proc::FrameInfo region = settings.GetROI(GetParam().source, sourceCrop, destinationCrop);
  EXPECT_EQ(region, (Proc::FrameInfo{160, 90, 1, 1}));
  EXPECT_EQ(sourceCrop, GetParam().sourceCrop);
  EXPECT_EQ(destinationCrop, GetParam().destinationCrop);
}

INSTANTIATE_TEST_SUITE_P(
    Placements, ResizerPlacement,
    ::testing::Values(
        // 4:3 into 16:9: bands left and right (120 wide), or 3/4 of the rows kept.
        PlacementCase{Proc::ResizePlacement::Fit, {400, 300, 1, 1}, {}, {}, {20, 20, 0, 0}},
        PlacementCase{Proc::ResizePlacement::Fill, {400, 300, 1, 1}, {}, {0, 0, 37, 38}, {}},
        PlacementCase{Proc::ResizePlacement::Stretch, {400, 300, 1, 1}, {}, {}, {}},
        // Anamorphic 16:9 stored 4:3 with 4:3 pixels fills 16:9 exactly.
        PlacementCase{Proc::ResizePlacement::Fit, {120, 90, 4, 3}, {}, {}, {}},
        // The set crop is kept and widened by the fill crop.
        PlacementCase{
            Proc::ResizePlacement::Fill, {420, 300, 1, 1}, {20, 0, 0, 0}, {20, 0, 37, 38}, {}}));

TEST(ResizerSettings, CoordinateBufferPlacesTheKeptSource) {
  Proc::SettingsResizer settings;
  settings.SetOutputSize(160, 90);
  settings.SetPlacement(Proc::ResizePlacement::Fit);
  settings.SetCrop({0, 0, 0, 100});
  // 400x200 kept of 400x300: 2:1 into 16:9 gives 80 rows and bands of 5.
  const auto buffer = settings.CalculateCoordBuffer({400, 300, 1, 1});
  const std::array<float, 16> expected{
      0.0f, 1.0f / 3.0f, -1.0f, -80.0f / 90.0f, 1.0f, 1.0f / 3.0f, 1.0f,  -80.0f / 90.0f,
      1.0f, 1.0f,        1.0f,  80.0f / 90.0f,  0.0f, 1.0f,        -1.0f, 80.0f / 90.0f};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(buffer[i], expected[i], 1e-6f) << "value " << i;
}

TEST(ResizerSettings, CropThatLeavesNothingIsRejected) {
  Proc::SettingsResizer settings;
  settings.SetCrop({200, 200, 0, 0});
  Proc::CropInfo sourceCrop;
  Proc::CropInfo destinationCrop;
  EXPECT_THROW(settings.GetROI({400, 300, 1, 1}, sourceCrop, destinationCrop),
               std::invalid_argument);
  EXPECT_EQ(settings.GetOutputFrameSize({400, 300, 1, 1}), (Proc::FrameInfo{400, 300, 1, 1}));
}

}  // namespace
}  // namespace Obrisk::Ogl
