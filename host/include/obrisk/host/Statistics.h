// Processing statistics that every effect object reports.
#pragma once

#include <cstdint>
#include <string>

#include "obrisk/host/Property.h"

namespace Obrisk::Proc {

namespace IPreset {
// The key under which an implementation name is stored.
inline const std::string KEY_TYPE_ID{"type_id"};
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
// The record as a Property with the children "name", "processing_time_ns",
// "frames", "type", "version" and IPreset::KEY_TYPE_ID, in that order.
Property MakeStatistics(const StatisticInfo& info);
}  // namespace Statistics

}  // namespace Obrisk::Proc
