// The render targets of an ISF package's passes, kept from frame to frame.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "frame/OglCache.h"
#include "isf/ISFParser.h"
#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl::ISF {

using PassList = std::vector<std::pair<std::string, PassElement>>;

// The widest texture the driver takes, in pixels (OpenGL thread).
std::uint32_t MaxTextureSize();

struct ISFOGLCacheItem {
  std::string name;
  PassElement pass;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  Ptr<Frame> target;

  // Evaluates the pass's size expressions on the GPU for a render size and
  // allocates the target at that size, at least 1 and at most the largest
  // texture the driver takes in each direction.
  void CalculateFrameInfo(ShaderStorage& storage, const Proc::FrameInfo& renderSize);
};

class ISFOGLCache final : public OglCache {
 public:
  const std::vector<ISFOGLCacheItem>& Items() const { return items_; }
  std::vector<ISFOGLCacheItem>& Items() { return items_; }

  // Makes one target per pass, shaped like `output` and sized by the pass,
  // unless the targets were made for these passes and this output size.
  // Returns true when it made them.
  bool Prepare(const PassList& passes, const Frame& output, ShaderStorage& storage);

 private:
  std::vector<ISFOGLCacheItem> items_;
  PassList madeFor_;
  Proc::FrameInfo madeAt_;
};

}  // namespace Obrisk::Ogl::ISF
