#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"
#include "effects/blur/EffectCensored.h"
#include "effects/blur/EffectGaussianBlur.h"
#include "effects/mask/EffectMask.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/MaskSettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::FrameMask;
using Proc::MaskKeyframe;
using Proc::MaskTrack;
using Proc::SettingsEffectMask;
using Testing::Image;
using Texel = std::array<float, 4>;

constexpr int kWidth = 96;
constexpr int kHeight = 60;

// A smooth picture with alpha, so that mixing shows in every channel.
Image Picture() {
  return Testing::MakeImage(kWidth, kHeight, [](int x, int y) {
    return Texel{float(x * 255 / (kWidth - 1)), float(y * 255 / (kHeight - 1)),
                 float((x * 3 + y * 5) % 256), float(160 + (x + y) % 96)};
  });
}

MaskTrack Track(std::int32_t shape, std::int32_t fill, MaskKeyframe keyframe, bool frame = false) {
  MaskTrack track;
  track.shape = shape;
  track.fill = fill;
  track.frame = frame;
  track.keyframes = {keyframe};
  return track;
}

MaskKeyframe At(double x, double y, double width, double height, double feather,
                double opacity = 1.0, double rotation = 0.0) {
  MaskKeyframe keyframe;
  keyframe.centreX = x;
  keyframe.centreY = y;
  keyframe.width = width;
  keyframe.height = height;
  keyframe.feather = feather;
  keyframe.opacity = opacity;
  keyframe.rotation = rotation;
  return keyframe;
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
double CpuStatus(const FrameMask& mask, int x, int y, double aspect) {
  const auto& p = mask.GetPlacement();
  const double cu = p.centreX;
  const double cv = 1.0 - p.centreY;
  // The texel centre in pixels from the mask's centre (rows from the
  // bottom), turned back counter-clockwise, in fractions again.
  const double turn = p.rotation * std::numbers::pi / 180.0;
  const double px = (x + 0.5) - cu * kWidth;
  const double py = (y + 0.5) - cv * kHeight;
  const double u = cu + (px * std::cos(turn) - py * std::sin(turn)) / kWidth;
  const double v = cv + (px * std::sin(turn) + py * std::cos(turn)) / kHeight;
  const double band =
      mask.GetFillType() == FrameMask::kFillPixelate ? 0.0025 : mask.GetFeather() * 0.1 + 0.0025;
  if (mask.IsEllipse()) {
    const double ru = p.width / 2;
    const double rv = p.height / 2;
    const double du = u - cu;
    const double dv = v - cv;
    const double inner = std::hypot(du / ru, dv / rv);
    const double outer = std::hypot(du / (ru + band), dv / (rv + band * aspect));
    if (inner <= 1.0) return 0.0;
    return std::clamp((inner - 1.0) * outer / (inner - outer), 0.0, 1.0);
  }
  const double outsideU = std::max(cu - p.width / 2 - u, u - cu - p.width / 2);
  const double outsideV = std::max(cv - p.height / 2 - v, v - cv - p.height / 2);
  return std::clamp(std::max(outsideU, outsideV / aspect) / band, 0.0, 1.0);
}

// Status of every mask (after invert), combined, and the fill of the last
// mask whose status is the combined one; `fills` gives each fill type's texel.
Image CpuMask(const SettingsEffectMask& settings, const Image& source, double progress,
              const std::function<Texel(int fill, int x, int y)>& fills) {
  const double aspect = double(kWidth) / kHeight;
  const auto masks = settings.GetFrames(progress);
  const auto frameColour = settings.GetFrameColor();
  return Testing::MakeImage(kWidth, kHeight, [&](int x, int y) {
    std::vector<double> status;
    for (const FrameMask& mask : masks) {
      const double s = CpuStatus(mask, x, y, aspect);
      status.push_back(settings.GetInvert() != 0 ? s : 1.0 - s);
    }
    const double combined = settings.GetType() != 0
                                ? *std::min_element(status.begin(), status.end())
                                : *std::max_element(status.begin(), status.end());
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

Texel Background(const SettingsEffectMask& settings) {
  const auto c = settings.GetBackgroundColor();
  return {float(c[0]), float(c[1]), float(c[2]), float(c[3])};
}

// Counts texels inside (0), beyond (1) and within the band of the first mask.
struct Regions {
  int inside = 0;
  int band = 0;
  int outside = 0;
};

Regions CountRegions(const SettingsEffectMask& settings) {
  Regions regions;
  const FrameMask mask = settings.GetFrames(0.0).front();
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double s = CpuStatus(mask, x, y, double(kWidth) / kHeight);
      (s == 0.0 ? regions.inside : s == 1.0 ? regions.outside : regions.band)++;
    }
  }
  return regions;
}

void ExpectClose(const Image& output, const Image& expected, float tolerance) {
  const auto worst = Testing::MaxDifference(output, Testing::Quantised(expected));
  EXPECT_LE(worst.value, tolerance)
      << "at " << worst.x << "," << worst.y << " channel " << worst.channel << ": "
      << output.At(worst.x, worst.y)[worst.channel] << " against "
      << expected.At(worst.x, worst.y)[worst.channel];
}

// One shape with a colour fill: inside, across the band and outside, plain
// and inverted, with and without the edge line.
struct GeometryCase {
  std::int32_t shape;
  std::int32_t invert;
  bool frame;
  double rotation = 0.0;
};

class MaskGeometryTest : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(MaskGeometryTest, FollowsTheCpuGeometryInsideAcrossTheBandAndOutside) {
  const GeometryCase c = GetParam();
  const auto settings = Masks({Track(c.shape, FrameMask::kFillColour,
                                     At(0.45, 0.55, 0.5, 0.6, 1.0, 0.9, c.rotation), c.frame)},
                              0, c.invert);
  const Regions regions = CountRegions(settings);
  ASSERT_GT(regions.inside, 200);
  ASSERT_GT(regions.band, 200);
  ASSERT_GT(regions.outside, 200);
  const Image source = Picture();
  const Image output = Testing::RunRegistered(settings, source);
  const Texel background = Background(settings);
  ExpectClose(output, CpuMask(settings, source, 0.0, [&](int, int, int) { return background; }),
              1.0f);
}

INSTANTIATE_TEST_SUITE_P(Shapes, MaskGeometryTest,
                         ::testing::Values(GeometryCase{FrameMask::kRectangle, 0, false},
                                           GeometryCase{FrameMask::kEllipse, 0, false},
                                           GeometryCase{FrameMask::kRectangle, 1, false},
                                           GeometryCase{FrameMask::kEllipse, 1, false},
                                           GeometryCase{FrameMask::kRectangle, 0, true},
                                           GeometryCase{FrameMask::kEllipse, 1, true},
                                           GeometryCase{FrameMask::kRectangle, 0, false, 30.0},
                                           GeometryCase{FrameMask::kEllipse, 1, true, -70.0}),
                         [](const auto& info) {
                           const GeometryCase& c = info.param;
                           return std::string(c.shape == FrameMask::kEllipse ? "Ellipse"
                                                                             : "Rectangle") +
                                  (c.invert != 0 ? "Inverted" : "") + (c.frame ? "Framed" : "") +
                                  (c.rotation != 0.0 ? "Turned" : "");
                         });

TEST(MaskGeometry, AnEllipseCentredOnATexelHasNoHole) {
  // The centre of texel (32, 30): both normalised radii vanish there.
  const double x = 32.5 / kWidth;
  const double y = 1.0 - 30.5 / kHeight;
  const auto settings =
      Masks({Track(FrameMask::kEllipse, FrameMask::kFillColour, At(x, y, 0.3, 0.3, 0.5))});
  const Image output = Testing::RunRegistered(settings, Picture());
  const Texel fill = Background(settings);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(output.At(32, 30)[c], fill[c]) << "channel " << c;
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

// Blur and pixelate fills mix in the embedded effects' own pictures.
TEST(MaskFills, BlurAndPixelateFillWithTheEmbeddedEffectsPictures) {
  auto settings =
      Masks({Track(FrameMask::kEllipse, FrameMask::kFillBlur, At(0.3, 0.5, 0.4, 0.7, 0.6)),
             Track(FrameMask::kRectangle, FrameMask::kFillPixelate, At(0.75, 0.4, 0.3, 0.5, 0.0)),
             Track(FrameMask::kRectangle, FrameMask::kFillColour, At(0.5, 0.9, 0.9, 0.1, 0.2))});
  settings.SetBlurness(0.05);
  settings.SetPixelSize(0.2);
  const Image source = Picture();
  const Image output = Testing::RunRegistered(settings, source);

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

  const Texel background = Background(settings);
  ExpectClose(output,
              CpuMask(settings, source, 0.0,
                      [&](int fill, int x, int y) {
                        switch (fill) {
                          case FrameMask::kFillBlur:
                            return blurred.At(x, y);
                          case FrameMask::kFillPixelate:
                            return pixelated.At(x, y);
                          default:
                            return background;
                        }
                      }),
              1.0f);
}

// Several masks: the union (largest coverage) and the intersection.
class MaskCombineTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(MaskCombineTest, CombinesTheMasksByTheirLargestOrSmallestCoverage) {
  const auto settings =
      Masks({Track(FrameMask::kRectangle, FrameMask::kFillColour, At(0.4, 0.5, 0.5, 0.6, 0.3)),
             Track(FrameMask::kEllipse, FrameMask::kFillColour, At(0.6, 0.45, 0.5, 0.5, 0.8, 0.5))},
            GetParam());
  const Image source = Picture();
  const Texel background = Background(settings);
  ExpectClose(Testing::RunRegistered(settings, source),
              CpuMask(settings, source, 0.0, [&](int, int, int) { return background; }), 1.0f);
}

INSTANTIATE_TEST_SUITE_P(Types, MaskCombineTest, ::testing::Values(0, 1));

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
  MaskKeyframe end = At(0.8, 0.6, 0.4, 0.3, 0.1);
  end.progress = 1.0;
  moving.keyframes.push_back(end);
  const auto settings = Masks({moving});
  auto registry = Testing::MakeRegistry();
  Ptr<Proc::IEffect> effect = Testing::CreateEffect(*registry, settings.GetClassId());
  effect->SetSettingsObject(settings);
  effect->SetProgress(Proc::TimeToProgress([](std::int64_t) { return 0.5; }));
  const Image source = Picture();
  Ptr<Proc::IData> frame = Testing::Upload(Testing::ToFrame(source, Proc::PixFmt::RGBA));
  const Image output = Testing::ToImage(*Testing::Download(effect->ProcessData({frame})));
  const Texel background = Background(settings);
  ExpectClose(output, CpuMask(settings, source, 0.5, [&](int, int, int) { return background; }),
              1.0f);
}

// The generated program: named by the combine mode and the shapes in order,
// built once per name.
std::size_t ProgramCount() {
  std::size_t count = 0;
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) { count = storage.ProgramCount(); });
  return count;
}

