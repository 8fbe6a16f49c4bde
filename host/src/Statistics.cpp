#include "obrisk/host/Statistics.h"

namespace Obrisk::Proc::Statistics {

Property MakeStatistics(const StatisticInfo& info) {
  Property property;
  property.SetChild("name", Property(info.name));
  property.SetChild("processingTimeNs", Property(info.processingTimeNs));
  property.SetChild("frames", Property(info.frameCount));
  property.SetChild("type", Property(std::int64_t{info.type}));
  property.SetChild("version", Property(std::int64_t{info.layoutVersion}));
  property.SetChild(IPreset::KEY_TYPE_ID, Property(info.implName));
  return property;
}

}  // namespace Obrisk::Proc::Statistics
