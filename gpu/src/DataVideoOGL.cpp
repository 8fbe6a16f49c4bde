#include "obrisk/ogl/DataVideoOGL.h"

#include <stdexcept>
#include <string>

#include <glog/logging.h>

#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {
namespace {

std::string TaskName(const Ptr<IOglTask>& task) {
  return task ? task->GetName() : std::string("(none)");
}

}  // namespace

Ptr<DataVideoOGL> DataVideoOGL::Create(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                                       const Proc::FrameInfo& info) {
  return Ptr<DataVideoOGL>(new DataVideoOGL(colorSpace, format, info));
}

DataVideoOGL::DataVideoOGL(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                           const Proc::FrameInfo& info)
    : DataVideoBase(colorSpace, format, info) {
  // Refused here, where the picture is asked for, rather than when its task
  // draws it later on the OpenGL thread.
  Texture::CheckDimensions(info.width, info.height);
}

const Ptr<Frame>& DataVideoOGL::FrameData() const {
  std::lock_guard lock(mutex_);
  if (!frame_) frame_ = Frame::Create();
  return frame_;
}

void DataVideoOGL::AttachTask(Ptr<IOglTask> task) {
  if (!task) throw std::invalid_argument("DataVideoOGL::AttachTask: no task");
  {
    std::lock_guard lock(mutex_);
    if (task_ || state_ != State::Pending) {
      throw std::logic_error("DataVideoOGL::AttachTask: the data already has a producer");
    }
    task_ = std::move(task);
  }
  OglManager::GetInstance().QueueResolve(Ptr<DataVideoOGL>(this));
}

void DataVideoOGL::AddDependency(const Ptr<DataVideoOGL>& input) {
  if (!input) throw std::invalid_argument("DataVideoOGL::AddDependency: no data");
  std::lock_guard lock(mutex_);
  if (task_ || state_ != State::Pending) {
    throw std::logic_error("DataVideoOGL::AddDependency: add dependencies before the task");
  }
  dependencies_.push_back(input);
}

bool DataVideoOGL::IsReady() const {
  std::lock_guard lock(mutex_);
  return state_ == State::Done;
}

void DataVideoOGL::Wait() {
  OglManager& manager = OglManager::GetInstance();
  if (IsOpenGLThread()) {
    Resolve(manager.Storage());
  } else {
    bool queued = false;
    std::unique_lock lock(mutex_);
    while (state_ != State::Done) {
      if (!queued && !task_ && state_ == State::Pending) {
        // No producer will queue this data: draw it (transparent) now.
        lock.unlock();
        manager.QueueResolve(Ptr<DataVideoOGL>(this));
        queued = true;
        lock.lock();
        continue;
      }
      done_.wait(lock);
    }
  }
  std::lock_guard lock(mutex_);
  if (failure_) std::rethrow_exception(failure_);
}

void DataVideoOGL::Resolve(ShaderStorage& storage) {
  Ptr<IOglTask> task;
  boost::container::small_vector<Ptr<DataVideoOGL>, 2> dependencies;
  {
    std::lock_guard lock(mutex_);
    if (state_ != State::Pending) return;
    state_ = State::Running;
    task = std::move(task_);
    dependencies.swap(dependencies_);
  }
  std::exception_ptr failure;
  for (const auto& dependency : dependencies) {
    dependency->Resolve(storage);
    std::lock_guard lock(dependency->mutex_);
    if (dependency->failure_ && !failure) failure = dependency->failure_;
  }
  dependencies.clear();
  if (!failure) failure = RunProducer(storage, std::move(task));
  {
    std::lock_guard lock(mutex_);
    failure_ = failure;
    state_ = State::Done;
  }
  done_.notify_all();
}

std::exception_ptr DataVideoOGL::RunProducer(ShaderStorage& storage, Ptr<IOglTask> task) {
  try {
    const Ptr<Frame>& frame = FrameData();
    frame->Allocate(GetColorSpace(), GetPixelFormat(), GetFrameInfo());
    if (!task) {
      storage.FBO().Attach(frame->GetFirstTexture());
      glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
      glClear(GL_COLOR_BUFFER_BIT);
      return nullptr;
    }
    OglManager::GetInstance().CountTask(task->GetName());
    task->SetFrame(frame);
    task->Execute(storage);
    return nullptr;
  } catch (const std::exception& error) {
    LOG(ERROR) << "Task " << TaskName(task) << " failed: " << error.what();
    return std::current_exception();
  } catch (...) {
    // Whatever a task throws ends at this boundary and reaches Wait.
    LOG(ERROR) << "Task " << TaskName(task) << " failed with an exception of unknown type";
    return std::current_exception();
  }
}

}  // namespace Obrisk::Ogl
