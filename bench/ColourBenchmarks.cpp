// Resizing and colour conversion: frames per second of the GPU stages on
// this machine's renderer, beside the CPU scaler and filter graph of FFmpeg
// on the same pictures. Each GPU frame is timed to completion (the output is
// waited for).
#include <cstring>
#include <stdexcept>
#include <string>

#include <benchmark/benchmark.h>

#include <glog/logging.h>
#include "BenchSupport.h"

#include "FFmpegFilter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/Gl.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/settings/ServiceSettings.h"

namespace Obrisk {
namespace {

constexpr int kHdWidth = 1920;
constexpr int kHdHeight = 1080;
constexpr int kHd720Width = 1280;
constexpr int kHd720Height = 720;
constexpr int kUhdWidth = 3840;
constexpr int kUhdHeight = 2160;
const Proc::ColorSpace kBT2020Pq{9, 16, 9, 0};
const Proc::ColorSpace kBT709Sdr{1, 1, 1, 0};

// A picture with gradients and detail in every channel, rows from the top.
Ptr<Proc::DataVideoMemory> TestPicture(int width, int height, const Proc::ColorSpace& space) {
  auto frame = MakeRef<Proc::DataVideoMemory>(space, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{width, height, 1, 1});
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = frame->Row(y);
    for (int x = 0; x < width; ++x) {
      row[4 * x] = static_cast<std::uint8_t>(x * 255 / width);
      row[4 * x + 1] = static_cast<std::uint8_t>(y * 255 / height);
      row[4 * x + 2] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
      row[4 * x + 3] = 255;
    }
  }
  return frame;
}

void BM_GpuLanczos1080pTo720p(benchmark::State& state) {
  Proc::SettingsResizer settings;
  settings.SetOutputSize(kHd720Width, kHd720Height);
  settings.SetPlacement(Proc::ResizePlacement::Stretch);
  settings.SetMethod(Proc::ResizeMethods::Lanczos);
  Ptr<Proc::IEffect> resizer = Bench::CreateEffect(Proc::SettingsResizer::CLASS_ID);
  resizer->SetSettingsObject(settings);
  Bench::RunToFinishedFrames(state, *resizer,
                             Ogl::UploadFrame(TestPicture(kHdWidth, kHdHeight, kBT709Sdr)));
  state.SetLabel(Ogl::OglManager::GetInstance().Renderer());
}
// Software renderers take seconds per frame here: a fixed count keeps the run short.
BENCHMARK(BM_GpuLanczos1080pTo720p)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_GpuPqToSdr2160p(benchmark::State& state) {
  Proc::SettingsColorSpaceConverter settings;
  settings.SetDestinationColorSpace(kBT709Sdr);
  Property toneMapping;
  toneMapping.SetChild("toneMapping", true);
  settings.Deserialize(toneMapping);
  Ptr<Proc::IEffect> converter = Bench::CreateEffect(Proc::SettingsColorSpaceConverter::CLASS_ID);
  converter->SetSettingsObject(settings);
  Bench::RunToFinishedFrames(state, *converter,
                             Ogl::UploadFrame(TestPicture(kUhdWidth, kUhdHeight, kBT2020Pq)));
}
BENCHMARK(BM_GpuPqToSdr2160p)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// An AVFrame holding the test picture.
AVFrame* PictureFrame(int width, int height) {
  AVFrame* frame = av_frame_alloc();
  frame->width = width;
  frame->height = height;
  frame->format = AV_PIX_FMT_RGBA;
  if (av_frame_get_buffer(frame, 0) < 0) throw std::runtime_error("av_frame_get_buffer");
  auto picture = TestPicture(width, height, kBT709Sdr);
  for (int y = 0; y < height; ++y) {
    std::memcpy(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0],
                picture->Row(y), picture->Stride());
  }
  return frame;
}

void BM_SwscaleLanczos1080pTo720p(benchmark::State& state) {
  SwsContext* context =
      sws_getContext(kHdWidth, kHdHeight, AV_PIX_FMT_RGBA, kHd720Width, kHd720Height,
                     AV_PIX_FMT_RGBA, SWS_LANCZOS, nullptr, nullptr, nullptr);
  AVFrame* source = PictureFrame(kHdWidth, kHdHeight);
  AVFrame* target = av_frame_alloc();
  target->width = kHd720Width;
  target->height = kHd720Height;
  target->format = AV_PIX_FMT_RGBA;
  av_frame_get_buffer(target, 0);
  for (auto _ : state) {
    sws_scale(context, source->data, source->linesize, 0, kHdHeight, target->data,
              target->linesize);
    benchmark::DoNotOptimize(target->data[0][0]);
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  av_frame_free(&source);
  av_frame_free(&target);
  sws_freeContext(context);
}
BENCHMARK(BM_SwscaleLanczos1080pTo720p)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Runs an FFmpeg filter graph on the test picture, one frame at a time.
void RunFilterGraph(benchmark::State& state, int width, int height, const std::string& filters,
                    const Bench::FFmpegColour& colour) {
  Bench::RunFFmpegFilter(state, filters, {TestPicture(width, height, kBT709Sdr)}, "rgba", colour);
}

void BM_FFmpegScaleLanczos1080pTo720p(benchmark::State& state) {
  RunFilterGraph(state, kHdWidth, kHdHeight, "scale=1280:720:flags=lanczos",
                 {AVCOL_PRI_BT709, AVCOL_TRC_BT709});
}
BENCHMARK(BM_FFmpegScaleLanczos1080pTo720p)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// BT.2020 PQ to BT.709 SDR: to linear light (100-nit SDR white), BT.709
// primaries, a tone curve, BT.709 transfer into limited-range 4:2:0 (the
// usual chain of these filters).
void BM_FFmpegZscalePqToSdr2160p(benchmark::State& state) {
  RunFilterGraph(state, kUhdWidth, kUhdHeight,
                 "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,"
                 "tonemap=tonemap=hable:desat=0,zscale=t=bt709:m=bt709:r=tv,format=yuv420p",
                 {AVCOL_PRI_BT2020, AVCOL_TRC_SMPTE2084});
}
BENCHMARK(BM_FFmpegZscalePqToSdr2160p)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The colorspace filter knows no PQ: BT.2020 to BT.709 at the same size, in
// 10-bit Y'CbCr, its working format.
void BM_FFmpegColorspace2020To709At2160p(benchmark::State& state) {
  RunFilterGraph(state, kUhdWidth, kUhdHeight,
                 "format=yuv444p10le,colorspace=iall=bt2020:all=bt709:fast=0,format=rgba",
                 {AVCOL_PRI_BT2020, AVCOL_TRC_BT2020_10});
}
BENCHMARK(BM_FFmpegColorspace2020To709At2160p)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace
}  // namespace Obrisk
