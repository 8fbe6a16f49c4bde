#include <algorithm>
#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

#include "effects/mask/EffectAlphaEnvelope.h"
#include "obrisk/host/Exception.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/MaskSettings.h"
#include "support/GpuTestSupport.h"
#include "support/ImageTestSupport.h"
#include "support/Messages.h"

namespace Obrisk::Ogl {
namespace {

using Testing::Image;
using Testing::Near;
using Testing::Texel;

// Every channel in steps, alpha included, so that scaling shows everywhere.
Image Ramp(int width, int height) {
  return Testing::MakeImage(width, height, [&](int x, int y) {
    return Texel{float(x * 255 / (width - 1)), float(y * 255 / (height - 1)),
                 float((x * 7 + y * 13) % 256), float(255 - (x * 255 / (width - 1)))};
  });
}

// ProcessGpu of `algorithm` at `progress`, straight on the OpenGL thread, into
// a target of `targetFormat` (as an algorithm that embeds another calls it).
Image RunAt(IOneInputEffectAlgorithm& algorithm, const Image& input, double progress,
            Proc::PixFmt sourceFormat, Proc::PixFmt targetFormat) {
  return Testing::RunAt(algorithm, input, 0.0, progress, nullptr, sourceFormat, targetFormat);
}

// Channels `scaled` multiplied by `factor`, the others kept.
Image Scaled(const Image& input, double factor, std::initializer_list<int> scaled) {
  Image out = input;
  for (auto& texel : out.texels) {
    for (int c : scaled) texel[c] = static_cast<float>(texel[c] * factor);
  }
  return Testing::Quantised(out);
}

// Alpha envelope: with alpha in the target the alpha is scaled by the
// progress; without, the colour is (a fade from black).
class AlphaEnvelopeTest : public ::testing::TestWithParam<double> {};

TEST_P(AlphaEnvelopeTest, ScalesTheAlphaOfAlphaTargets) {
  const double progress = GetParam();
  EffectAlphaEnvelope envelope;
  const Image input = Ramp(24, 10);
  const Image output = RunAt(envelope, input, progress, Proc::PixFmt::RGBA, Proc::PixFmt::RGBA);
  EXPECT_TRUE(Near(output, Scaled(input, progress, {3}), 1.0f));
}

TEST_P(AlphaEnvelopeTest, ScalesTheColourOfOpaqueTargets) {
  const double progress = GetParam();
  EffectAlphaEnvelope envelope;
  const Image input = Testing::MakeImage(24, 10, [](int x, int y) {
    return Texel{float(x * 10), float(y * 25), float((x * y) % 256), 255};
  });
  const Image output = RunAt(envelope, input, progress, Proc::PixFmt::RGBX, Proc::PixFmt::RGBX);
  EXPECT_TRUE(Near(output, Scaled(input, progress, {0, 1, 2}), 1.0f));
}

INSTANTIATE_TEST_SUITE_P(Progress, AlphaEnvelopeTest, ::testing::Values(0.0, 0.25, 0.5, 1.0));

TEST(AlphaEnvelope, ProgressOutsideZeroToOneIsHeldAtTheEnds) {
  EffectAlphaEnvelope envelope;
  const Image input = Ramp(8, 4);
  EXPECT_TRUE(Near(RunAt(envelope, input, 1.5, Proc::PixFmt::RGBA, Proc::PixFmt::RGBA), input));
  EXPECT_TRUE(Near(RunAt(envelope, input, -0.5, Proc::PixFmt::RGBA, Proc::PixFmt::RGBA),
                   Scaled(input, 0.0, {3})));
}

// A planar source fades as the picture its planes make, not as its luma plane.
TEST(AlphaEnvelope, FadesPlanarSourcesAsTheirRgbaPicture) {
  constexpr int kSide = 8;
  const Proc::FrameInfo info{kSide, kSide, 1, 1};
  const Proc::ColorSpace space{1, 1, 1, 0};
  auto source = DataVideoOGL::Create(space, Proc::PixFmt::YUVA444P, info);
  std::vector<std::uint8_t> converted(kSide * kSide * 4);
  std::vector<std::uint8_t> faded(kSide * kSide * 4);
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    Frame& frame = *source->FrameData();
    frame.Allocate(space, Proc::PixFmt::YUVA444P, info);
    YUVTextures planes = frame.Planes();
    for (int plane = 0; plane < planes.PlaneCount(); ++plane) {
      std::vector<std::uint8_t> values(kSide * kSide);
      for (int i = 0; i < kSide * kSide; ++i) values[i] = std::uint8_t(40 + plane * 50 + i * 2);
      planes.Plane(plane).Update(0, values.data());
    }
    frame.ConvertToRGBA(storage)->GetFirstTexture().Download(0, converted.data(), storage.FBO());
    EffectAlphaEnvelope envelope;
    Ptr<Frame> target = Frame::CreateIntermediate(space, Proc::kPixFmtAlpha, info);
    envelope.ProcessGpu(target, source, 0.0, 0.5, storage, nullptr);
    target->GetFirstTexture().Download(0, faded.data(), storage.FBO());
  });
  for (std::size_t i = 0; i < converted.size(); ++i) {
    const double expected = i % 4 == 3 ? converted[i] * 0.5 : converted[i];
    EXPECT_NEAR(faded[i], expected, 1.0) << "byte " << i;
  }
}

