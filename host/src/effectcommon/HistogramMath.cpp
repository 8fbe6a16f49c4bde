#include "obrisk/effectcommon/HistogramMath.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace Obrisk::Proc {
namespace {

constexpr double kPercent = 100.0;

bool IsValidRange(const Range& range) {
  return range.first < range.second && range.second <= kMaxLevel;
}

// The share of `samples` that `percent` allows, never negative.
double AllowedCount(float percent, std::uint64_t samples) {
  return std::max(0.0, static_cast<double>(percent)) / kPercent * static_cast<double>(samples);
}

// The highest level with no more than `allowed` samples strictly below it.
std::uint64_t LowQuantile(const HistogramBins& bins, double allowed) {
  std::uint64_t level = 0;
  std::uint64_t below = 0;
  while (level < kMaxLevel && static_cast<double>(below + bins[level]) <= allowed) {
    below += bins[level];
    ++level;
  }
  return level;
}

// The lowest level with no more than `allowed` samples strictly above it.
std::uint64_t HighQuantile(const HistogramBins& bins, double allowed) {
  std::uint64_t level = kMaxLevel;
  std::uint64_t above = 0;
  while (level > 0 && static_cast<double>(above + bins[level]) <= allowed) {
    above += bins[level];
    --level;
  }
  return level;
}

// Sum over the levels of count x (level - neutral)^2.
double SquaredChromaDistance(const HistogramBins& bins) {
  double sum = 0.0;
  for (std::size_t level = 0; level < kHistogramBins; ++level) {
    const double distance = static_cast<double>(level) - kNeutralChroma;
    sum += static_cast<double>(bins[level]) * distance * distance;
  }
  return sum;
}

// The largest gain that keeps neutral + gain x distance inside 0..255.
double GainLimit(double distance) {
  if (distance > 0.0) return (static_cast<double>(kMaxLevel) - kNeutralChroma) / distance;
  if (distance < 0.0) return kNeutralChroma / -distance;
  return HUGE_VAL;
}

std::uint8_t ToLevel(double value) {
  return static_cast<std::uint8_t>(
      std::clamp(std::lround(value), 0L, static_cast<long>(kMaxLevel)));
}

}  // namespace

ChannelRanges CalcRange(const std::vector<Histogram>& histograms) {
  ChannelRanges ranges;
  ranges.reserve(histograms.size());
  for (const Histogram& histogram : histograms) {
    Range range{kMaxLevel, 0};
    for (std::size_t level = 0; level < kHistogramBins; ++level) {
      if (histogram.bins[level] == 0) continue;
      range.first = std::min<std::uint64_t>(range.first, level);
      range.second = std::max<std::uint64_t>(range.second, level);
    }
    ranges.push_back(range);
  }
  return ranges;
}

ChannelRanges CalcQuantiles(const std::vector<Histogram>& histograms, std::uint64_t samples,
                            const Thresholds& thresholds) {
  const double belowAllowed = AllowedCount(thresholds.first, samples);
  const double aboveAllowed = AllowedCount(thresholds.second, samples);
  ChannelRanges quantiles;
  quantiles.reserve(histograms.size());
  for (const Histogram& histogram : histograms) {
    quantiles.emplace_back(LowQuantile(histogram.bins, belowAllowed),
                           HighQuantile(histogram.bins, aboveAllowed));
  }
  return quantiles;
}

Range UpdateRange(const Range& previous, const ChannelRanges& measured) {
  Range range = previous;
  for (const Range& channel : measured) {
    if (channel.first > channel.second) continue;  // nothing measured
    range.first = std::min(range.first, channel.first);
    range.second = std::max(range.second, channel.second);
  }
  return range;
}

bool ValidQuantile(const ChannelRanges& quantiles, const Range& range) {
  return !quantiles.empty() && IsValidRange(range) &&
         std::all_of(quantiles.begin(), quantiles.end(), IsValidRange);
}

bool RescaleNeeded(const ChannelRanges& quantiles, const Range& range) {
  return std::any_of(quantiles.begin(), quantiles.end(),
                     [&](const Range& channel) { return channel != range; });
}

std::vector<LevelTable> CreateNormalizationTables(const ChannelRanges& quantiles,
                                                  const Range& range) {
  if (!ValidQuantile(quantiles, range)) {
    throw std::invalid_argument("CreateNormalizationTables: empty or inverted range");
  }
  const double outLow = static_cast<double>(range.first);
  const double outHigh = static_cast<double>(range.second);
  std::vector<LevelTable> tables(quantiles.size());
  for (std::size_t channel = 0; channel < quantiles.size(); ++channel) {
    const double inLow = static_cast<double>(quantiles[channel].first);
    const double inSpan = static_cast<double>(quantiles[channel].second) - inLow;
    for (std::size_t level = 0; level < kHistogramBins; ++level) {
      // Multiplied before dividing: whole-number halves round exactly.
      const double stretched =
          outLow + (static_cast<double>(level) - inLow) * (outHigh - outLow) / inSpan;
      tables[channel][level] = ToLevel(std::clamp(stretched, outLow, outHigh));
    }
  }
  return tables;
}

double CalcSaturation(const HistogramBins& u, const HistogramBins& v, std::uint64_t samples) {
  if (samples == 0) return 1.0;
  const double spread = std::sqrt((SquaredChromaDistance(u) + SquaredChromaDistance(v)) /
                                  static_cast<double>(samples));
  if (spread < kMinChromaSpread) return 1.0;
  return std::clamp(kTargetChromaSpread / spread, 1.0, kMaxAutoSaturation);
}

UVTransTables PrepareUVTransTables(double saturation) {
  if (!(saturation >= 0.0) || !std::isfinite(saturation)) {
    throw std::invalid_argument("PrepareUVTransTables: invalid saturation " +
                                std::to_string(saturation));
  }
  UVTransTables tables{std::vector<std::uint8_t>(kUVTableSize),
                       std::vector<std::uint8_t>(kUVTableSize)};
  for (std::size_t v = 0; v < kHistogramBins; ++v) {
    const double dv = static_cast<double>(v) - kNeutralChroma;
    for (std::size_t u = 0; u < kHistogramBins; ++u) {
      const double du = static_cast<double>(u) - kNeutralChroma;
      const double gain = std::min({saturation, GainLimit(du), GainLimit(dv)});
      const std::size_t index = v * kHistogramBins + u;
      tables.u[index] = ToLevel(kNeutralChroma + gain * du);
      tables.v[index] = ToLevel(kNeutralChroma + gain * dv);
    }
  }
  return tables;
}

}  // namespace Obrisk::Proc
