// Reading and writing .cube and .3dl colour lookup tables.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fmt/format.h>

#include "obrisk/effectcommon/ColorTables.h"

namespace Obrisk::Proc::LUT {
namespace {

// One line of a file, split into its whitespace-separated words; comments
// (from '#') and blank lines are left out.
struct Line {
  std::size_t number = 0;
  std::vector<std::string_view> words;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    line = line.substr(0, std::min(line.find('#'), line.size()));
    Line split{number, {}};
    std::size_t at = 0;
    while (true) {
      at = line.find_first_not_of(" \t\r", at);
      if (at == std::string_view::npos) break;
      const std::size_t stop = std::min(line.find_first_of(" \t\r", at), line.size());
      split.words.push_back(line.substr(at, stop - at));
      at = stop;
    }
    if (!split.words.empty()) lines.push_back(std::move(split));
  }
  return lines;
}

class Reader {
 public:
  explicit Reader(std::string_view name) : name_(name) {}

  [[noreturn]] void Fail(std::size_t line, const std::string& problem) const {
    throw std::invalid_argument(fmt::format("{}, line {}: {}", name_, line, problem));
  }

  bool IsNumber(std::string_view word) const {
    double value = 0.0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size() && std::isfinite(value);
  }

  double Number(const Line& line, std::size_t index) const {
    const std::string_view word = line.words[index];
    if (!IsNumber(word)) Fail(line.number, fmt::format("'{}' is not a number", word));
    double value = 0.0;
    std::from_chars(word.data(), word.data() + word.size(), value);
    return value;
  }

  void ExpectWords(const Line& line, std::size_t count, std::string_view what) const {
    if (line.words.size() != count) {
      Fail(line.number,
           fmt::format("{} takes {} values, found {}", what, count - 1, line.words.size() - 1));
    }
  }

  std::int32_t Size(const Line& line, std::int32_t maximum) const {
    ExpectWords(line, 2, line.words[0]);
    const double size = Number(line, 1);
    if (size != std::floor(size) || size < 2 || size > maximum) {
      Fail(line.number, fmt::format("size {} is outside 2 to {}", line.words[1], maximum));
    }
    return static_cast<std::int32_t>(size);
  }

  std::array<float, 3> Triple(const Line& line, std::size_t first = 0) const {
    if (line.words.size() != first + 3) {
      Fail(line.number, fmt::format("expected 3 numbers, found {}", line.words.size() - first));
    }
    return {static_cast<float>(Number(line, first)), static_cast<float>(Number(line, first + 1)),
            static_cast<float>(Number(line, first + 2))};
  }

  // The entries from `first` on, each a line of three numbers; exactly `count`.
  std::vector<float> Entries(const std::vector<Line>& lines, std::size_t first, std::size_t count,
                             float scale) const {
    const std::size_t found = lines.size() - first;
    if (found != count) {
      const std::size_t at = found > count   ? lines[first + count].number
                             : lines.empty() ? 0
                                             : lines.back().number;
      Fail(at, fmt::format("expected {} entries, found {}", count, found));
    }
    std::vector<float> values;
    values.reserve(count * 3);
    for (std::size_t i = first; i < lines.size(); ++i) {
      for (float v : Triple(lines[i])) values.push_back(v * scale);
    }
    return values;
  }

