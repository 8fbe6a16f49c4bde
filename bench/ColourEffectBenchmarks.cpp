// The per-pixel colour effects at 1920x1080: frames per second on this
// machine's renderer, each frame timed to completion (the output is waited
// for). Beside them, where the build found FFmpeg, its nearest filters on the
// same picture in the same run.
#include <functional>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/settings/ColorSettings.h"

#ifdef QUENVARA_HAVE_FFMPEG
#include "FFmpegFilter.h"
#endif

namespace Obrisk {
namespace {

constexpr int kHdWidth = 1920;
constexpr int kHdHeight = 1080;

using SettingsMaker = std::function<std::unique_ptr<Proc::Settings>()>;

template <class S, class Configure>
SettingsMaker Make(Configure configure) {
  return [configure] {
    auto settings = std::make_unique<S>();
    configure(*settings);
    return settings;
  };
}

const Proc::ColorSpace kBT709{1, 1, 1, 0};

// The test picture, the same bytes for every contender: a byte pattern in
// every channel, tagged with `space` (the effects that work in BT.709
// convert other colour spaces on the way in and out).
Ptr<Proc::DataVideoMemory> Picture(const Proc::ColorSpace& space = kBT709) {
  auto frame = MakeRef<Proc::DataVideoMemory>(space, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{kHdWidth, kHdHeight, 1, 1});
  for (int y = 0; y < kHdHeight; ++y) {
    for (int x = 0; x < kHdWidth * 4; ++x) frame->Row(y)[x] = static_cast<std::uint8_t>(x ^ y);
  }
  return frame;
}

Ptr<Ogl::DataVideoOGL> Input(const Proc::ColorSpace& space) {
  auto data = Ogl::UploadFrame(Picture(space));
  Ogl::FinishFrame(data);
  return data;
}

void BM_ColourEffect(benchmark::State& state, const SettingsMaker& make,
                     const Proc::ColorSpace& space) {
  const auto settings = make();
  Bench::RunToFinishedFrames(state, *Bench::CreateEffect(*settings), Input(space));
}

const Proc::ColorSpace kSrgb{1, 13, 1, 0};

const SettingsMaker kInvert =
    Make<Proc::SettingsEffectInvert>([](auto& s) { s.SetIntensity(1.0f); });
// A warm, sepia-like mix.
const SettingsMaker kChannelMixer = Make<Proc::SettingsEffectChannelMixer>([](auto& s) {
  s.SetMatrix({0.393f, 0.769f, 0.189f, 0.349f, 0.686f, 0.168f, 0.272f, 0.534f, 0.131f});
});
const SettingsMaker kColorBalance = Make<Proc::SettingsEffectColorBalance>([](auto& s) {
  s.SetContrast(1.2);
  s.SetBrightness(0.05);
  s.SetSaturation(1.3);
  s.SetGamma(1.2);
  s.SetHue(30);
});
const SettingsMaker kColorCorrection = Make<Proc::SettingsEffectColorCorrection>([](auto& s) {
  s.SetExposure(0.2f);
  s.SetContrast(0.3f);
  s.SetHue(0.1f);
  s.SetSaturation(1.2f);
});
const SettingsMaker kPosterize = Make<Proc::SettingsEffectPosterize>([](auto& s) {
  s.SetLevels(6);
  s.SetIntensity(1.0f);
});
const SettingsMaker kRetro = Make<Proc::SettingsEffectRetroColors>(
    [](auto& s) { s.SetMode(Proc::SettingsEffectRetroColors::Retro); });
const SettingsMaker kSepia = Make<Proc::SettingsEffectRetroColors>(
    [](auto& s) { s.SetMode(Proc::SettingsEffectRetroColors::Sepia); });
const SettingsMaker kShiftLuma = Make<Proc::SettingsEffectShiftLuma>([](auto& s) {
  s.SetBlackShift(0.2f);
  s.SetWhiteShift(0.1f);
});
const SettingsMaker kShiftUV =
    Make<Proc::SettingsEffectShiftUV>([](auto& s) { s.SetShift(12, -8); });
const SettingsMaker kOpacity =
    Make<Proc::SettingsEffectOpacity>([](auto& s) { s.SetOpacity(0.5); });

#define QUENVARA_COLOUR_BENCHMARK(name, settings, space)    \
  BENCHMARK_CAPTURE(BM_ColourEffect, name, settings, space) \
      ->Unit(benchmark::kMillisecond)                       \
      ->UseRealTime()                                       \
      ->MinTime(1.0)

QUENVARA_COLOUR_BENCHMARK(Invert, kInvert, kBT709);
QUENVARA_COLOUR_BENCHMARK(ChannelMixer, kChannelMixer, kBT709);
QUENVARA_COLOUR_BENCHMARK(ColorBalance, kColorBalance, kBT709);
QUENVARA_COLOUR_BENCHMARK(ColorBalanceFromSrgb, kColorBalance, kSrgb);
QUENVARA_COLOUR_BENCHMARK(ColorCorrection, kColorCorrection, kBT709);
QUENVARA_COLOUR_BENCHMARK(Posterize, kPosterize, kBT709);
QUENVARA_COLOUR_BENCHMARK(RetroColorsRetro, kRetro, kBT709);
QUENVARA_COLOUR_BENCHMARK(RetroColorsSepia, kSepia, kBT709);
QUENVARA_COLOUR_BENCHMARK(ShiftLuma, kShiftLuma, kBT709);
QUENVARA_COLOUR_BENCHMARK(ShiftUV, kShiftUV, kBT709);
QUENVARA_COLOUR_BENCHMARK(Opacity, kOpacity, kBT709);

#ifdef QUENVARA_HAVE_FFMPEG

// FFmpeg's filter on the picture, handed over in `format`.
void BM_FFmpeg(benchmark::State& state, const std::string& filter, const std::string& format) {
  Bench::RunFFmpegFilter(state, filter, {Picture()}, format);
}

#define QUENVARA_FFMPEG_BENCHMARK(name, filter, format) \
  BENCHMARK_CAPTURE(BM_FFmpeg, name, filter, format)    \
      ->Unit(benchmark::kMillisecond)                   \
      ->UseRealTime()                                   \
      ->MinTime(1.0)

// Beside Invert.
QUENVARA_FFMPEG_BENCHMARK(negate, std::string("negate"), std::string("rgba"));
// Beside ChannelMixer, the same weights.
QUENVARA_FFMPEG_BENCHMARK(colorchannelmixer,
                          std::string("colorchannelmixer=rr=0.393:rg=0.769:rb=0.189:gr=0.349:"
                                      "gg=0.686:gb=0.168:br=0.272:bg=0.534:bb=0.131"),
                          std::string("rgba"));
// Beside ColorBalance: contrast, brightness, saturation and gamma on planar
// Y'CbCr (no hue).
QUENVARA_FFMPEG_BENCHMARK(eq,
                          std::string("eq=contrast=1.2:brightness=0.05:saturation=1.3:gamma=1.2"),
                          std::string("yuv444p"));
// Beside ColorCorrection's hue and saturation step (0.1 turn, 1.2).
QUENVARA_FFMPEG_BENCHMARK(hue, std::string("hue=h=36:s=1.2"), std::string("yuv444p"));
// Beside ShiftUV: a colour cast.
QUENVARA_FFMPEG_BENCHMARK(colorbalance, std::string("colorbalance=rm=0.05:bm=-0.03"),
                          std::string("rgba"));

#endif

}  // namespace
}  // namespace Obrisk
