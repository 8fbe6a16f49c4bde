#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "effects/blur/EffectCensored.h"
#include "effects/blur/EffectGaussianBlur.h"
#include "effects/mask/EffectMask.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/MaskSettings.h"
#include "support/GpuTestSupport.h"
#include "support/ImageTestSupport.h"
#include "support/Messages.h"

namespace Obrisk::Ogl {
namespace {

using Proc::FrameMask;
using Proc::MaskKeyframe;
using Proc::MaskTrack;
using Proc::SettingsEffectMask;
using Testing::Image;
using Testing::Near;
using Testing::Texel;

constexpr int kWidth = 96;
constexpr int kHeight = 60;
constexpr double kAspect = double(kWidth) / kHeight;

// A smooth picture with alpha, so that mixing shows in every channel.
Image Picture() {
  return Testing::MakeImage(kWidth, kHeight, [](int x, int y) {
    return Texel{float(x * 255 / (kWidth - 1)), float(y * 255 / (kHeight - 1)),
                 float((x * 3 + y * 5) % 256), float(160 + (x + y) % 96)};
  });
}

MaskTrack Track(std::int32_t shape, std::int32_t fill, MaskKeyframe keyframe, bool frame = false) {
  return {.shape = shape, .fill = fill, .frame = frame, .keyframes = {keyframe}};
}

MaskKeyframe At(double x, double y, double width, double height, double feather,
                double opacity = 1.0, double rotation = 0.0) {
  return {.centreX = x,
          .centreY = y,
          .width = width,
          .height = height,
          .rotation = rotation,
          .opacity = opacity,
          .feather = feather};
}

SettingsEffectMask Masks(std::vector<MaskTrack> tracks, std::int32_t type = 0,
                         std::int32_t invert = 0) {
  SettingsEffectMask settings;
  settings.SetType(type);
  settings.SetInvert(invert);
  settings.SetBackgroundColor({250, 20, 90, 200});
  settings.SetFrameColor({10, 240, 30, 255});
  settings.SetMasks(std::move(tracks));
  return settings;
}

// The mask's status at texel (x, y), from its placement (centre from the
// top-left, sizes in fractions, turned clockwise as seen): 0 inside the
// shape, 1 beyond the band.
double CpuStatus(const FrameMask& mask, int x, int y) {
  const auto& p = mask.GetPlacement();
  const double cu = p.centreX;
  const double cv = 1.0 - p.centreY;
  // The texel centre in pixels from the mask's centre (rows from the
  // bottom), turned back counter-clockwise, in fractions again.
  const double turn = p.rotation * std::numbers::pi / 180.0;
  const double px = (x + 0.5) - cu * kWidth;
  const double py = (y + 0.5) - cv * kHeight;
  const double du = (px * std::cos(turn) - py * std::sin(turn)) / kWidth;
  const double dv = (px * std::sin(turn) + py * std::cos(turn)) / kHeight;
  const double band =
      mask.GetFillType() == FrameMask::kFillPixelate ? 0.0025 : mask.GetFeather() * 0.1 + 0.0025;
  if (mask.IsEllipse()) {
    const double inner = std::hypot(du / (p.width / 2), dv / (p.height / 2));
    const double outer =
        std::hypot(du / (p.width / 2 + band), dv / (p.height / 2 + band * kAspect));
    if (inner <= 1.0) return 0.0;
    return std::clamp((inner - 1.0) * outer / (inner - outer), 0.0, 1.0);
  }
  const double outsideU = std::abs(du) - p.width / 2;
  const double outsideV = std::abs(dv) - p.height / 2;
  return std::clamp(std::max(outsideU, outsideV / kAspect) / band, 0.0, 1.0);
}

Texel Background(const SettingsEffectMask& settings) {
  const auto c = settings.GetBackgroundColor();
  return {float(c[0]), float(c[1]), float(c[2]), float(c[3])};
}

using Fills = std::function<Texel(int fill, int x, int y)>;

// Status of every mask (after invert), combined, and the fill of the last
// mask whose status is the combined one. Without `fills`, every fill is the
// background colour.
Image CpuMask(const SettingsEffectMask& settings, const Image& source, double progress,
              Fills fills = nullptr) {
  const auto masks = settings.GetFrames(progress);
  const auto frameColour = settings.GetFrameColor();
  if (!fills) fills = [&](int, int, int) { return Background(settings); };
  return Testing::MakeImage(kWidth, kHeight, [&](int x, int y) {
    std::vector<double> status;
    for (const FrameMask& mask : masks) {
      const double s = CpuStatus(mask, x, y);
      status.push_back(settings.GetInvert() != 0 ? s : 1.0 - s);
    }
    const double combined = settings.GetType() != 0 ? *std::ranges::min_element(status)
                                                    : *std::ranges::max_element(status);
    std::size_t k = masks.size() - 1;
    while (status[k] != combined) --k;
    const Texel& from = source.At(x, y);
    const Texel to = fills(masks[k].GetFillType(), x, y);
    const double amount = status[k] * masks[k].GetOpacity();
    Texel out;
    for (int c = 0; c < 4; ++c) out[c] = float(from[c] + (to[c] - from[c]) * amount);
    if (masks[k].HasFrame() && combined > 0.0001 && combined < 0.9999) {
      const double line = std::sin(std::numbers::pi * combined);
      for (int c = 0; c < 4; ++c) out[c] = float(out[c] + (frameColour[c] - out[c]) * line);
    }
    return out;
  });
}

void ExpectClose(const Image& output, const Image& expected) {
  EXPECT_TRUE(Near(output, Testing::Quantised(expected), 1.0f));
}

// The registered effect on the picture against the CPU mask.
void ExpectMatchesCpu(const SettingsEffectMask& settings, Fills fills = nullptr) {
  const Image source = Picture();
  ExpectClose(Testing::RunRegistered(settings, source), CpuMask(settings, source, 0.0, fills));
}

// Small colour masks in a row, one per digit of `kinds` (the shape number).
std::vector<MaskTrack> Shapes(const std::string& kinds, double shift) {
  std::vector<MaskTrack> tracks;
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    tracks.push_back(Track(kinds[i] - '0', FrameMask::kFillColour,
                           At(0.1 * double(i) + shift, 0.5, 0.1, 0.2, 0.1)));
  }
  return tracks;
}

struct CpuCase {
  std::string name;
  SettingsEffectMask settings;
  bool spansTheBand = false;  // has many texels inside, across the band and outside
};

// One shape with a colour fill, plain and inverted, with and without the edge
// line; two masks combined by union (largest coverage) and intersection; ten.
std::vector<CpuCase> CpuCases() {
  const auto one = [](std::string name, std::int32_t shape, std::int32_t invert, bool frame,
                      double rotation = 0.0) {
    return CpuCase{name,
                   Masks({Track(shape, FrameMask::kFillColour,
                                At(0.45, 0.55, 0.5, 0.6, 1.0, 0.9, rotation), frame)},
                         0, invert),
                   true};
  };
  const auto two = [](std::int32_t type) {
    return Masks(
        {Track(FrameMask::kRectangle, FrameMask::kFillColour, At(0.4, 0.5, 0.5, 0.6, 0.3)),
         Track(FrameMask::kEllipse, FrameMask::kFillColour, At(0.6, 0.45, 0.5, 0.5, 0.8, 0.5))},
        type);
  };
  return {one("Rectangle", FrameMask::kRectangle, 0, false),
          one("Ellipse", FrameMask::kEllipse, 0, false),
          one("RectangleInverted", FrameMask::kRectangle, 1, false),
          one("EllipseInverted", FrameMask::kEllipse, 1, false),
          one("RectangleFramed", FrameMask::kRectangle, 0, true),
          one("EllipseInvertedFramed", FrameMask::kEllipse, 1, true),
          one("RectangleTurned", FrameMask::kRectangle, 0, false, 30.0),
          one("EllipseInvertedFramedTurned", FrameMask::kEllipse, 1, true, -70.0),
          {"Union", two(0)},
          {"Intersection", two(1)},
          {"TenMasks", Masks(Shapes("0101010110", 0.03))}};
}

class MaskAgainstCpu : public ::testing::TestWithParam<CpuCase> {};

TEST_P(MaskAgainstCpu, FollowsTheCpuMask) {
  const SettingsEffectMask& settings = GetParam().settings;
  if (GetParam().spansTheBand) {
    std::array<int, 3> regions{};  // inside, band, outside
    const FrameMask mask = settings.GetFrames(0.0).front();
    for (int i = 0; i < kWidth * kHeight; ++i) {
      const double s = CpuStatus(mask, i % kWidth, i / kWidth);
      ++regions[s == 0.0 ? 0 : s == 1.0 ? 2 : 1];
    }
    for (int count : regions) ASSERT_GT(count, 200);
  }
  ExpectMatchesCpu(settings);
}

INSTANTIATE_TEST_SUITE_P(Masks, MaskAgainstCpu, ::testing::ValuesIn(CpuCases()),
                         [](const auto& info) { return info.param.name; });

TEST(MaskGeometry, AnEllipseCentredOnATexelHasNoHole) {
  // The centre of texel (32, 30): both normalised radii vanish there.
  const auto settings = Masks({Track(FrameMask::kEllipse, FrameMask::kFillColour,
                                     At(32.5 / kWidth, 1.0 - 30.5 / kHeight, 0.3, 0.3, 0.5))});
  EXPECT_EQ(Testing::RunRegistered(settings, Picture()).At(32, 30), Background(settings));
}

// A thin bar turned 45 degrees clockwise as seen: its right end goes down.
TEST(MaskGeometry, TurnsClockwiseAsThePictureIsSeen) {
  const auto settings = Masks({Track(FrameMask::kRectangle, FrameMask::kFillColour,
                                     At(0.5, 0.5, 0.6, 0.05, 0.0, 1.0, 45.0))});
  const auto output =
      Testing::ToFrame(Testing::RunRegistered(settings, Picture()), Proc::PixFmt::RGBA);
  // Rows from the top: 20 pixels along the bar either way from the centre (48, 30).
  const Testing::Pixel fill{250, 20, 90, 200};
  EXPECT_EQ(Testing::PixelAt(*output, 62, 44), fill) << "below right of the centre";
  EXPECT_EQ(Testing::PixelAt(*output, 33, 15), fill) << "above left of the centre";
  EXPECT_NE(Testing::PixelAt(*output, 62, 15), fill) << "above right of the centre";
}

TEST(MaskFills, BlurAndPixelateFillWithTheEmbeddedEffectsPictures) {
  auto settings =
      Masks({Track(FrameMask::kEllipse, FrameMask::kFillBlur, At(0.3, 0.5, 0.4, 0.7, 0.6)),
             Track(FrameMask::kRectangle, FrameMask::kFillPixelate, At(0.75, 0.4, 0.3, 0.5, 0.0)),
             Track(FrameMask::kRectangle, FrameMask::kFillColour, At(0.5, 0.9, 0.9, 0.1, 0.2))});
  settings.SetBlurness(0.05);
  settings.SetPixelSize(0.2);
  const Image source = Picture();
  EffectGaussianBlur blur;
  Proc::SettingsEffectBlurGaussian blurSettings(settings.GetBlurness());
  blurSettings.SwitchFastImpl(true);
  blur.SetSettings(blurSettings);
  const Image blurred = Testing::RunDirect(blur, source, blur.CreateCache());
  EffectCensored pixelate;
  pixelate.SetSettings(Proc::SettingsEffectCensored(settings.GetPixelSize()));
  const Image pixelated = Testing::RunDirect(pixelate, source, nullptr);
  ASSERT_GT(Testing::MaxDifference(blurred, source).value, 20.0f);
  ASSERT_GT(Testing::MaxDifference(pixelated, source).value, 20.0f);
  ExpectMatchesCpu(settings, [&](int fill, int x, int y) {
    if (fill == FrameMask::kFillBlur) return blurred.At(x, y);
    if (fill == FrameMask::kFillPixelate) return pixelated.At(x, y);
    return Background(settings);
  });
}

TEST(MaskProgress, NoActiveMaskCopiesTheSource) {
  MaskTrack late = Track(FrameMask::kEllipse, FrameMask::kFillColour, At(0.5, 0.5, 0.6, 0.6, 0.5));
  late.start = 0.6;
  const auto settings = Masks({late});
  ASSERT_TRUE(settings.GetFrames(0.2).empty());
  const Image source = Picture();
  EXPECT_EQ(Testing::MaxDifference(Testing::RunRegistered(settings, source), source).value, 0.0f);
}

TEST(MaskProgress, MasksMoveWithTheHostsProgress) {
  MaskTrack moving =
      Track(FrameMask::kEllipse, FrameMask::kFillColour, At(0.2, 0.3, 0.3, 0.4, 0.4));
  moving.keyframes.push_back(At(0.8, 0.6, 0.4, 0.3, 0.1));
  moving.keyframes.back().progress = 1.0;
  const auto settings = Masks({moving});
  Ptr<Proc::IEffect> effect = Testing::MakeEffect(settings);
  effect->SetProgress(Proc::TimeToProgress([](std::int64_t) { return 0.5; }));
  const Image source = Picture();
  Ptr<Proc::IData> frame = Testing::Upload(Testing::ToFrame(source, Proc::PixFmt::RGBA));
  ExpectClose(Testing::ToImage(*Testing::Download(effect->ProcessData({frame}))),
              CpuMask(settings, source, 0.5));
}

std::size_t ProgramCount() {
  std::size_t count = 0;
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) { count = storage.ProgramCount(); });
  return count;
}

