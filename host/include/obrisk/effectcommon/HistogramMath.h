// Statistics that turn 8-bit histograms into level ranges, stretch tables and
// a chroma gain, for the effects that measure each frame before correcting it.
//
// Every value here is on the 0 to 255 scale of 8-bit code values. A range is
// closed: (low, high) covers low..high inclusive.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "obrisk/effectcommon/Ranges.h"

namespace Obrisk::Proc {

inline constexpr std::size_t kHistogramBins = 256;
inline constexpr std::uint64_t kMaxLevel = kHistogramBins - 1;

using HistogramBins = std::array<std::uint64_t, kHistogramBins>;

// The counts of one component: bin v holds the number of samples of value v.
struct Histogram {
  HistogramBins bins{};
  std::uint64_t samples = 0;
};

// Percent of the samples allowed to fall below the low (first) and above the
// high (second) end of a stretched range.
using Thresholds = std::pair<float, float>;

// One range per channel.
using ChannelRanges = std::vector<Range>;

// A level table per channel: entry v is the new value of level v.
using LevelTable = std::array<std::uint8_t, kHistogramBins>;

// The levels each histogram actually holds: (lowest, highest) non-empty bin.
// An empty histogram gives the inverted range (255, 0), which holds nothing.
ChannelRanges CalcRange(const std::vector<Histogram>& histograms);

// Per histogram, the narrowest range that leaves at most thresholds.first
// percent of `samples` below its low end and at most thresholds.second
// percent above its high end: low is the highest level with no more than
// that share strictly below it, high the lowest level with no more than that
// share strictly above it. With both thresholds 0 this is CalcRange. When the
// shares add up to 100 or more, or there are no samples, low may come out
// above high; ValidQuantile rejects such a result.
ChannelRanges CalcQuantiles(const std::vector<Histogram>& histograms, std::uint64_t samples,
                            const Thresholds& thresholds);

// The output range carried from frame to frame: the previous range widened
// to take in every measured range (empty measurements are ignored). It never
// narrows, so it settles as soon as the material's extremes have been seen
// and never flickers between frames; a picture that reaches below 16 or
// above 235 turns a limited-range target into the levels the material uses.
Range UpdateRange(const Range& previous, const ChannelRanges& measured);

// True when the quantiles and the range can define a stretch: at least one
// channel, and every range (quantiles and target) with low < high <= 255.
bool ValidQuantile(const ChannelRanges& quantiles, const Range& range);

// True when stretching any channel's quantiles onto `range` changes a level.
bool RescaleNeeded(const ChannelRanges& quantiles, const Range& range);

// Per channel, the linear stretch of its quantiles (qLow, qHigh) onto `range`
// (rLow, rHigh): level v maps to rLow + (v - qLow) (rHigh - rLow) / (qHigh -
// qLow), rounded to the nearest level and clamped to the range, so levels
// below qLow become rLow and levels above qHigh become rHigh. Throws
// std::invalid_argument when ValidQuantile is false.
std::vector<LevelTable> CreateNormalizationTables(const ChannelRanges& quantiles,
                                                  const Range& range);

// Chroma tables of 256 x 256 bytes, indexed (v x 256 + u) by the input
// chroma pair (Cb = u, Cr = v, neutral at 128).
inline constexpr std::size_t kUVTableSize = kHistogramBins * kHistogramBins;
struct UVTransTables {
  std::vector<std::uint8_t> u;
  std::vector<std::uint8_t> v;
};

// The chroma level of neutral grey.
inline constexpr double kNeutralChroma = 128.0;

// Bounds of the measured chroma gain: a pale frame is lifted until its chroma
// spread reaches kTargetChromaSpread (root mean square distance of (Cb, Cr)
// from neutral, in levels: an ordinary daylight scene), by at most
// kMaxAutoSaturation; a frame already that colourful, or a grey one whose
// spread is under kMinChromaSpread levels (noise only), keeps gain 1.
inline constexpr double kTargetChromaSpread = 24.0;
inline constexpr double kMaxAutoSaturation = 2.0;
inline constexpr double kMinChromaSpread = 1.0;

// The chroma gain that brings a frame's chroma spread, measured from the
// Cb and Cr histograms of `samples` samples each, to kTargetChromaSpread:
// never below 1 (colourful frames are left alone) nor above
// kMaxAutoSaturation. 1 when there are no samples.
double CalcSaturation(const HistogramBins& u, const HistogramBins& v, std::uint64_t samples);

// Tables that scale each chroma pair's distance from neutral by `saturation`
// (>= 0), keeping its hue: where the full gain would push Cb or Cr past 0 or
// 255, the pair gets the largest gain that stays inside. Throws
// std::invalid_argument for a negative or non-finite saturation.
UVTransTables PrepareUVTransTables(double saturation);

}  // namespace Obrisk::Proc
