// Wrappers: the effect objects a host sees. Each turns a frame set into GPU
// output data at once and attaches a task that renders it later on the
// OpenGL thread by running the algorithm.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include <fmt/format.h>

#include "EffectAlgorithm.h"
#include "obrisk/host/Registry.h"
#include "obrisk/host/Statistics.h"

namespace Obrisk::Ogl {

// The progress of a frame set that starts at `start` and lasts `duration`
// (microseconds). With `refine`, a value strictly inside (0, 1) is replaced
// by the progress at the time s + d x P(s), rounded to a microsecond.
double FrameSetProgress(const Proc::TimeToProgress& progress, std::int64_t start,
                        std::int64_t duration, bool refine);

// Has the library, when it unloads, wait until every task queued so far has
// run; called by each effect object that queues tasks of its own.
void DrainQueuedTasksOnUnload();

template <class HostInterface, class Algorithm>
class EffectWrapperTemplate : public RefCounted<HostInterface> {
 public:
  EffectWrapperTemplate(const Ptr<Proc::IEffectFactory>& factory,
                        std::shared_ptr<Algorithm> algorithm, std::uint8_t traits)
      : factory_(factory),
        traits_(traits),
        algorithm_(std::move(algorithm)),
        taskName_(
            std::make_shared<const std::string>(fmt::format("{}_Task", algorithm_->GetName()))) {}

  void SetSettingsObject(const Proc::Settings& settings) override {
    algorithm_->SetSettings(settings);
  }
  const Proc::Settings& GetSettingsObject() const override { return algorithm_->GetSettings(); }
  void ResetCache() override { cache_.reset(); }
  std::uint8_t GetTraits() const override { return traits_; }
  Property GetStatistic() const override {
    return counters_.Make("OpenGLEffectWrapper::" + std::string(algorithm_->GetName()),
                          algorithm_->GetType(), Proc::ImplNames::OGL);
  }
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override {
    algorithm_->UpdateFormatCodecVideo(format);
  }

 protected:
  using Clock = Proc::ProcessingCounters::Clock;

  // The algorithm's cache, asked for again while it offers none.
  const Ptr<OglCache>& Cache() {
    if (!cache_) cache_ = algorithm_->CreateCache();
    return cache_;
  }
  // Counts a finished frame set.
  void CountFrame(Clock::time_point start) { counters_.CountFrame(start); }
  static double TimeInSeconds(const Proc::IData& output) {
    constexpr double kMicrosecondsPerSecond = 1000000.0;
    return static_cast<double>(output.GetStartTime()) / kMicrosecondsPerSecond;
  }

  Ptr<Proc::IEffectFactory> factory_;
  std::uint8_t traits_;
  std::shared_ptr<Algorithm> algorithm_;
  Ptr<OglCache> cache_;
  Proc::ProcessingCounters counters_;
  std::shared_ptr<const std::string> taskName_;
};

// Adds the frame uploader that puts inputs in memory on the GPU.
template <class HostInterface, class Algorithm>
class EffectWrapperWithUploaderTemplate : public EffectWrapperTemplate<HostInterface, Algorithm> {
 public:
  EffectWrapperWithUploaderTemplate(const Ptr<Proc::IEffectFactory>& factory,
                                    std::shared_ptr<Algorithm> algorithm, std::uint8_t traits)
      : EffectWrapperTemplate<HostInterface, Algorithm>(factory, std::move(algorithm), traits) {
    Ptr<Proc::IEffect> uploader;
    if (factory && factory->CreateEffect(uploader, Proc::SettingsFrameUploader::CLASS_ID,
                                         Proc::ImplNames::OGL, nullptr)) {
      frameUploader_ = dynamic_cast<Proc::IOneInputEffectVideo*>(uploader.get());
    }
  }

 protected:
  // The input as GPU data, uploaded when needed. Raises EffectException for
  // data that is neither GPU data nor uploadable.
  Ptr<DataVideoOGL> ToGpu(Ptr<Proc::IData> data) const;

  Ptr<Proc::IOneInputEffectVideo> frameUploader_;
};

class OneInputEffectWrapper final
    : public EffectWrapperTemplate<Proc::IOneInputEffectVideo, IOneInputEffectAlgorithm> {
 public:
  OneInputEffectWrapper(const Ptr<Proc::IEffectFactory>& factory,
                        std::shared_ptr<IOneInputEffectAlgorithm> algorithm);

 protected:
  void Process(Ptr<Proc::IData>& data) override;
};

class TwoInputEffectWrapper final
    : public EffectWrapperWithUploaderTemplate<Proc::ITwoInputEffectVideo,
                                               ITwoInputEffectAlgorithm> {
 public:
  TwoInputEffectWrapper(const Ptr<Proc::IEffectFactory>& factory,
                        std::shared_ptr<ITwoInputEffectAlgorithm> algorithm);

  using Proc::ITwoInputEffectVideo::ProcessData;
  // Exactly two entries: the first is processed with the second as second input.
  Ptr<Proc::IData> ProcessData(const std::vector<Ptr<Proc::IData>>& frames) override;

 protected:
  void Process(Ptr<Proc::IData>& first, const Ptr<Proc::IData>& second) override;
};

class VarInputEffectWrapper final
    : public EffectWrapperWithUploaderTemplate<Proc::IVarInputEffectVideo,
                                               IVarInputEffectAlgorithm> {
 public:
  VarInputEffectWrapper(const Ptr<Proc::IEffectFactory>& factory,
                        std::shared_ptr<IVarInputEffectAlgorithm> algorithm);

 protected:
  Ptr<Proc::IData> Process(const std::vector<Ptr<Proc::IData>>& frames) override;
};

}  // namespace Obrisk::Ogl
