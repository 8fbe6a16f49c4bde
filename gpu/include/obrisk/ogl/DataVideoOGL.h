// Video data whose picture a task renders on the OpenGL thread.
#pragma once

#include <condition_variable>
#include <exception>
#include <mutex>

#include <boost/container/small_vector.hpp>

#include "obrisk/host/Data.h"
#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/OglTask.h"

namespace Obrisk::Ogl {

// The data exists at once; its frame is drawn later, after the frames of its
// dependencies, by the task attached to it. A failure of that task (or of a
// dependency) is kept and raised by Wait.
class DataVideoOGL final : public Proc::DataVideoBase<Proc::IDataVideo> {
 public:
  static Ptr<DataVideoOGL> Create(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                                  const Proc::FrameInfo& info);

  // The frame; drawn once the producer ran (inside dependent tasks, or after
  // Wait). Made on first use, so that processing a frame set costs no more
  // than the output data and its task.
  const Ptr<Frame>& FrameData() const;
  // Makes the task the producer of the frame and queues it. One task per data;
  // dependencies are added before.
  void AttachTask(Ptr<IOglTask> task);
  // Keeps `input` alive and draws it before this data.
  void AddDependency(const Ptr<DataVideoOGL>& input);

  // Blocks until the frame is drawn; rethrows the failure that stopped it.
  void Wait();
  bool IsReady() const;

  // Draws the dependencies, then runs the producer (OpenGL thread). A data
  // without a producer comes out transparent black.
  void Resolve(ShaderStorage& storage);

  DataVideoOGL(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
               const Proc::FrameInfo& info);

 private:
  enum class State { Pending, Running, Done };
  std::exception_ptr RunProducer(ShaderStorage& storage, Ptr<IOglTask> task);

  mutable Ptr<Frame> frame_;
  mutable std::mutex mutex_;
  std::condition_variable done_;
  State state_ = State::Pending;
  Ptr<IOglTask> task_;
  boost::container::small_vector<Ptr<DataVideoOGL>, 2> dependencies_;
  std::exception_ptr failure_;
};

}  // namespace Obrisk::Ogl
