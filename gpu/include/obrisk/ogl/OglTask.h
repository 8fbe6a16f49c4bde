// Work for the OpenGL thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "obrisk/host/RefCount.h"

namespace Obrisk::Ogl {

class Frame;
class ShaderStorage;

// What a task needs of the OpenGL thread; 1 is plain rendering.
using OglCapability = std::uint32_t;

class IOglTask : public RefCounted<IRefCountable> {
 public:
  IOglTask(OglCapability capability, std::string name);
  // Shares a name kept elsewhere: tasks made per frame avoid a copy.
  IOglTask(OglCapability capability, std::shared_ptr<const std::string> name);
  ~IOglTask() override;

  // Runs on the OpenGL thread with that thread's shader storage.
  virtual void Execute(ShaderStorage& storage) = 0;

  const std::string& GetName() const { return *name_; }
  OglCapability GetCapability() const { return capability_; }
  // The frame the task renders into, once attached to its output data.
  const Ptr<Frame>& GetFrame() const { return frame_; }
  void SetFrame(Ptr<Frame> frame);

 private:
  OglCapability capability_;
  std::shared_ptr<const std::string> name_;
  Ptr<Frame> frame_;
};

}  // namespace Obrisk::Ogl
