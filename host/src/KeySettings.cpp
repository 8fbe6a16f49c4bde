#include "obrisk/settings/KeySettings.h"

#include <stdexcept>

#include <fmt/format.h>

namespace Obrisk::Proc {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Rgba8 ParseHexColour(std::string_view text, std::string_view classId, std::string_view name) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '#') digits.remove_prefix(1);
  const auto fail = [&]() -> Rgba8 {
    throw std::invalid_argument(fmt::format(
        "{}: {} takes a colour as #RRGGBB or #RRGGBBAA, not '{}'", classId, name, text));
  };
  if (digits.size() != 6 && digits.size() != 8) return fail();
  std::uint8_t channels[4] = {0, 0, 0, 255};
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = HexDigit(digits[i]);
    const int low = HexDigit(digits[i + 1]);
    if (high < 0 || low < 0) return fail();
    channels[i / 2] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return {channels[0], channels[1], channels[2], channels[3]};
}

std::string FormatHexColour(const Rgba8& colour) {
  std::string text = fmt::format("#{:02x}{:02x}{:02x}", colour.r, colour.g, colour.b);
  if (colour.a != 255) text += fmt::format("{:02x}", colour.a);
  return text;
}

}  // namespace Obrisk::Proc
