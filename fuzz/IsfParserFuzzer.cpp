// Fuzzes ISF header parsing and shader rewriting. An input is the package's
// three texts separated by NUL bytes: header, fragment shader, vertex shader.
// The whole input is also split as a fragment file.
//
// Besides memory and undefined-behaviour errors it checks that the rewritten
// fragment shader keeps the package's lines: as many line breaks follow the
// #line directive as the package's text has after its leading directives.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "isf/ISFParser.h"
#include "obrisk/isf/ISFUtils.h"

namespace {

std::string_view NextPart(std::string_view& input) {
  const std::size_t end = input.find('\0');
  const std::string_view part = input.substr(0, end);
  input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
  return part;
}

long Lines(std::string_view text) {
  return static_cast<long>(std::count(text.begin(), text.end(), '\n'));
}

// Lines of the leading #version and #extension lines (and blank lines among
// them), which stay in front of the generated declarations.
long HeadLines(std::string_view text) {
  long lines = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    const std::size_t start = line.find_first_not_of(" \t\r\n");
    if (start != std::string_view::npos) {
      line.remove_prefix(start);
      if (!line.starts_with("#version") && !line.starts_with("#extension")) break;
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
    ++lines;
  }
  return lines;
}

// Every line break of the package's text after its leading directives must
// follow the #line directive that restarts the count (the first in the
// output: names are identifiers, so declarations cannot hold one).
void CheckLinesKept(std::string_view fragment, const std::string& output) {
  if (fragment.empty()) return;
  const std::size_t directive = output.find("\n#line ");
  if (directive == std::string::npos) __builtin_trap();
  const std::size_t text = output.find('\n', directive + 1);
  if (text == std::string::npos) __builtin_trap();
  const long after = Lines(std::string_view(output).substr(text + 1));
  if (after != Lines(fragment) - HeadLines(fragment)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  try {
    Obrisk::Proc::ISF::SplitFragmentFile(input);
  } catch (const std::exception&) {
  }
  const std::string_view header = NextPart(input);
  const std::string_view fragment = NextPart(input);
  const std::string_view vertex = NextPart(input);
  Obrisk::Ogl::ISF::ISFParser parser{std::string(header), std::string(vertex),
                                     std::string(fragment)};
  try {
    parser.AddParamsFromISF();
    parser.AddStandardElements();
  } catch (const std::exception&) {
    return 0;
  }
  CheckLinesKept(fragment, parser.GetFragmentShader());
  return 0;
}