TEST(AlphaEnvelope, RunsThroughItsWrapperAtTheHostsProgress) {
  Ptr<Proc::IEffect> effect = Testing::MakeEffect("SettingsEffectVideoAlphaEnvelope");
  effect->SetProgress(Proc::TimeToProgress([](std::int64_t) { return 0.5; }));
  const Image input = Ramp(16, 8);
  Ptr<Proc::IData> frame = Testing::Upload(Testing::ToFrame(input, Proc::PixFmt::RGBA));
  const Image output = Testing::ToImage(*Testing::Download(effect->ProcessData({frame})));
  EXPECT_LE(Testing::MaxDifference(output, Scaled(input, 0.5, {3})).value, 1.0f);
}

// Alpha channel modifier: alpha x clamp((2v)^power x multiplier), v the
// triangle over the progress that peaks at 0.5.
struct ModifierCase {
  double progress;
  double power;
  double multiplier;
};

double CpuAlphaScale(const ModifierCase& c) {
  const double v = c.progress < 0.5 ? c.progress : std::fabs(c.progress - 1.0);
  return std::clamp(std::pow(2.0 * v, c.power) * c.multiplier, 0.0, 1.0);
}

Image RunRegisteredAt(const Proc::Settings& settings, const Image& input, Proc::PixFmt format,
                      double progress, Proc::PixFmt* outputFormat = nullptr) {
  Ptr<Proc::IEffect> effect = Testing::MakeEffect(settings);
  effect->SetProgress(Proc::TimeToProgress([progress](std::int64_t) { return progress; }));
  Ptr<Proc::IData> frame = Testing::Upload(Testing::ToFrame(input, format));
  Ptr<Proc::IData> output = effect->ProcessData({frame});
  if (outputFormat != nullptr) {
    *outputFormat = dynamic_cast<Proc::IDataVideo&>(*output).GetPixelFormat();
  }
  return Testing::ToImage(*Testing::Download(output));
}

class AlphaModifierTest : public ::testing::TestWithParam<ModifierCase> {};

TEST_P(AlphaModifierTest, ScalesTheAlphaByTheTriangleOfTheProgress) {
  const ModifierCase c = GetParam();
  Proc::SettingsEffectAlphaChannelModifier settings;
  settings.SetPowerScale(c.power);
  settings.SetAdditionalMultiplier(c.multiplier);
  const Image input = Ramp(20, 8);
  const Image output = RunRegisteredAt(settings, input, Proc::PixFmt::RGBA, c.progress);
  EXPECT_TRUE(Near(output, Scaled(input, CpuAlphaScale(c), {3}), 1.0f));
}

INSTANTIATE_TEST_SUITE_P(Cases, AlphaModifierTest,
                         ::testing::Values(ModifierCase{0.0, 1.0, 1.0}, ModifierCase{1.0, 2.0, 1.0},
                                           ModifierCase{0.5, 1.0, 0.6}, ModifierCase{0.5, 3.0, 4.0},
                                           ModifierCase{0.25, 1.0, 1.0},
                                           ModifierCase{0.8, 2.0, 1.5},
                                           ModifierCase{0.3, 0.0, 0.7}));

TEST(AlphaModifier, GivesOpaqueSourcesAnAlphaOutput) {
  Proc::SettingsEffectAlphaChannelModifier settings;
  const Image input = Testing::MakeImage(8, 4, [](int x, int y) {
    return Texel{float(x * 30), float(y * 60), 90, 255};
  });
  Proc::PixFmt format = Proc::PixFmt::RGBX;
  const Image output = RunRegisteredAt(settings, input, Proc::PixFmt::RGBX, 0.25, &format);
  EXPECT_EQ(format, Proc::kPixFmtAlpha);
  EXPECT_LE(Testing::MaxDifference(output, Scaled(input, 0.5, {3})).value, 1.0f);

  auto effect = Testing::MakeEffect(settings.GetClassId());
  auto codec = MakeRef<Proc::FormatCodecVideo>(Proc::PixFmt::RGBX, Proc::ColorSpace{},
                                               Proc::FrameInfo{8, 4, 1, 1});
  dynamic_cast<Proc::IOneInputEffectVideo&>(*effect).UpdateFormatCodecVideo(codec);
  EXPECT_EQ(codec->GetPixelFormat(), Proc::kPixFmtAlpha);
  EXPECT_TRUE(codec->GetAlphaFlag());
}