TEST(MaskProgram, IsNamedByTheShapesAndTheCombineModeAndBuiltOncePerName) {
  const Image source = Picture();
  const auto first = Masks(Shapes("0110100", 0.05));
  const auto moved = Masks(Shapes("0110100", 0.1));
  const auto otherShapes = Masks(Shapes("0110101", 0.05));
  const auto otherMode = Masks(Shapes("0110100", 0.05), 1);
  EXPECT_EQ(MaskProgramName(first.GetFrames(0.0), 0), "EffectMask_max_0110100");
  EXPECT_EQ(MaskProgramName(moved.GetFrames(0.0), 0), "EffectMask_max_0110100");
  EXPECT_EQ(MaskProgramName(otherShapes.GetFrames(0.0), 0), "EffectMask_max_0110101");
  EXPECT_EQ(MaskProgramName(otherMode.GetFrames(0.0), 1), "EffectMask_min_0110100");

  Testing::RunRegistered(first, source);
  const std::size_t built = ProgramCount();
  Testing::RunRegistered(moved, source);
  EXPECT_EQ(ProgramCount(), built) << "same shapes, same program";
  Testing::RunRegistered(otherShapes, source);
  EXPECT_EQ(ProgramCount(), built + 1) << "another shape, another program";
  // The intersection draws with another program, not the union's.
  ExpectMatchesCpu(otherMode);
  EXPECT_EQ(ProgramCount(), built + 2);
}

TEST(MaskCache, DirectCallsNeedTheEffectsCache) {
  EffectMask mask;
  EXPECT_EQ(
      Testing::MessageOf<std::logic_error>([&] { Testing::RunDirect(mask, Picture(), nullptr); }),
      "Wrong effect cache");
}

TEST(MaskCache, PreparedPicturesFollowTheFrameSize) {
  EffectMask mask;
  mask.SetSettings(
      Masks({Track(FrameMask::kEllipse, FrameMask::kFillBlur, At(0.5, 0.5, 0.5, 0.5, 0.3))}));
  Ptr<OglCache> cache = mask.CreateCache();
  const Image large = Picture();
  const Image small = Testing::MakeImage(40, 30, [](int x, int y) {
    return Texel{float(x * 6), float(y * 8), 128, 255};
  });
  for (const Image* input : {&large, &small, &large}) {
    const Image direct = Testing::RunDirect(mask, *input, cache);
    const Image fresh = Testing::RunDirect(mask, *input, mask.CreateCache());
    EXPECT_EQ(Testing::MaxDifference(direct, fresh).value, 0.0f) << input->width;
  }
}

}  // namespace
}  // namespace Obrisk::Ogl
