#include "EffectWrapper.h"

#include <limits>
#include <stdexcept>

#include "obrisk/ogl/OglManager.h"

namespace Obrisk::Ogl {
namespace {

// Installs a task's settings snapshot on its algorithm while the task draws.
class DrawingSettingsScope {
 public:
  DrawingSettingsScope(IEffectAlgorithm& algorithm, std::shared_ptr<const Proc::Settings> settings)
      : algorithm_(algorithm) {
    algorithm_.DrawWith(std::move(settings));
  }
  ~DrawingSettingsScope() { algorithm_.DrawWith(nullptr); }
  DrawingSettingsScope(const DrawingSettingsScope&) = delete;
  DrawingSettingsScope& operator=(const DrawingSettingsScope&) = delete;

 private:
  IEffectAlgorithm& algorithm_;
};

// What every effect task carries: the cache, the frame set's time in seconds
// and progress, and the settings that were current when it was made.
class EffectTask : public IOglTask {
 public:
  EffectTask(std::shared_ptr<const std::string> name, Ptr<OglCache> cache, double time,
             double progress, std::shared_ptr<const Proc::Settings> settings)
      : IOglTask(1, std::move(name)),
        cache_(std::move(cache)),
        time_(time),
        progress_(progress),
        settings_(std::move(settings)) {}

 protected:
  Ptr<OglCache> cache_;
  double time_;
  double progress_;
  std::shared_ptr<const Proc::Settings> settings_;
};

// Runs `draw` with the snapshot installed, then releases the inputs, the
// cache and the algorithm in that order, whether or not it threw.
template <class Task, class Draw>
void RunAndRelease(Task& task, Draw draw) {
  try {
    DrawingSettingsScope scope(*task.algorithm_, std::move(task.settings_));
    draw();
  } catch (...) {
    task.ReleaseAll();
    throw;
  }
  task.ReleaseAll();
}

class OneInputEffectTask final : public EffectTask {
 public:
  OneInputEffectTask(std::shared_ptr<const std::string> name,
                     std::shared_ptr<IOneInputEffectAlgorithm> algorithm, Ptr<DataVideoOGL> source,
                     Ptr<OglCache> cache, double time, double progress)
      : EffectTask(std::move(name), std::move(cache), time, progress,
                   algorithm->SnapshotSettings()),
        algorithm_(std::move(algorithm)),
        source_(std::move(source)) {}

  void Execute(ShaderStorage& storage) override {
    RunAndRelease(*this, [&] {
      algorithm_->ProcessGpu(GetFrame(), source_, time_, progress_, storage, cache_);
    });
  }

 private:
  template <class Task, class Draw>
  friend void RunAndRelease(Task&, Draw);
  void ReleaseAll() {
    source_.reset();
    cache_.reset();
    algorithm_.reset();
  }

  std::shared_ptr<IOneInputEffectAlgorithm> algorithm_;
  Ptr<DataVideoOGL> source_;
};

class TwoInputEffectTask final : public EffectTask {
 public:
  TwoInputEffectTask(std::shared_ptr<const std::string> name,
                     std::shared_ptr<ITwoInputEffectAlgorithm> algorithm, Ptr<DataVideoOGL> first,
                     Ptr<DataVideoOGL> second, Ptr<OglCache> cache, double time, double progress)
      : EffectTask(std::move(name), std::move(cache), time, progress,
                   algorithm->SnapshotSettings()),
        algorithm_(std::move(algorithm)),
        first_(std::move(first)),
        second_(std::move(second)) {}

  void Execute(ShaderStorage& storage) override {
    RunAndRelease(*this, [&] {
      algorithm_->ProcessGpu(GetFrame(), first_, second_, time_, progress_, storage, cache_);
    });
  }

 private:
  template <class Task, class Draw>
  friend void RunAndRelease(Task&, Draw);
  void ReleaseAll() {
    first_.reset();
    second_.reset();
    cache_.reset();
    algorithm_.reset();
  }

