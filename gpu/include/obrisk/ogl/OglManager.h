// The OpenGL thread: one per process, owning a headless context and running
// tasks in the order they were queued.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "obrisk/ogl/OglTask.h"

namespace Obrisk::Ogl {

class DataVideoOGL;
class HeadlessContext;
class TexturePool;

// True on the OpenGL thread.
bool IsOpenGLThread();

class OglManager {
 public:
  using Job = std::function<void(ShaderStorage&)>;

  // The process-wide manager. The first call starts the OpenGL thread and
  // throws OglException naming what is missing when no context can be made.
  static OglManager& GetInstance();

  // True from the start of the OpenGL thread until it took its last job.
  static bool IsRunning();

  // Queues a task; the manager runs it later on the OpenGL thread. A task
  // that throws, whatever it throws, is logged and the thread goes on.
  // False (the task dropped) once the thread has stopped.
  bool DoBackgroundTask(const Ptr<IOglTask>& task);
  // Queues a job to run later on the OpenGL thread; false (and the job
  // dropped) once the thread has stopped. Shutting down runs every job
  // queued before it, so nothing queued is lost while the library is loaded.
  bool Post(Job job);
  // Queues the drawing of a data's frame (DataVideoOGL::Resolve) without the
  // allocation a job would cost.
  void QueueResolve(Ptr<DataVideoOGL> data);
  // Runs a job on the OpenGL thread and waits for it, rethrowing what it
  // throws; on the OpenGL thread itself the job runs at once.
  void Invoke(const Job& job);
  // Waits until everything queued before the call has run.
  void Finish();
  // Runs a job at once on the OpenGL thread, else queues it there; drops it
  // when the manager has already shut down (GL objects die with the context)
  // and then returns false.
  static bool DoOnOpenGLThread(std::function<void()> job);

  // The renderer and version strings of the context, e.g. "llvmpipe ... | 4.5 ...".
  const std::string& Renderer() const { return renderer_; }
  // The driver's largest texture width and height (GL_MAX_TEXTURE_SIZE).
  int MaxTextureSize() const { return maxTextureSize_; }
  // How many tasks of that name have run since start-up.
  std::uint64_t TaskCount(std::string_view name) const;
  // OpenGL errors reported by the driver's debug output (debug builds, or
  // QUENVARA_GL_DEBUG=1).
  std::uint64_t GlErrorCount() const;
  void CountTask(const std::string& name);

  // The OpenGL thread's texture pool and shader storage (OpenGL thread only).
  TexturePool& Pool();
  ShaderStorage& Storage();

  OglManager(const OglManager&) = delete;
  OglManager& operator=(const OglManager&) = delete;
  ~OglManager();

 private:
  OglManager();
  void ThreadMain(std::promise<std::string>& started);
  void RunJobs();

  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  // Either a job or a data to resolve.
  struct Entry {
    Job job;
    Ptr<DataVideoOGL> resolve;
  };
  // The queue: entries from jobs_[head_] on wait. The storage is kept when
  // the queue runs empty, so that posting a job allocates nothing once the
  // queue has grown to its working length.
  std::vector<Entry> jobs_;
  std::size_t head_ = 0;
  Entry TakeJob();
  bool stopping_ = false;
  // Set once the thread took its last job; later posts are refused.
  bool stopped_ = false;
  std::string renderer_;
  int maxTextureSize_ = 0;
  std::map<std::string, std::uint64_t, std::less<>> taskCounts_;
  std::unique_ptr<ShaderStorage> storage_;
  std::unique_ptr<TexturePool> pool_;
  std::unique_ptr<HeadlessContext> context_;
};

}  // namespace Obrisk::Ogl
