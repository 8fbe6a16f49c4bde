// Frame benchmarks. Every GPU figure is the time to a finished frame (the
// output is waited for), never a batch of draws with one finish at the end:
// software renderers skip work that a later opaque draw covers.
#include <benchmark/benchmark.h>
#include <glog/logging.h>

#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/PixelBuffer.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/settings/ColorSettings.h"

#include "AllocationCounter.h"
#include "BenchSupport.h"

namespace Obrisk {
namespace {

constexpr int kHdWidth = 1920;
constexpr int kHdHeight = 1080;

Ptr<Proc::IEffect> Invert() {
  return Bench::CreateEffect(Proc::SettingsEffectInvert::CLASS_ID);
}

// Host-side cost of Process: no waiting for the GPU; tiny frames keep the
// OpenGL thread's share out of the figure.
void BM_ProcessHostSide(benchmark::State& state) {
  auto effect = Invert();
  auto input = Bench::UploadedPattern(16, 16);
  std::int64_t allocations = 0;
  std::int64_t frames = 0;
  for (auto _ : state) {
    Ptr<Proc::IData> data = input;
    const std::int64_t before = Bench::ThreadAllocations();
    static_cast<Proc::IOneInputEffectVideo&>(*effect).ProcessData(data);
    allocations += Bench::ThreadAllocations() - before;
    ++frames;
    state.PauseTiming();
    data.reset();
    if (frames % 256 == 0) Ogl::OglManager::GetInstance().Finish();
    state.ResumeTiming();
  }
  Ogl::OglManager::GetInstance().Finish();
  state.counters["allocs_per_Process"] =
      static_cast<double>(allocations) / static_cast<double>(frames);
}
BENCHMARK(BM_ProcessHostSide);

// Invert at 1920x1080 from GPU input to a finished output frame.
void BM_Invert1080p(benchmark::State& state) {
  Bench::RunToFinishedFrames(state, *Invert(), Bench::UploadedPattern(kHdWidth, kHdHeight));
}
BENCHMARK(BM_Invert1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

// The bare pass for scale: a texel-exact copy of a 1920x1080 texture into
// another, finished, with nothing of the effect frame around it.
void BM_BareCopyPass1080p(benchmark::State& state) {
  auto input = Bench::UploadedPattern(kHdWidth, kHdHeight);
  auto& manager = Ogl::OglManager::GetInstance();
  Ptr<Ogl::Frame> target;
  manager.Invoke([&](Ogl::ShaderStorage&) {
    target = Ogl::Frame::CreateIntermediate({}, Proc::PixFmt::RGBA, input->GetFrameInfo());
  });
  for (auto _ : state) {
    manager.Invoke([&](Ogl::ShaderStorage& storage) {
      Ogl::ShaderProgram& copy = storage.GetShaderProgram(Ogl::BuiltinProgram::kCopy);
      copy.Use();
      copy.Uniform("tex", 0);
      storage.FBO().Attach(target->GetFirstTexture());
      input->FrameData()->GetFirstTexture().Use(0);
      glBindSampler(0, storage.NearestSampler());
      storage.Quad().Activate();
      storage.Quad().Draw(copy);
      glBindSampler(0, 0);
      glFinish();
    });
  }
  manager.Invoke([&](Ogl::ShaderStorage&) { target.reset(); });
}
BENCHMARK(BM_BareCopyPass1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

// The transfer path a row measures: its argument "pbo" is 0 for main memory
// directly, 1 for pixel buffers. Puts the defaults back after the row.
class PathsFor {
 public:
  explicit PathsFor(const benchmark::State& state)
      : upload_(Ogl::UploadPath()), download_(Ogl::DownloadPath()) {
    const auto path =
        state.range(0) != 0 ? Ogl::TransferPath::PixelBuffer : Ogl::TransferPath::Direct;
    Ogl::SetUploadPath(path);
    Ogl::SetDownloadPath(path);
  }
  ~PathsFor() {
    Ogl::SetUploadPath(upload_);
    Ogl::SetDownloadPath(download_);
  }
  PathsFor(const PathsFor&) = delete;
  PathsFor& operator=(const PathsFor&) = delete;

 private:
  Ogl::TransferPath upload_;
  Ogl::TransferPath download_;
};

// Reading a finished 1920x1080 frame back to memory.
void BM_Download1080p(benchmark::State& state) {
  const PathsFor paths(state);
  auto input = Bench::UploadedPattern(kHdWidth, kHdHeight);
  for (auto _ : state) benchmark::DoNotOptimize(Ogl::DownloadFrame(input));
}
BENCHMARK(BM_Download1080p)
    ->ArgName("pbo")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Uploading a 1920x1080 frame from memory to a finished GPU frame.
void BM_Upload1080p(benchmark::State& state) {
  const PathsFor paths(state);
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{kHdWidth, kHdHeight, 1, 1});
  for (auto _ : state) Ogl::FinishFrame(Ogl::UploadFrame(frame));
}
BENCHMARK(BM_Upload1080p)
    ->ArgName("pbo")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A frame through as the tool takes it: upload, invert and read back at
// 1920x1080, each readback taken once the next frame is queued, so that on
// the pixel-buffer path reading frame N back overlaps drawing N + 1.
void BM_UploadInvertDownload1080p(benchmark::State& state) {
  const PathsFor paths(state);
  auto effect = Invert();
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{kHdWidth, kHdHeight, 1, 1});
  const auto start = [&] {
    const Ptr<Proc::IData> output =
        effect->ProcessData({Ptr<Proc::IData>(Ogl::UploadFrame(frame))});
    return Ogl::StartDownload(
        Ptr<Ogl::DataVideoOGL>(static_cast<Ogl::DataVideoOGL*>(output.get())));
  };
  Ogl::FrameReadback previous = start();
  for (auto _ : state) {
    Ogl::FrameReadback next = start();
    benchmark::DoNotOptimize(previous.Take());
    previous = std::move(next);
  }
  previous.Take();
}
BENCHMARK(BM_UploadInvertDownload1080p)
    ->ArgName("pbo")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace Obrisk
