// The colour tools, tone curves and a 33-point 3-D LUT at 1920x1080, each
// frame timed to completion; beside them, where the build found FFmpeg, its
// nearest filters on the same picture in the same run (lut3d reads the same
// .cube file).
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include "obrisk/effectcommon/ColorTables.h"
#include "obrisk/settings/ColorToolSettings.h"

#ifdef QUENVARA_HAVE_FFMPEG
#include "FFmpegFilter.h"
#endif

namespace Obrisk {
namespace {

constexpr int kHdWidth = 1920;
constexpr int kHdHeight = 1080;
constexpr int kLutEdge = 33;

Ptr<Proc::DataVideoMemory> Picture() {
  static const auto picture = Bench::MakePicture(kHdWidth, kHdHeight, [](int x, int y, int c) {
    return static_cast<std::uint8_t>((x * (c + 1) + y * (3 - c)) & 0xff);
  });
  return picture;
}

// A 33-point look (a gentle warm S-curve with crossed channels) as a .cube
// file, written once for both contenders.
const std::string& LutPath() {
  static const std::string path = [] {
    Proc::LUT::LUTTable table = Proc::LUT::Identity(kLutEdge);
    for (std::size_t i = 0; i < table.values.size(); i += 3) {
      const float r = table.values[i], g = table.values[i + 1], b = table.values[i + 2];
      table.values[i] = 0.5f - 0.5f * std::cos(3.14159265f * (0.9f * r + 0.1f * g));
      table.values[i + 1] = 0.8f * g + 0.2f * b * b;
      table.values[i + 2] = std::sqrt(0.7f * b + 0.3f * r * g);
    }
    const auto file = std::filesystem::temp_directory_path() / "quenvara_bench_look.cube";
    std::ofstream(file) << Proc::LUT::WriteCube(table);
    return file.string();
  }();
  return path;
}

using SettingsMaker = std::function<std::unique_ptr<Proc::Settings>()>;

template <class S, class Configure>
SettingsMaker Make(Configure configure) {
  return [configure] {
    auto settings = std::make_unique<S>();
    configure(*settings);
    return settings;
  };
}

void BM_ColourTool(benchmark::State& state, const SettingsMaker& make) {
  Bench::RunToFinishedFrames(state, *make(), Picture());
}

const SettingsMaker kLutTetrahedral = Make<Proc::SettingsEffectLUT>([](auto& s) {
  s.SetLut(LutPath());
  s.SetInterpolationType(Proc::SettingsEffectLUT::kTetrahedral);
});
const SettingsMaker kLutTrilinear = Make<Proc::SettingsEffectLUT>([](auto& s) {
  s.SetLut(LutPath());
  s.SetInterpolationType(Proc::SettingsEffectLUT::kTrilinear);
});
const SettingsMaker kCurves = Make<Proc::SettingsEffectColorCurves>([](auto& s) {
  s.SetCurve(Proc::SettingsEffectColorCurves::kRgb, "0,0 0.25,0.16 0.75,0.86 1,1");
});
const SettingsMaker kHueSaturation = Make<Proc::SettingsEffectGIMPHueSaturation>(
    [](auto& s) { s.SetRange(Proc::SettingsEffectGIMPHueSaturation::kMaster, 30, 20, 0); });
const SettingsMaker kTemperature = Make<Proc::SettingsEffectGIMPColorTemperature>([](auto& s) {
  s.SetOriginalTemperature(6500);
  s.SetIntendedTemperature(4000);
});
const SettingsMaker kColorize =
    Make<Proc::SettingsEffectGIMPColorize>([](auto& s) { s.SetHsl(30.0f / 360.0f, 0.5f, 0.0f); });
const SettingsMaker kBalanceChroma = Make<Proc::SettingsEffectGIMPBalanceChroma>([](auto& s) {
  s.SetShadows({-20, 0, 30});
  s.SetMidtones({10, 0, -10});
  s.SetHighlights({30, 10, 0});
  s.SetPreserveLuminosity(true);
});
const SettingsMaker kShadowsHighlights =
    Make<Proc::SettingsEffectGIMPShadowsHightlights>([](auto&) {});

#define QUENVARA_COLOUR_TOOL_BENCHMARK(name, settings) \
  BENCHMARK_CAPTURE(BM_ColourTool, name, settings)     \
      ->Unit(benchmark::kMillisecond)                  \
      ->UseRealTime()                                  \
      ->MinTime(1.0)

QUENVARA_COLOUR_TOOL_BENCHMARK(LutTetrahedral33, kLutTetrahedral);
QUENVARA_COLOUR_TOOL_BENCHMARK(LutTrilinear33, kLutTrilinear);
QUENVARA_COLOUR_TOOL_BENCHMARK(Curves, kCurves);
QUENVARA_COLOUR_TOOL_BENCHMARK(HueSaturation, kHueSaturation);
QUENVARA_COLOUR_TOOL_BENCHMARK(ColorTemperature, kTemperature);
QUENVARA_COLOUR_TOOL_BENCHMARK(Colorize, kColorize);
QUENVARA_COLOUR_TOOL_BENCHMARK(BalanceChroma, kBalanceChroma);
QUENVARA_COLOUR_TOOL_BENCHMARK(ShadowsHighlights, kShadowsHighlights);

#ifdef QUENVARA_HAVE_FFMPEG

void BM_FFmpeg(benchmark::State& state, const std::function<std::string()>& filter,
               const std::string& format) {
  Bench::RunFFmpegFilter(state, filter(), {Picture()}, format);
}

#define QUENVARA_FFMPEG_BENCHMARK(name, filter, format)                            \
  BENCHMARK_CAPTURE(BM_FFmpeg, name, std::function<std::string()>(filter), format) \
      ->Unit(benchmark::kMillisecond)                                              \
      ->UseRealTime()                                                              \
      ->MinTime(1.0)

// Beside LutTetrahedral33 and LutTrilinear33: the same file.
QUENVARA_FFMPEG_BENCHMARK(
    lut3d_tetrahedral, [] { return "lut3d=file=" + LutPath() + ":interp=tetrahedral"; },
    std::string("rgba"));
QUENVARA_FFMPEG_BENCHMARK(
    lut3d_trilinear, [] { return "lut3d=file=" + LutPath() + ":interp=trilinear"; },
    std::string("rgba"));
// Beside Curves: the same control points.
QUENVARA_FFMPEG_BENCHMARK(
    curves, [] { return std::string("curves=all='0/0 0.25/0.16 0.75/0.86 1/1'"); },
    std::string("rgba"));
// Beside HueSaturation: a 30 degree turn, saturation 1.2.
QUENVARA_FFMPEG_BENCHMARK(
    hue, [] { return std::string("hue=h=30:s=1.2"); }, std::string("yuv444p"));
// Beside ColorTemperature: to 4000 K.
QUENVARA_FFMPEG_BENCHMARK(
    colortemperature, [] { return std::string("colortemperature=temperature=4000"); },
    std::string("rgba"));
// Beside Colorize: hue 30 degrees, saturation 0.5.
QUENVARA_FFMPEG_BENCHMARK(
    colorize, [] { return std::string("colorize=hue=30:saturation=0.5:lightness=0.5"); },
    std::string("rgba"));
// Beside BalanceChroma: the same shifts, lightness preserved.
QUENVARA_FFMPEG_BENCHMARK(
    colorbalance,
    [] { return std::string("colorbalance=rs=-0.2:bs=0.3:rm=0.1:bm=-0.1:rh=0.3:gh=0.1:pl=1"); },
    std::string("rgba"));

#endif

}  // namespace
}  // namespace Obrisk