std::vector<MaskTrack> Shapes(const std::string& kinds, double shift) {
  std::vector<MaskTrack> tracks;
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    tracks.push_back(Track(kinds[i] - '0', FrameMask::kFillColour,
                           At(0.1 * double(i) + shift, 0.5, 0.1, 0.2, 0.1)));
  }
  return tracks;
}

TEST(MaskProgram, IsNamedByTheShapesAndTheCombineModeAndBuiltOncePerName) {
  const Image source = Picture();
  const auto first = Masks(Shapes("0110100", 0.05));
  const auto moved = Masks(Shapes("0110100", 0.1));
  const auto otherShapes = Masks(Shapes("0110101", 0.05));
  const auto otherMode = Masks(Shapes("0110100", 0.05), 1);
  const std::string name = MaskProgramName(first.GetFrames(0.0), 0);
  EXPECT_EQ(name, "EffectMask_max_0110100");
  EXPECT_EQ(MaskProgramName(moved.GetFrames(0.0), 0), name);
  EXPECT_EQ(MaskProgramName(otherShapes.GetFrames(0.0), 0), "EffectMask_max_0110101");
  EXPECT_EQ(MaskProgramName(otherMode.GetFrames(0.0), 1), "EffectMask_min_0110100");

  Testing::RunRegistered(first, source);
  const std::size_t built = ProgramCount();
  Testing::RunRegistered(moved, source);
  EXPECT_EQ(ProgramCount(), built) << "same shapes, same program";
  Testing::RunRegistered(otherShapes, source);
  EXPECT_EQ(ProgramCount(), built + 1) << "another shape, another program";
  // The intersection draws with another program, not the union's.
  const Texel background = Background(otherMode);
  ExpectClose(Testing::RunRegistered(otherMode, source),
              CpuMask(otherMode, source, 0.0, [&](int, int, int) { return background; }), 1.0f);
  EXPECT_EQ(ProgramCount(), built + 2);
}

TEST(MaskProgram, TenMasksBuildAndDraw) {
  const auto settings = Masks(Shapes("0101010110", 0.03));
  const Image source = Picture();
  const Texel background = Background(settings);
  ExpectClose(Testing::RunRegistered(settings, source),
              CpuMask(settings, source, 0.0, [&](int, int, int) { return background; }), 1.0f);
}

TEST(MaskCache, DirectCallsNeedTheEffectsCache) {
  EffectMask mask;
  try {
    Testing::RunDirect(mask, Picture(), nullptr);
    ADD_FAILURE() << "no cache was accepted";
  } catch (const std::logic_error& error) {
    EXPECT_STREQ(error.what(), "Wrong effect cache");
  }
}

TEST(MaskCache, PreparedPicturesFollowTheFrameSize) {
  auto settings =
      Masks({Track(FrameMask::kEllipse, FrameMask::kFillBlur, At(0.5, 0.5, 0.5, 0.5, 0.3))});
  EffectMask mask;
  mask.SetSettings(settings);
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
