#include "BenchSupport.h"

#include <stdexcept>

#include "frame/Registrator.h"
#include "obrisk/ogl/FrameTransfer.h"

namespace Obrisk::Bench {

Proc::EffectRegistry& Registry() {
  static Ptr<Proc::EffectRegistry> registry = [] {
    auto made = MakeRef<Proc::EffectRegistry>();
    Ogl::RegisterFrameUploader(*made);
    Registrator(made.get());
    return made;
  }();
  return *registry;
}

Ptr<Proc::IEffect> CreateEffect(const std::string& classId) {
  Ptr<Proc::IEffect> effect;
  if (!Registry().CreateEffect(effect, classId, Proc::ImplNames::OGL, nullptr)) {
    throw std::runtime_error("no effect for " + classId);
  }
  return effect;
}

Ptr<Proc::IEffect> CreateEffect(const Proc::Settings& settings) {
  Ptr<Proc::IEffect> effect = CreateEffect(settings.GetClassId());
  effect->SetSettingsObject(settings);
  return effect;
}

Ptr<Proc::DataVideoMemory> MakePicture(int width, int height,
                                       const std::function<std::uint8_t(int, int, int)>& channel) {
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBX,
                                              Proc::FrameInfo{width, height, 1, 1});
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = frame->Row(y);
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = row + static_cast<std::size_t>(x) * 4;
      for (int c = 0; c < 3; ++c) pixel[c] = channel(x, y, c);
      pixel[3] = 255;
    }
  }
  return frame;
}

Ptr<Proc::DataVideoMemory> PatternPicture(int width, int height) {
  return MakePicture(width, height, [](int x, int y, int c) {
    return static_cast<std::uint8_t>((x * (c + 1) + y * (3 - c)) / 8 + ((x ^ y) & 31));
  });
}

Ptr<Ogl::DataVideoOGL> UploadedPattern(int width, int height) {
  auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::PixFmt::RGBA,
                                              Proc::FrameInfo{width, height, 1, 1});
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width * 4; ++x) frame->Row(y)[x] = static_cast<std::uint8_t>(x ^ y);
  }
  auto data = Ogl::UploadFrame(frame);
  Ogl::FinishFrame(data);
  return data;
}

void RunToFinishedFrames(benchmark::State& state, Proc::IEffect& effect,
                         const std::vector<Ptr<Ogl::DataVideoOGL>>& inputs,
                         std::int64_t frameStep) {
  std::vector<Ptr<Proc::IData>> frames;
  for (const auto& input : inputs) {
    Ogl::FinishFrame(input);
    frames.emplace_back(input);
  }
  // The first frame builds the effect's programs and caches; the rows that
  // run a fixed few frames would otherwise time the shader compiler.
  Ogl::FinishFrame(
      Ptr<Ogl::DataVideoOGL>(static_cast<Ogl::DataVideoOGL*>(effect.ProcessData(frames).get())));
  for (auto _ : state) {
    if (frameStep != 0) {
      for (const auto& input : inputs) input->SetStartTime(input->GetStartTime() + frameStep);
    }
    Ptr<Proc::IData> output = effect.ProcessData(frames);
    Ogl::FinishFrame(Ptr<Ogl::DataVideoOGL>(static_cast<Ogl::DataVideoOGL*>(output.get())));
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void RunToFinishedFrames(benchmark::State& state, Proc::IEffect& effect,
                         const Ptr<Ogl::DataVideoOGL>& input, std::int64_t frameStep) {
  RunToFinishedFrames(state, effect, std::vector<Ptr<Ogl::DataVideoOGL>>{input}, frameStep);
}

void RunToFinishedFrames(benchmark::State& state, const Proc::Settings& settings,
                         const Ptr<Proc::DataVideoMemory>& picture) {
  RunToFinishedFrames(state, *CreateEffect(settings), Ogl::UploadFrame(picture));
}

}  // namespace Obrisk::Bench