 private:
  std::string_view name_;
};

// The value of a 1-D table of `size` entries (per channel) at position t of
// 0 to 1, interpolated linearly.
float Sample1D(const std::vector<float>& values, std::int32_t size, int channel, double t) {
  const double at = t * (size - 1);
  const int low = std::min(static_cast<int>(at), size - 2);
  const double f = at - low;
  return static_cast<float>(values[low * 3 + channel] * (1.0 - f) +
                            values[(low + 1) * 3 + channel] * f);
}

// A 3-D table applying a 1-D one to each channel.
LUTTable From1D(const std::vector<float>& values, std::int32_t size) {
  LUTTable table;
  table.size = std::min(size, kMaxEdgeFrom1D);
  table.values.resize(table.Entries() * 3);
  std::vector<std::array<float, 3>> axis(table.size);
  for (int i = 0; i < table.size; ++i) {
    for (int c = 0; c < 3; ++c) {
      axis[i][c] = Sample1D(values, size, c, static_cast<double>(i) / (table.size - 1));
    }
  }
  std::size_t at = 0;
  for (int b = 0; b < table.size; ++b) {
    for (int g = 0; g < table.size; ++g) {
      for (int r = 0; r < table.size; ++r) {
        table.values[at++] = axis[r][0];
        table.values[at++] = axis[g][1];
        table.values[at++] = axis[b][2];
      }
    }
  }
  return table;
}

LUTTable ReadCube(const std::vector<Line>& lines, const Reader& reader) {
  LUTTable table;
  std::int32_t size1D = 0;
  std::size_t first = 0;
  for (; first < lines.size() && !reader.IsNumber(lines[first].words[0]); ++first) {
    const Line& line = lines[first];
    const std::string_view keyword = line.words[0];
    if (keyword == "TITLE") {
      std::string title;
      for (std::size_t i = 1; i < line.words.size(); ++i) {
        if (i > 1) title += ' ';
        title.append(line.words[i]);
      }
      if (title.size() >= 2 && title.front() == '"' && title.back() == '"') {
        title = title.substr(1, title.size() - 2);
      }
      table.title = title;
    } else if (keyword == "LUT_3D_SIZE") {
      table.size = reader.Size(line, kMaxEdge);
    } else if (keyword == "LUT_1D_SIZE") {
      size1D = reader.Size(line, kMaxSize1D);
    } else if (keyword == "DOMAIN_MIN") {
      table.domainMin = reader.Triple(line, 1);
    } else if (keyword == "DOMAIN_MAX") {
      table.domainMax = reader.Triple(line, 1);
    } else if (keyword == "LUT_1D_INPUT_RANGE" || keyword == "LUT_3D_INPUT_RANGE") {
      reader.ExpectWords(line, 3, keyword);
      table.domainMin.fill(static_cast<float>(reader.Number(line, 1)));
      table.domainMax.fill(static_cast<float>(reader.Number(line, 2)));
    } else {
      reader.Fail(line.number, fmt::format("unknown keyword '{}'", keyword));
    }
  }
  const std::size_t end = lines.empty() ? 0 : lines.back().number;
  if ((table.size == 0) == (size1D == 0)) {
    reader.Fail(end, "expected one LUT_3D_SIZE or LUT_1D_SIZE before the entries");
  }
  for (int c = 0; c < 3; ++c) {
    if (!(table.domainMin[c] < table.domainMax[c])) {
      reader.Fail(end, "DOMAIN_MIN must be below DOMAIN_MAX in every channel");
    }
  }
  if (size1D != 0) {
    LUTTable baked = From1D(reader.Entries(lines, first, size1D, 1.0f), size1D);
    baked.domainMin = table.domainMin;
    baked.domainMax = table.domainMax;
    baked.title = table.title;
    return baked;
  }
  table.values = reader.Entries(lines, first, table.Entries(), 1.0f);
  return table;
}

// Output levels by bit depth: the depth a "Mesh" line names, else the
// smallest common depth that holds the largest entry.
float OutputScale(const std::vector<Line>& lines, std::size_t first, int meshOutputBits) {
  if (meshOutputBits > 0) return 1.0f / static_cast<float>((1 << meshOutputBits) - 1);
  double largest = 0.0;
  for (std::size_t i = first; i < lines.size(); ++i) {
    for (const auto& word : lines[i].words) {
      double value = 0.0;
      std::from_chars(word.data(), word.data() + word.size(), value);
      largest = std::max(largest, value);
    }
  }
  for (int bits : {8, 10, 12, 14}) {
    if (largest <= (1 << bits) - 1) return 1.0f / static_cast<float>((1 << bits) - 1);
  }
  return 1.0f / 65535.0f;
}

constexpr int kMaxOutputBits = 16;

LUTTable Read3dl(const std::vector<Line>& lines, const Reader& reader) {
  std::size_t first = 0;
  int outputBits = 0;
  for (; first < lines.size() && !reader.IsNumber(lines[first].words[0]); ++first) {
    const Line& line = lines[first];
    if (line.words[0] == "3DMESH") continue;
    if (line.words[0] != "Mesh") {
      reader.Fail(line.number, fmt::format("unknown keyword '{}'", line.words[0]));
    }
    reader.ExpectWords(line, 3, "Mesh");
    const double bits = reader.Number(line, 2);
    if (bits != std::floor(bits) || bits < 1 || bits > kMaxOutputBits) {
      reader.Fail(line.number, fmt::format("output depth {} is outside 1 to {} bits", line.words[2],
                                           kMaxOutputBits));
    }
    outputBits = static_cast<int>(bits);
  }
  if (first == lines.size()) {
    reader.Fail(lines.empty() ? 0 : lines.back().number, "expected the input levels line");
  }
  // The input levels: one number per lattice point of an edge.
  const Line& levels = lines[first];
  for (std::size_t i = 0; i < levels.words.size(); ++i) reader.Number(levels, i);
  const auto edge = static_cast<std::int32_t>(levels.words.size());
  if (edge < 2 || edge > kMaxEdge) {
    reader.Fail(levels.number,
                fmt::format("{} input levels, expected 2 to {}", levels.words.size(), kMaxEdge));
  }
  LUTTable file;
  file.size = edge;
  const float scale = OutputScale(lines, first + 1, outputBits);
  const std::vector<float> blueFastest = reader.Entries(lines, first + 1, file.Entries(), scale);
  // The file runs blue fastest; the table red fastest.
  file.values.resize(blueFastest.size());
  std::size_t at = 0;
  for (int r = 0; r < edge; ++r) {
    for (int g = 0; g < edge; ++g) {
      for (int b = 0; b < edge; ++b, at += 3) {
        const std::size_t to = ((static_cast<std::size_t>(b) * edge + g) * edge + r) * 3;
        std::copy_n(blueFastest.begin() + static_cast<std::ptrdiff_t>(at), 3,
                    file.values.begin() + static_cast<std::ptrdiff_t>(to));
      }
    }
  }
  return file;
}

constexpr int k3dlInputLevels = 1023;   // 10-bit input
constexpr int k3dlOutputBits = 12;      // 12-bit output
constexpr int k3dlOutputLevels = 4095;  // (1 << k3dlOutputBits) - 1

}  // namespace

