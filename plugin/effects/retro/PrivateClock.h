// The clock of the effects that animate by the frames they have processed:
// it starts at zero with the effect's cache and advances by each processed
// frame's duration, so the animation ignores seeking.
#pragma once

#include <cstdint>

#include "frame/OglCache.h"
#include "obrisk/ogl/DataVideoOGL.h"

namespace Obrisk::Ogl {

class PrivateClockCache : public OglCache {
 public:
  // Calls draw(seconds) with the clock's time, then advances the clock by
  // the source's duration.
  template <class Draw>
  void Tick(const DataVideoOGL& source, Draw&& draw) {
    draw(static_cast<double>(microseconds_) / kMicrosecondsPerSecond);
    microseconds_ += source.GetDuration();
  }

 private:
  static constexpr double kMicrosecondsPerSecond = 1e6;
  std::int64_t microseconds_ = 0;
};

}  // namespace Obrisk::Ogl
