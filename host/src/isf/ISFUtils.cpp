#include "obrisk/isf/ISFUtils.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "obrisk/host/Exception.h"

namespace Obrisk::Proc::ISF {
namespace {

constexpr std::array<std::pair<std::string_view, InputTypeValue>, 9> kInputTypes{{
    {"bool", kBool},
    {"long", kLong},
    {"float", kFloat},
    {"point2D", kPoint2D},
    {"color", kColor},
    {"image", kImage},
    {"event", kEvent},
    {"audio", kAudio},
    {"audioFFT", kAudioFFT},
}};

bool IsIdentifierChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// Whether the occurrence of `from` at `position` stands as a word of its own.
bool IsWholeWord(std::string_view text, std::size_t position, std::string_view from) {
  const bool touchesBefore =
      position > 0 && IsIdentifierChar(from.front()) && IsIdentifierChar(text[position - 1]);
  const std::size_t end = position + from.size();
  const bool touchesAfter =
      end < text.size() && IsIdentifierChar(from.back()) && IsIdentifierChar(text[end]);
  return !touchesBefore && !touchesAfter;
}

constexpr std::string_view kCommentOpen = "/*";
constexpr std::string_view kCommentClose = "*/";

}  // namespace

InputTypeValue GetInputTypeFromString(std::string_view type) {
  for (const auto& [text, value] : kInputTypes) {
    if (text == type) return value;
  }
  return kUnknown;
}

void ReplaceString(std::string& text, std::string_view from, std::string_view to, bool wholeWord) {
  if (from.empty()) return;
  std::string result;
  std::size_t copied = 0;
  std::size_t position = text.find(from);
  while (position != std::string::npos) {
    if (wholeWord && !IsWholeWord(text, position, from)) {
      position = text.find(from, position + 1);
      continue;
    }
    result.append(text, copied, position - copied);
    result.append(to);
    copied = position + from.size();
    position = text.find(from, copied);
  }
  if (copied == 0) return;
  result.append(text, copied, std::string::npos);
  text = std::move(result);
}

std::string CompanionName(std::string_view image, std::string_view suffix) {
  // Appended into one string: GCC 12 warns (-Wrestrict) on "_" + std::string.
  std::string name = "_";
  name.append(image).append(suffix);
  return name;
}

void CheckPackageText(std::string_view what, std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return;
  OBRISK_THROW(Exception, std::string(what) + " has " + std::to_string(text.size()) +
                              " bytes, more than the " + std::to_string(limit) +
                              " a package may have");
}

void CheckNestingDepth(std::string_view json, int limit) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (inString) {
      if (c == '\\') ++i;  // the escaped character cannot end the string
      if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) {
        OBRISK_THROW(Exception, "JSON nested deeper than " + std::to_string(limit) + " levels");
      }
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
}

bool IsValidName(std::string_view name) {
  return !name.empty() && std::isdigit(static_cast<unsigned char>(name.front())) == 0 &&
         std::all_of(name.begin(), name.end(), IsIdentifierChar);
}

RangeCheck CheckRange(std::span<const double> value, std::span<const double> minimum,
                      std::span<const double> maximum) {
  RangeCheck check;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (i < minimum.size() && value[i] < minimum[i]) check.belowMinimum = true;
    if (i < maximum.size() && value[i] > maximum[i]) check.aboveMaximum = true;
  }
  return check;
}

FragmentFile SplitFragmentFile(std::string_view text) {
  const std::size_t open = text.find_first_not_of(" \t\r\n");
  if (open == std::string_view::npos || text.substr(open, kCommentOpen.size()) != kCommentOpen) {
    OBRISK_THROW(Exception, std::string("ISF header comment not found"));
  }
  const std::size_t headerStart = open + kCommentOpen.size();
  const std::size_t close = text.find(kCommentClose, headerStart);
  if (close == std::string_view::npos) {
    OBRISK_THROW(Exception, std::string("ISF header comment is not closed"));
  }
  const std::size_t bodyStart = close + kCommentClose.size();
  const auto lines =
      std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(bodyStart), '\n');
  FragmentFile file;
  file.header = std::string(text.substr(headerStart, close - headerStart));
  file.body = std::string(static_cast<std::size_t>(lines), '\n');
  file.body.append(text.substr(bodyStart));
  return file;
}

}  // namespace Obrisk::Proc::ISF
