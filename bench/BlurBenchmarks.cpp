// Blur benchmarks at 1920x1080: each GPU figure is the time to a finished
// frame (the output is waited for). Beside them, when the build found
// libavfilter, the comparable CPU filters on the same picture in the same run.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include <glog/logging.h>
#include "BenchSupport.h"

#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/settings/BlurSettings.h"

#ifdef QUENVARA_HAVE_LIBAVFILTER
extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}
#endif

namespace Obrisk {
namespace {

constexpr int kHdWidth = 1920;
constexpr int kHdHeight = 1080;

// The test picture: a smooth gradient with a fine pattern on it, the same
// bytes for every contender.
std::uint8_t Channel(int x, int y, int c) {
  return static_cast<std::uint8_t>((x * (c + 1) + y * (3 - c)) / 8 + ((x ^ y) & 31));
}

Ptr<Ogl::DataVideoOGL> UploadedFrame() {
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBX,
                                              Proc::FrameInfo{kHdWidth, kHdHeight, 1, 1});
  for (int y = 0; y < kHdHeight; ++y) {
    for (int x = 0; x < kHdWidth; ++x) {
      std::uint8_t* p = frame->Row(y) + static_cast<std::size_t>(x) * 4;
      for (int c = 0; c < 3; ++c) p[c] = Channel(x, y, c);
      p[3] = 255;
    }
  }
  return Ogl::UploadFrame(frame);
}

void RunFrames(benchmark::State& state, const Proc::Settings& settings) {
  Bench::RunToFinishedFrames(state, *Bench::CreateEffect(settings), UploadedFrame());
}

// Amount in thousandths of the longer side.
void BM_GaussianBlur(benchmark::State& state) {
  Proc::SettingsEffectBlurGaussian settings(static_cast<double>(state.range(0)) / 1000.0);
  settings.SwitchFastImpl(state.range(1) != 0);
  RunFrames(state, settings);
}
BENCHMARK(BM_GaussianBlur)
    ->ArgNames({"amount_milli", "fast"})
    ->ArgsProduct({{10, 50, 200}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

std::shared_ptr<const Proc::BgraImage> Disc() {
  constexpr int kSide = 64;
  auto image = std::make_shared<Proc::BgraImage>();
  image->width = kSide;
  image->height = kSide;
  image->pixels.resize(kSide * kSide * 4);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const int dx = 2 * x + 1 - kSide;
      const int dy = 2 * y + 1 - kSide;
      image->pixels[(y * kSide + x) * 4 + 2] = dx * dx + dy * dy < kSide * kSide ? 255 : 0;
    }
  }
  return image;
}

// Kernel size in thousandths of the shorter side.
void BM_BokehBlur(benchmark::State& state) {
  Proc::SettingsEffectBokehBlur settings;
  settings.SetImage(Disc());
  settings.SetSize(static_cast<double>(state.range(0)) / 1000.0);
  RunFrames(state, settings);
}
BENCHMARK(BM_BokehBlur)
    ->ArgName("size_milli")
    ->Arg(20)
    ->Arg(300)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// Patch and search window sizes.
void BM_DenoiseNLM(benchmark::State& state) {
  Proc::SettingsEffectDenoiseNLM settings;
  settings.SetPatchSize(static_cast<std::int32_t>(state.range(0)));
  settings.SetSearchWindowSize(static_cast<std::int32_t>(state.range(1)));
  RunFrames(state, settings);
}
BENCHMARK(BM_DenoiseNLM)
    ->ArgNames({"patch", "window"})
    ->Args({1, 3})
    ->Args({3, 7})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

#ifdef QUENVARA_HAVE_LIBAVFILTER

// One libavfilter graph: planar RGB frames of the test picture through `filter`.
class FilterGraph {
 public:
  explicit FilterGraph(const std::string& filter) {
    graph_ = avfilter_graph_alloc();
    const std::string source =
        "video_size=" + std::to_string(kHdWidth) + "x" + std::to_string(kHdHeight) +
        ":pix_fmt=" + std::to_string(AV_PIX_FMT_GBRP) + ":time_base=1/25:pixel_aspect=1/1";
    Check(avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "in",
                                       source.c_str(), nullptr, graph_));
    Check(avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr,
                                       nullptr, graph_));
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source_;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink_;
    Check(avfilter_graph_parse_ptr(graph_, filter.c_str(), &inputs, &outputs, nullptr));
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    Check(avfilter_graph_config(graph_, nullptr));
    frame_ = av_frame_alloc();
    frame_->format = AV_PIX_FMT_GBRP;
    frame_->width = kHdWidth;
    frame_->height = kHdHeight;
    Check(av_frame_get_buffer(frame_, 0));
    // GBRP planes: 0 green, 1 blue, 2 red.
    constexpr int kChannelOfPlane[3] = {1, 2, 0};
    for (int plane = 0; plane < 3; ++plane) {
      for (int y = 0; y < kHdHeight; ++y) {
        std::uint8_t* row =
            frame_->data[plane] + static_cast<std::ptrdiff_t>(y) * frame_->linesize[plane];
        for (int x = 0; x < kHdWidth; ++x) row[x] = Channel(x, y, kChannelOfPlane[plane]);
      }
    }
    output_ = av_frame_alloc();
  }
  ~FilterGraph() {
    av_frame_free(&frame_);
    av_frame_free(&output_);
    avfilter_graph_free(&graph_);
  }
  FilterGraph(const FilterGraph&) = delete;
  FilterGraph& operator=(const FilterGraph&) = delete;

  void Run() {
    frame_->pts = pts_++;
    Check(av_buffersrc_add_frame_flags(source_, frame_, AV_BUFFERSRC_FLAG_KEEP_REF));
    Check(av_buffersink_get_frame(sink_, output_));
    av_frame_unref(output_);
  }

 private:
  static void Check(int result) {
    if (result < 0) throw std::runtime_error("libavfilter error " + std::to_string(result));
  }

  AVFilterGraph* graph_ = nullptr;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVFrame* output_ = nullptr;
  std::int64_t pts_ = 0;
};

void RunFilter(benchmark::State& state, const std::string& filter) {
  FilterGraph graph(filter);
  for (auto _ : state) graph.Run();
  state.SetLabel(filter);
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The Gaussian's deviation in pixels at an amount: longer side x amount / 3
// taps, two pixels per tap.
int GaussianSigmaPixels(std::int64_t amountMilli) {
  return static_cast<int>(kHdWidth * amountMilli * 2 / 3000);
}

void BM_LibavGblur(benchmark::State& state) {
  RunFilter(state, "gblur=sigma=" + std::to_string(GaussianSigmaPixels(state.range(0))));
}
BENCHMARK(BM_LibavGblur)
    ->ArgName("amount_milli")
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// Box blur of the same radius as the Gaussian's deviation, applied twice.
void BM_LibavBoxblur(benchmark::State& state) {
  const std::string radius = std::to_string(GaussianSigmaPixels(state.range(0)));
  RunFilter(state, "boxblur=lr=" + radius + ":lp=2:cr=" + radius + ":cp=2");
}
BENCHMARK(BM_LibavBoxblur)
    ->ArgName("amount_milli")
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

void BM_LibavNlmeans(benchmark::State& state) {
  RunFilter(state,
            "nlmeans=p=" + std::to_string(state.range(0)) + ":r=" + std::to_string(state.range(1)));
}
BENCHMARK(BM_LibavNlmeans)
    ->ArgNames({"patch", "window"})
    ->Args({1, 3})
    ->Args({3, 7})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

#endif

}  // namespace
}  // namespace Obrisk