  std::shared_ptr<ITwoInputEffectAlgorithm> algorithm_;
  Ptr<DataVideoOGL> first_;
  Ptr<DataVideoOGL> second_;
};

class VarInputEffectTask final : public EffectTask {
 public:
  VarInputEffectTask(std::shared_ptr<const std::string> name,
                     std::shared_ptr<IVarInputEffectAlgorithm> algorithm, DataVideoList sources,
                     Ptr<OglCache> cache, double time, double progress)
      : EffectTask(std::move(name), std::move(cache), time, progress,
                   algorithm->SnapshotSettings()),
        algorithm_(std::move(algorithm)),
        sources_(std::move(sources)) {}

  void Execute(ShaderStorage& storage) override {
    RunAndRelease(*this, [&] {
      algorithm_->ProcessGpu(GetFrame(), sources_, time_, progress_, storage, cache_);
    });
  }

 private:
  template <class Task, class Draw>
  friend void RunAndRelease(Task&, Draw);
  void ReleaseAll() {
    sources_.clear();
    cache_.reset();
    algorithm_.reset();
  }

  std::shared_ptr<IVarInputEffectAlgorithm> algorithm_;
  DataVideoList sources_;
};

// Unloading the library while tasks of its effects are queued would leave
// the OpenGL thread to run code that is gone: the first wrapper made
// registers a drain that, when the library unloads, waits until everything
// queued so far has run. A host unloads the library after releasing its
// effects; data it still holds has been drawn by then.
class DrainOnUnload {
 public:
  DrainOnUnload() = default;
  DrainOnUnload(const DrainOnUnload&) = delete;
  DrainOnUnload& operator=(const DrainOnUnload&) = delete;
  ~DrainOnUnload() {
    if (!OglManager::IsRunning() || IsOpenGLThread()) return;
    try {
      OglManager::GetInstance().Finish();
    } catch (...) {
      // The thread stopped meanwhile, having run everything queued.
    }
  }
};

constexpr std::uint8_t kOneInputTraits = 2;
constexpr std::uint8_t kMultiInputTraits = 7;

void CopyTimes(const Proc::IData& from, Proc::IData& to) {
  to.SetStartTime(from.GetStartTime());
  to.SetDuration(from.GetDuration());
}

}  // namespace

// Made after every static object of the library, so destroyed before them.
void DrainQueuedTasksOnUnload() {
  static DrainOnUnload drain;
}

double FrameSetProgress(const Proc::TimeToProgress& progress, std::int64_t start,
                        std::int64_t duration, bool refine) {
  double p = progress.GetProgress(start + duration);
  if (refine && std::min(p, 1.0 - p) > std::numeric_limits<double>::epsilon()) {
    const double q = progress.GetProgress(start);
    const auto t = static_cast<std::int64_t>(static_cast<double>(duration) * q +
                                             static_cast<double>(start) + 0.5);
    p = progress.GetProgress(t);
  }
  return p;
}

template <class HostInterface, class Algorithm>
Ptr<DataVideoOGL> EffectWrapperWithUploaderTemplate<HostInterface, Algorithm>::ToGpu(
    Ptr<Proc::IData> data) const {
  if (frameUploader_) frameUploader_->ProcessData(data);
  auto* gpu = dynamic_cast<DataVideoOGL*>(data.get());
  if (gpu == nullptr) {
    OBRISK_THROW(EffectException,
                 "The input is not GPU video data and no frame uploader is available");
  }
  return Ptr<DataVideoOGL>(gpu);
}

OneInputEffectWrapper::OneInputEffectWrapper(const Ptr<Proc::IEffectFactory>& factory,
                                             std::shared_ptr<IOneInputEffectAlgorithm> algorithm)
    : EffectWrapperTemplate(factory, std::move(algorithm), kOneInputTraits) {
  DrainQueuedTasksOnUnload();
}

void OneInputEffectWrapper::Process(Ptr<Proc::IData>& data) {
  if (!data) return;
  if (algorithm_->GetSettings().IsEmpty()) return;
  const auto start = Clock::now();
  auto* gpu = dynamic_cast<DataVideoOGL*>(data.get());
  if (gpu == nullptr) {
    OBRISK_THROW(EffectException,
                 "The input of a one-input effect must be GPU video data (upload it first)");
  }
  Ptr<DataVideoOGL> source(gpu);
  const double progress =
      FrameSetProgress(GetProgress(), source->GetStartTime(), source->GetDuration(), true);
  Ptr<DataVideoOGL> output = algorithm_->CreateDst(
      source->GetColorSpace(), source->GetPixelFormat(), source->GetFrameInfo(), progress);
  output->AddDependency(source);
  CopyTimes(*source, *output);
  output->AttachTask(MakeRef<OneInputEffectTask>(taskName_, algorithm_, source, Cache(),
                                                 TimeInSeconds(*output), progress));
  data = output;
  CountFrame(start);
}

TwoInputEffectWrapper::TwoInputEffectWrapper(const Ptr<Proc::IEffectFactory>& factory,
                                             std::shared_ptr<ITwoInputEffectAlgorithm> algorithm)
    : EffectWrapperWithUploaderTemplate(factory, std::move(algorithm), kMultiInputTraits) {
  DrainQueuedTasksOnUnload();
}

Ptr<Proc::IData> TwoInputEffectWrapper::ProcessData(const std::vector<Ptr<Proc::IData>>& frames) {
  if (frames.size() != 2) BOOST_THROW_EXCEPTION(std::logic_error("invalid data count"));
  Ptr<Proc::IData> first = frames[0];
  ProcessData(first, frames[1]);
  return first;
}

void TwoInputEffectWrapper::Process(Ptr<Proc::IData>& first, const Ptr<Proc::IData>& second) {
  if (!first && !second) return;
  if (!first || !second) {
    OBRISK_THROW(EffectException, "Both frames data must be present or absent");
  }
  const auto start = Clock::now();
  Ptr<DataVideoOGL> a = ToGpu(first);
  Ptr<DataVideoOGL> b = ToGpu(second);
  const double progress =
      FrameSetProgress(GetProgress(), a->GetStartTime(), a->GetDuration(), false);
  Ptr<DataVideoOGL> output = algorithm_->CreateDst(a, b, progress);
  output->AddDependency(a);
  output->AddDependency(b);
  CopyTimes(*a, *output);
  output->AttachTask(MakeRef<TwoInputEffectTask>(taskName_, algorithm_, a, b, Cache(),
                                                 TimeInSeconds(*output), progress));
  first = output;
  CountFrame(start);
}

VarInputEffectWrapper::VarInputEffectWrapper(const Ptr<Proc::IEffectFactory>& factory,
                                             std::shared_ptr<IVarInputEffectAlgorithm> algorithm)
    : EffectWrapperWithUploaderTemplate(factory, std::move(algorithm), kMultiInputTraits) {
  DrainQueuedTasksOnUnload();
}

Ptr<Proc::IData> VarInputEffectWrapper::Process(const std::vector<Ptr<Proc::IData>>& frames) {
  if (frames.empty()) OBRISK_THROW(EffectException, "All frames data must be present");
  for (const auto& frame : frames) {
    if (!frame) OBRISK_THROW(EffectException, "All frames data must be present");
  }
  const auto start = Clock::now();
  DataVideoList sources;
  sources.reserve(frames.size());
  for (const auto& frame : frames) sources.push_back(ToGpu(frame));
  const double progress = FrameSetProgress(GetProgress(), sources.front()->GetStartTime(),
                                           sources.front()->GetDuration(), true);
  Ptr<DataVideoOGL> output = algorithm_->CreateDst(sources, progress);
  for (const auto& source : sources) output->AddDependency(source);
  CopyTimes(*sources.front(), *output);
  output->AttachTask(MakeRef<VarInputEffectTask>(taskName_, algorithm_, std::move(sources), Cache(),
                                                 TimeInSeconds(*output), progress));
  CountFrame(start);
  return output;
}

}  // namespace Obrisk::Ogl
