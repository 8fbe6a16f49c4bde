#include <algorithm>
#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

#include "blur/BlurTestSupport.h"
#include "effects/mask/EffectAlphaEnvelope.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/MaskSettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

using Testing::Image;
using Texel = std::array<float, 4>;

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
  auto source = Testing::Upload(Testing::ToFrame(input, sourceFormat));
  source->Wait();
  std::vector<std::uint8_t> bottomFirst(input.texels.size() * 4);
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    Ptr<Frame> target = Frame::CreateIntermediate({}, targetFormat, source->GetFrameInfo());
    algorithm.ProcessGpu(target, source, 0.0, progress, storage, nullptr);
    target->GetFirstTexture().Download(0, bottomFirst.data(), storage.FBO());
  });
  return Testing::MakeImage(input.width, input.height, [&](int x, int y) {
    const std::uint8_t* p =
        bottomFirst.data() + (static_cast<std::size_t>(y) * input.width + x) * 4;
    return Texel{float(p[0]), float(p[1]), float(p[2]), float(p[3])};
  });
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
  const auto worst = Testing::MaxDifference(output, Scaled(input, progress, {3}));
  EXPECT_LE(worst.value, 1.0f) << "at " << worst.x << "," << worst.y << " channel "
                               << worst.channel;
}

TEST_P(AlphaEnvelopeTest, ScalesTheColourOfOpaqueTargets) {
  const double progress = GetParam();
  EffectAlphaEnvelope envelope;
  const Image input = Testing::MakeImage(24, 10, [](int x, int y) {
    return Texel{float(x * 10), float(y * 25), float((x * y) % 256), 255};
  });
  const Image output = RunAt(envelope, input, progress, Proc::PixFmt::RGBX, Proc::PixFmt::RGBX);
  const auto worst = Testing::MaxDifference(output, Scaled(input, progress, {0, 1, 2}));
  EXPECT_LE(worst.value, 1.0f) << "at " << worst.x << "," << worst.y << " channel "
                               << worst.channel;
}

INSTANTIATE_TEST_SUITE_P(Progress, AlphaEnvelopeTest, ::testing::Values(0.0, 0.25, 0.5, 1.0));

TEST(AlphaEnvelope, ProgressOutsideZeroToOneIsHeldAtTheEnds) {
  EffectAlphaEnvelope envelope;
  const Image input = Ramp(8, 4);
  EXPECT_EQ(Testing::MaxDifference(
                RunAt(envelope, input, 1.5, Proc::PixFmt::RGBA, Proc::PixFmt::RGBA), input)
                .value,
            0.0f);
  EXPECT_EQ(
      Testing::MaxDifference(RunAt(envelope, input, -0.5, Proc::PixFmt::RGBA, Proc::PixFmt::RGBA),
                             Scaled(input, 0.0, {3}))
          .value,
      0.0f);
}

TEST(AlphaEnvelope, RunsThroughItsWrapperAtTheHostsProgress) {
  auto registry = Testing::MakeRegistry();
  Ptr<Proc::IEffect> effect = Testing::CreateEffect(*registry, "SettingsEffectVideoAlphaEnvelope");
  effect->SetProgress(Proc::TimeToProgress([](std::int64_t) { return 0.5; }));
  const Image input = Ramp(16, 8);
  Ptr<Proc::IData> frame = Testing::Upload(Testing::ToFrame(input, Proc::PixFmt::RGBA));
  const Image output = Testing::ToImage(*Testing::Download(effect->ProcessData({frame})));
  EXPECT_LE(Testing::MaxDifference(output, Scaled(input, 0.5, {3})).value, 1.0f);
}

}  // namespace
}  // namespace Obrisk::Ogl
