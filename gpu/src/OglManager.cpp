#include "obrisk/ogl/OglManager.h"

#include <atomic>
#include <cstdlib>
#include <future>

#include <fmt/format.h>
#include <glog/logging.h>

#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/Gl.h"
#include "obrisk/ogl/PixelBuffer.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/Texture.h"
#include "platform/HeadlessContext.h"

namespace Obrisk::Ogl {
namespace {

thread_local bool tIsOpenGLThread = false;
// Taken entries that a queue which never runs empty keeps before it drops them.
constexpr std::size_t kCompactFrom = 64;
std::atomic<bool> gManagerRunning{false};
std::atomic<std::uint64_t> gGlErrors{0};

bool DebugOutputWanted() {
#ifndef NDEBUG
  return true;
#else
  const char* flag = std::getenv("QUENVARA_GL_DEBUG");
  return flag != nullptr && std::string_view(flag) == "1";
#endif
}

// Shader compiler messages are left out: a program that does not build
// raises ShaderException with the same log.
void GLAPIENTRY OnDebugMessage(GLenum source, GLenum type, GLuint id, GLenum severity, GLsizei,
                               const GLchar* message, const void*) {
  if (source == GL_DEBUG_SOURCE_SHADER_COMPILER) return;
  if (type == GL_DEBUG_TYPE_ERROR) {
    gGlErrors.fetch_add(1, std::memory_order_relaxed);
    LOG(ERROR) << "OpenGL error " << id << ": " << message;
  } else if (severity == GL_DEBUG_SEVERITY_HIGH) {
    LOG(WARNING) << "OpenGL: " << message;
  }
}

void EnableDebugOutput() {
  if (!epoxy_has_gl_extension("GL_KHR_debug") && epoxy_gl_version() < 43) return;
  glEnable(GL_DEBUG_OUTPUT);
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  glDebugMessageCallback(OnDebugMessage, nullptr);
}

}  // namespace

bool IsOpenGLThread() {
  return tIsOpenGLThread;
}

IOglTask::IOglTask(OglCapability capability, std::string name)
    : capability_(capability), name_(std::make_shared<const std::string>(std::move(name))) {}

IOglTask::IOglTask(OglCapability capability, std::shared_ptr<const std::string> name)
    : capability_(capability), name_(std::move(name)) {}

IOglTask::~IOglTask() = default;

void IOglTask::SetFrame(Ptr<Frame> frame) {
  frame_ = std::move(frame);
}

OglManager& OglManager::GetInstance() {
  static OglManager manager;
  return manager;
}

OglManager::OglManager() {
  std::promise<std::string> started;
  std::future<std::string> result = started.get_future();
  thread_ = std::thread([this, &started] { ThreadMain(started); });
  try {
    renderer_ = result.get();
  } catch (...) {
    thread_.join();
    throw;
  }
}

OglManager::~OglManager() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void OglManager::ThreadMain(std::promise<std::string>& started) {
  tIsOpenGLThread = true;
  try {
    context_ = HeadlessContext::CreateCurrent(DebugOutputWanted());
    if (DebugOutputWanted()) EnableDebugOutput();
    storage_ = std::make_unique<ShaderStorage>();
    pool_ = std::make_unique<TexturePool>();
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
    started.set_value(
        fmt::format("{} | {} | {}", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                    reinterpret_cast<const char*>(glGetString(GL_VERSION)), context_->Describe()));
  } catch (...) {
    started.set_exception(std::current_exception());
    return;
  }
  gManagerRunning = true;
  RunJobs();
  gManagerRunning = false;
  // Everything GL goes on this thread, the context last.
  PixelBufferPool::Release();
  pool_.reset();
  storage_.reset();
  context_.reset();
}

void OglManager::RunJobs() {
  for (;;) {
    Entry entry;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || head_ < jobs_.size(); });
      if (head_ == jobs_.size()) {
        stopped_ = true;
        return;
      }
      entry = TakeJob();
    }
    try {
      if (entry.resolve) {
        entry.resolve->Resolve(*storage_);
      } else {
        entry.job(*storage_);
      }
    } catch (const std::exception& error) {
      LOG(ERROR) << "OpenGL thread job failed: " << error.what();
    } catch (...) {
      LOG(ERROR) << "OpenGL thread job failed with an exception of unknown type";
    }
  }
}

OglManager::Entry OglManager::TakeJob() {
  Entry entry = std::move(jobs_[head_++]);
  if (head_ == jobs_.size()) {
    jobs_.clear();
    head_ = 0;
  } else if (head_ >= kCompactFrom && 2 * head_ >= jobs_.size()) {
    // A queue that never runs empty drops its taken half now and then.
    jobs_.erase(jobs_.begin(), jobs_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
  }
  return entry;
}

bool OglManager::Post(Job job) {
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return false;
    jobs_.push_back(Entry{std::move(job), nullptr});
  }
  wake_.notify_one();
  return true;
}

void OglManager::QueueResolve(Ptr<DataVideoOGL> data) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(Entry{Job(), std::move(data)});
  }
  wake_.notify_one();
}

bool OglManager::DoOnOpenGLThread(std::function<void()> job) {
  if (IsOpenGLThread()) {
    job();
    return true;
  }
  if (!gManagerRunning) return false;
  return GetInstance().Post([job = std::move(job)](ShaderStorage&) { job(); });
}

bool OglManager::IsRunning() {
  return gManagerRunning;
}

bool OglManager::DoBackgroundTask(const Ptr<IOglTask>& task) {
  return Post([task](ShaderStorage& storage) mutable {
    GetInstance().CountTask(task->GetName());
    Ptr<IOglTask> running = std::move(task);
    running->Execute(storage);
  });
}

void OglManager::Invoke(const Job& job) {
  if (IsOpenGLThread()) {
    job(*storage_);
    return;
  }
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  const bool queued = Post([&job, &done](ShaderStorage& storage) {
    try {
      job(storage);
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  if (!queued) OBRISK_THROW(OglException, "the OpenGL thread has stopped");
  finished.get();
}

void OglManager::Finish() {
  Invoke([](ShaderStorage&) {});
}

void OglManager::CountTask(const std::string& name) {
  std::lock_guard lock(mutex_);
  auto found = taskCounts_.find(name);
  if (found == taskCounts_.end()) {
    taskCounts_.emplace(name, 1);
  } else {
    ++found->second;
  }
}

std::uint64_t OglManager::TaskCount(std::string_view name) const {
  std::lock_guard lock(mutex_);
  auto found = taskCounts_.find(name);
  return found == taskCounts_.end() ? 0 : found->second;
}

std::uint64_t OglManager::GlErrorCount() const {
  return gGlErrors.load();
}

TexturePool& OglManager::Pool() {
  return *pool_;
}

ShaderStorage& OglManager::Storage() {
  return *storage_;
}

EnableState::EnableState(GLenum capability)
    : capability_(capability), wasEnabled_(glIsEnabled(capability)) {
  glEnable(capability);
}

EnableState::~EnableState() {
  if (!wasEnabled_) glDisable(capability_);
}

}  // namespace Obrisk::Ogl