// Alpha inserter: the first input's colour, its alpha times the second's
// mean of red, green and blue.
TEST(AlphaInserter, TakesTheSecondInputsBrightnessAsAlphaAndKeepsTheFirstsColour) {
  const Image frame = Ramp(32, 8);
  const Image alphaSource = Testing::MakeImage(32, 8, [](int x, int y) {
    // Black, white and levels between, with unequal channels.
    if (x == 0) return Texel{0, 0, 0, 255};
    if (x == 1) return Texel{255, 255, 255, 0};
    return Texel{float(x * 8), float(y * 30), float((x * y * 5) % 256), 100};
  });
  Ptr<Proc::IEffect> effect = Testing::MakeEffect("SettingsEffectAlphaInserter");
  Ptr<Proc::IData> first = Testing::Upload(Testing::ToFrame(frame, Proc::PixFmt::RGBA));
  Ptr<Proc::IData> second = Testing::Upload(Testing::ToFrame(alphaSource, Proc::PixFmt::RGBA));
  dynamic_cast<Proc::ITwoInputEffectVideo&>(*effect).ProcessData(first, second);
  const Image output = Testing::ToImage(*Testing::Download(first));
  const Image expected = Testing::Quantised(Testing::MakeImage(32, 8, [&](int x, int y) {
    const Texel& s = alphaSource.At(x, y);
    Texel t = frame.At(x, y);
    t[3] *= std::clamp((s[0] + s[1] + s[2]) / 3.0f / 255.0f, 0.0f, 1.0f);
    return t;
  }));
  EXPECT_TRUE(Near(output, expected, 1.0f));

  auto codec = MakeRef<Proc::FormatCodecVideo>(Proc::PixFmt::RGBX, Proc::ColorSpace{},
                                               Proc::FrameInfo{8, 4, 1, 1});
  dynamic_cast<Proc::ITwoInputEffectVideo&>(*effect).UpdateFormatCodecVideo(codec);
  EXPECT_EQ(codec->GetPixelFormat(), Proc::kPixFmtAlpha);
  EXPECT_TRUE(codec->GetAlphaFlag());
}

// Masked mix: per channel, the premultiplied left and right mixed by the mask.
std::vector<Ptr<Proc::IData>> Uploaded(const std::vector<Image>& images) {
  std::vector<Ptr<Proc::IData>> frames;
  for (const Image& image : images) {
    frames.push_back(Testing::Upload(Testing::ToFrame(image, Proc::PixFmt::RGBA)));
  }
  return frames;
}

TEST(MaskedMix, PicksEachChannelByTheMasksValue) {
  const Image left = Ramp(24, 6);
  const Image right = Testing::MakeImage(24, 6, [](int x, int y) {
    return Texel{float(255 - x * 10), float(40 + y * 20), 200, float(128 + x * 5)};
  });
  const Image mask = Testing::MakeImage(24, 6, [](int x, int y) {
    // Pure black and white columns, then levels between, different per channel.
    if (x < 3) return Texel{0, 0, 0, 255};
    if (x < 6) return Texel{255, 255, 255, 255};
    return Texel{float(x * 10), float(y * 50), float(255 - x * 10), 17};
  });
  Ptr<Proc::IEffect> effect = Testing::MakeEffect("SettingsEffectMaskedMix");
  const Image output =
      Testing::ToImage(*Testing::Download(effect->ProcessData(Uploaded({left, right, mask}))));
  const Image expected = Testing::Quantised(Testing::MakeImage(24, 6, [&](int x, int y) {
    const Texel& l = left.At(x, y);
    const Texel& r = right.At(x, y);
    const Texel& m = mask.At(x, y);
    Texel t{0, 0, 0, 255};
    for (int c = 0; c < 3; ++c) {
      const float a = l[c] * l[3] / 255.0f;
      const float b = r[c] * r[3] / 255.0f;
      t[c] = a + (b - a) * m[c] / 255.0f;
    }
    return t;
  }));
  EXPECT_TRUE(Near(output, expected, 1.0f));
}

TEST(MaskedMix, RaisesForAnyCountButThree) {
  Ptr<Proc::IEffect> effect = Testing::MakeEffect("SettingsEffectMaskedMix");
  const Image picture = Ramp(8, 4);
  for (std::size_t count : {1u, 2u, 4u}) {
    EXPECT_EQ(Testing::MessageOf<EffectException>(
                  [&] { effect->ProcessData(Uploaded(std::vector<Image>(count, picture))); }),
              "Expecting three input frames")
        << count << " inputs";
  }
}

}  // namespace
}  // namespace Obrisk::Ogl
