// Colour lookup tables and tone curves as users bring them: 3-D tables read
// from .cube and .3dl files, and curves given as control points or samples.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Obrisk::Proc {

namespace LUT {

// The largest edge a 3-D table may have, and the largest 1-D table.
constexpr std::int32_t kMaxEdge = 256;
constexpr std::int32_t kMaxSize1D = 65536;
// A 1-D table becomes a 3-D one of its own size up to this edge (exact for
// trilinear and tetrahedral lookups), and of this edge beyond it.
constexpr std::int32_t kMaxEdgeFrom1D = 65;

// A 3-D table of n x n x n RGB triples, red index fastest, then green, then
// blue. Inputs are mapped from [domainMin, domainMax] onto the lattice.
struct LUTTable {
  std::int32_t size = 0;
  std::vector<float> values;  // 3 n^3 floats
  std::array<float, 3> domainMin{0.0f, 0.0f, 0.0f};
  std::array<float, 3> domainMax{1.0f, 1.0f, 1.0f};
  std::string title;

  std::int32_t GetSize() const { return size; }
  std::size_t Entries() const { return static_cast<std::size_t>(size) * size * size; }
  // The triple at lattice point (r, g, b).
  std::array<float, 3> At(int r, int g, int b) const;
  bool operator==(const LUTTable&) const = default;
};

enum class FileFormat { Cube, ThreeDL };

// Reads a table from the text of a .cube (1-D or 3-D) or .3dl file. `name`
// names the source in messages. Throws std::invalid_argument naming the line
// of the first fault (unknown keyword, non-numeric value, wrong number of
// values or entries, size out of range); nothing is returned then.
LUTTable ReadTable(std::string_view text, FileFormat format, std::string_view name);
// The format a file name's extension names; std::invalid_argument otherwise.
FileFormat FormatOfPath(std::string_view path);
// Reads a .cube or .3dl file; std::invalid_argument when it cannot be read.
LUTTable ReadTableFile(const std::string& path);
// The text of a .cube (3-D) file, or of a .3dl file with 10-bit input and
// 12-bit output levels, that ReadTable reads back.
std::string WriteCube(const LUTTable& table);
std::string Write3dl(const LUTTable& table);

// A table of edge n that maps every colour to itself.
LUTTable Identity(std::int32_t size);

}  // namespace LUT

namespace Curve {

// Samples evenly spread over the domain [minDomain, maxDomain].
struct CurvePoints {
  std::vector<float> samples;
  float minDomain = 0.0f;
  float maxDomain = 1.0f;

  const std::vector<float>& GetSamples() const { return samples; }
  std::pair<float, float> GetDomain() const { return {minDomain, maxDomain}; }
  bool operator==(const CurvePoints&) const = default;
};

// Samples a curve through control points (x strictly increasing) takes.
constexpr int kSamplesPerCurve = 1024;

// The curve through control points (x, y): a monotone cubic (Fritsch and
// Carlson, SIAM J. Numer. Anal. 17(2), 1980), smooth, and rising or falling
// wherever the points do; the domain runs from the first x to the last.
CurvePoints FromControlPoints(const std::vector<std::array<float, 2>>& points);

// A curve from its text: control points as "x,y" pairs separated by spaces
// ("0,0 0.4,0.6 1,1"), or bare samples over 0 to 1 ("0 0.3 0.7 1"). Throws
// std::invalid_argument naming the fault.
CurvePoints Parse(std::string_view text);

}  // namespace Curve

}  // namespace Obrisk::Proc
