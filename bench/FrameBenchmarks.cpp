// Frame benchmarks. Every GPU figure is the time to a finished frame (the
// output is waited for), never a batch of draws with one finish at the end:
// software renderers skip work that a later opaque draw covers.
#include <benchmark/benchmark.h>
#include <glog/logging.h>

#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"
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

// Reading a finished 1920x1080 frame back to memory.
void BM_Download1080p(benchmark::State& state) {
  auto input = Bench::UploadedPattern(kHdWidth, kHdHeight);
  for (auto _ : state) benchmark::DoNotOptimize(Ogl::DownloadFrame(input));
}
BENCHMARK(BM_Download1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

// Uploading a 1920x1080 frame from memory to a finished GPU frame.
void BM_Upload1080p(benchmark::State& state) {
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{kHdWidth, kHdHeight, 1, 1});
  for (auto _ : state) Ogl::FinishFrame(Ogl::UploadFrame(frame));
}
BENCHMARK(BM_Upload1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace Obrisk