std::array<float, 3> LUTTable::At(int r, int g, int b) const {
  const std::size_t at = ((static_cast<std::size_t>(b) * size + g) * size + r) * 3;
  return {values[at], values[at + 1], values[at + 2]};
}

LUTTable ReadTable(std::string_view text, FileFormat format, std::string_view name) {
  const Reader reader(name);
  const std::vector<Line> lines = SplitLines(text);
  return format == FileFormat::Cube ? ReadCube(lines, reader) : Read3dl(lines, reader);
}

FileFormat FormatOfPath(std::string_view path) {
  std::string extension(path.substr(std::min(path.rfind('.'), path.size())));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".cube") return FileFormat::Cube;
  if (extension == ".3dl") return FileFormat::ThreeDL;
  throw std::invalid_argument(
      fmt::format("'{}' is not a LUT file: expected a .cube or .3dl file", path));
}

LUTTable ReadTableFile(const std::string& path) {
  const FileFormat format = FormatOfPath(path);
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::invalid_argument(fmt::format("cannot open LUT file '{}'", path));
  std::ostringstream text;
  text << file.rdbuf();
  return ReadTable(text.str(), format, path);
}

std::string WriteCube(const LUTTable& table) {
  std::string text;
  if (!table.title.empty()) text += fmt::format("TITLE \"{}\"\n", table.title);
  text += fmt::format("LUT_3D_SIZE {}\n", table.size);
  text += fmt::format("DOMAIN_MIN {:.9g} {:.9g} {:.9g}\n", table.domainMin[0], table.domainMin[1],
                      table.domainMin[2]);
  text += fmt::format("DOMAIN_MAX {:.9g} {:.9g} {:.9g}\n", table.domainMax[0], table.domainMax[1],
                      table.domainMax[2]);
  for (std::size_t i = 0; i < table.values.size(); i += 3) {
    text += fmt::format("{:.9g} {:.9g} {:.9g}\n", table.values[i], table.values[i + 1],
                        table.values[i + 2]);
  }
  return text;
}

std::string Write3dl(const LUTTable& table) {
  const int edge = table.size;
  // "Mesh" names the lattice's bits (edge - 1 = 2^bits), then the output depth.
  std::string text = fmt::format(
      "3DMESH\nMesh {} {}\n", static_cast<int>(std::lround(std::log2(edge - 1))), k3dlOutputBits);
  for (int i = 0; i < edge; ++i) {
    text += fmt::format("{}{}", i == 0 ? "" : " ", std::lround(i * k3dlInputLevels / (edge - 1.0)));
  }
  text += '\n';
  const auto level = [](float v) {
    return std::lround(std::clamp(v, 0.0f, 1.0f) * k3dlOutputLevels);
  };
  for (int r = 0; r < edge; ++r) {
    for (int g = 0; g < edge; ++g) {
      for (int b = 0; b < edge; ++b) {
        const auto v = table.At(r, g, b);
        text += fmt::format("{} {} {}\n", level(v[0]), level(v[1]), level(v[2]));
      }
    }
  }
  return text;
}

LUTTable Identity(std::int32_t size) {
  LUTTable table;
  table.size = size;
  table.values.reserve(table.Entries() * 3);
  for (int b = 0; b < size; ++b) {
    for (int g = 0; g < size; ++g) {
      for (int r = 0; r < size; ++r) {
        for (int c : {r, g, b}) table.values.push_back(static_cast<float>(c) / (size - 1));
      }
    }
  }
  return table;
}

}  // namespace Obrisk::Proc::LUT
