#include "frame/ShaderDialect.h"

#include <cstdlib>

namespace Obrisk::Ogl::ShaderDialect {
namespace {

constexpr std::string_view kVersion = "#version";
constexpr std::string_view kBlanks = " \t\r\n";
constexpr int kFirstVersionCountingNextLine = 330;
// What the ES versions become: 1.00 and 1.30 share the legacy built-ins, and
// 3.30 (keeping the legacy built-ins that shared functions use) has the
// in/out, texture() and layout qualifiers of ES 3.x.
constexpr std::string_view kForEs2 = "#version 130";
constexpr std::string_view kForEs3 = "#version 330 compatibility";
constexpr int kFirstEs3Version = 300;

// The number after #version in `head`; 0 without one.
int VersionNumber(std::string_view head) {
  const std::size_t position = head.find(kVersion);
  if (position == std::string_view::npos) return 0;
  return std::atoi(std::string(head.substr(position + kVersion.size(), 8)).c_str());
}

}  // namespace

bool HasVersion(std::string_view text) {
  const std::size_t start = text.find_first_not_of(kBlanks);
  return start != std::string_view::npos && text.substr(start).starts_with(kVersion);
}

std::size_t LeadingDirectivesEnd(std::string_view source, int& lines) {
  std::size_t offset = 0;
  lines = 0;
  while (offset < source.size()) {
    const std::size_t end = source.find('\n', offset);
    const std::size_t next = end == std::string_view::npos ? source.size() : end + 1;
    std::string_view line = source.substr(offset, next - offset);
    const std::size_t start = line.find_first_not_of(kBlanks);
    if (start != std::string_view::npos) {
      line.remove_prefix(start);
      if (!line.starts_with(kVersion) && !line.starts_with("#extension")) break;
    }
    offset = next;
    ++lines;
  }
  return offset;
}

std::string LineDirective(std::string_view head, int line) {
  const int version = VersionNumber(head);
  return "\n#line " + std::to_string(version >= kFirstVersionCountingNextLine ? line : line - 1) +
         "\n";
}

std::string ForFullFrame(std::string_view text) {
  if (!HasVersion(text)) {
    return std::string(kPortable) + LineDirective(kPortable, 1).substr(1) + std::string(text);
  }
  const std::size_t start = text.find(kVersion);
  std::size_t end = text.find('\n', start);
  if (end == std::string_view::npos) end = text.size();
  const std::string_view directive = text.substr(start, end - start);
  const bool es =
      directive.find(" es") != std::string_view::npos || VersionNumber(directive) == 100;
  if (!es) return std::string(text);
  const std::string_view desktop = VersionNumber(directive) >= kFirstEs3Version ? kForEs3 : kForEs2;
  return std::string(text.substr(0, start)) + std::string(desktop) + std::string(text.substr(end));
}

}  // namespace Obrisk::Ogl::ShaderDialect
