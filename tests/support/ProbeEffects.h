// Algorithms that record what the frame passes to them, for tests of the
// wrappers, tasks and caches. Each fills its target with its setting `level`.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "frame/EffectAlgorithm.h"
#include "obrisk/host/Settings.h"

namespace Obrisk::Testing {

class SettingsProbe final : public Proc::SettingsBase<SettingsProbe> {
 public:
  inline static const std::string CLASS_ID{"SettingsProbe"};
  static constexpr auto Fields() {
    return std::make_tuple(Proc::Param("level", &SettingsProbe::level_, -1.0, 1.0, "fill level"));
  }
  float GetLevel() const { return level_; }
  void SetLevel(float level) { level_ = level; }
  // A negative level stands for "nothing to do".
  bool IsEmpty() const override { return level_ < 0.0f; }

 private:
  float level_ = 0.5f;
};

// Counts caches alive and where they were deleted.
class ProbeCache final : public Ogl::OglCache {
 public:
  inline static std::atomic<int> alive{0};
  inline static std::atomic<int> created{0};
  inline static std::atomic<bool> lastDeletedOnGlThread{false};
  ProbeCache() {
    ++alive;
    ++created;
  }
  ~ProbeCache() override {
    --alive;
    lastDeletedOnGlThread = Ogl::IsOpenGLThread();
  }
};

struct ProbeCall {
  double time;
  double progress;
  float level;
  std::size_t inputs;
};

// What every probe records.
class ProbeLog {
 public:
  void Add(const ProbeCall& call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
  }
  std::vector<ProbeCall> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<ProbeCall> calls_;
};

template <class Base>
class ProbeAlgorithm : public Ogl::EffectAlgorithmWithSettings<Base, SettingsProbe> {
 public:
  explicit ProbeAlgorithm(bool withCache = false) : withCache_(withCache) {}
  const std::string_view& GetName() const override {
    static constexpr std::string_view kName = "ProbeEffect";
    return kName;
  }
  Ptr<Ogl::OglCache> CreateCache() override {
    ++cacheRequests;
    return withCache_ ? Ptr<Ogl::OglCache>(new ProbeCache()) : nullptr;
  }

  ProbeLog log;
  std::atomic<int> cacheRequests{0};

 protected:
  void Record(const Ptr<Ogl::Frame>& target, double time, double progress, std::size_t inputs,
              Ogl::ShaderStorage& storage, const Ptr<Ogl::OglCache>& cache) {
    if (withCache_) Ogl::CacheAs<ProbeCache>(cache);
    const float level = this->DrawingSettings().GetLevel();
    log.Add({time, progress, level, inputs});
    storage.FBO().Attach(target->GetFirstTexture());
    glClearColor(level, level, level, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }

 private:
  bool withCache_;
};

class OneInputProbe final : public ProbeAlgorithm<Ogl::OneInputEffectAlgorithm> {
 public:
  using ProbeAlgorithm::ProbeAlgorithm;
  void ProcessGpu(const Ptr<Ogl::Frame>& target, const Ptr<Ogl::DataVideoOGL>&, double time,
                  double progress, Ogl::ShaderStorage& storage,
                  const Ptr<Ogl::OglCache>& cache) override {
    Record(target, time, progress, 1, storage, cache);
  }
};

class TwoInputProbe final : public ProbeAlgorithm<Ogl::TransitionAlgorithm> {
 public:
  void ProcessGpu(const Ptr<Ogl::Frame>& target, const Ptr<Ogl::DataVideoOGL>&,
                  const Ptr<Ogl::DataVideoOGL>&, double time, double progress,
                  Ogl::ShaderStorage& storage, const Ptr<Ogl::OglCache>& cache) override {
    Record(target, time, progress, 2, storage, cache);
  }
};

class VarInputProbe final : public ProbeAlgorithm<Ogl::VarInputEffectAlgorithm> {
 public:
  void ProcessGpu(const Ptr<Ogl::Frame>& target, const Ogl::DataVideoList& sources, double time,
                  double progress, Ogl::ShaderStorage& storage,
                  const Ptr<Ogl::OglCache>& cache) override {
    Record(target, time, progress, sources.size(), storage, cache);
  }
};

}  // namespace Obrisk::Testing
