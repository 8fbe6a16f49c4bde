// Value ranges of 8-bit video on the 0 to 255 scale, shared by the effects that
// measure or stretch levels.
#pragma once

#include <cstdint>
#include <utility>

namespace Obrisk::Proc {

// A closed range (low, high) of 8-bit code values.
using Range = std::pair<std::uint64_t, std::uint64_t>;

// Full ("JPEG") range: every code value.
inline constexpr Range JPEG_RANGE{0, 255};

// Limited ("MPEG") range of luma: black at 16 and white at 235 (ITU-R BT.601 and
// BT.709 8-bit quantisation).
inline constexpr Range MPEG_I_RANGE{16, 235};

}  // namespace Obrisk::Proc
