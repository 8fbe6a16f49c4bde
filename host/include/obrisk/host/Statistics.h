// Processing statistics that every effect object reports.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "obrisk/host/Property.h"

namespace Obrisk::Proc {

namespace IPreset {
// The key under which an implementation name is stored.
inline const std::string KEY_TYPE_ID{"typeId"};
}  // namespace IPreset

struct StatisticInfo {
  std::string name;
  std::int64_t processingTimeNs = 0;  // host-side time spent in Process, summed
  std::int64_t frameCount = 0;
  std::uint32_t type = 0;           // 7 effects, 8 transitions
  std::uint32_t layoutVersion = 1;  // version of this record's layout
  std::string implName;
};

namespace Statistics {
// The record as a Property with the children "name", "processingTimeNs",
// "frames", "type", "version" and IPreset::KEY_TYPE_ID, in that order.
Property MakeStatistics(const StatisticInfo& info);
}  // namespace Statistics

// The counters behind a StatisticInfo: frames processed and the host-side
// time spent on them, in nanoseconds.
class ProcessingCounters {
 public:
  using Clock = std::chrono::steady_clock;

  // Counts one frame whose processing began at `start`.
  void CountFrame(Clock::time_point start) {
    ++frameCount_;
    processingTimeNs_ +=
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
  }
  // The statistics record with these counters (version 1).
  Property Make(std::string name, std::uint32_t type, std::string implName) const {
    return Statistics::MakeStatistics(
        {std::move(name), processingTimeNs_, frameCount_, type, 1, std::move(implName)});
  }

 private:
  std::int64_t processingTimeNs_ = 0;
  std::int64_t frameCount_ = 0;
};

}  // namespace Obrisk::Proc
