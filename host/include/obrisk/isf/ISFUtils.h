// Names and helpers of the ISF shader-package format shared by every
// implementation of ISF effects: header keys, built-in variable names, input
// types, text replacement, range checks and the split of a fragment file into
// its JSON header and its shader body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace Obrisk::Proc::ISF {

// Keys of the JSON header.
inline constexpr std::string_view INPUTS_KEY = "INPUTS";
inline constexpr std::string_view PASSES_KEY = "PASSES";
inline constexpr std::string_view NAME_KEY = "NAME";
inline constexpr std::string_view TYPE_KEY = "TYPE";
inline constexpr std::string_view DEFAULT_KEY = "DEFAULT";
inline constexpr std::string_view MIN_KEY = "MIN";
inline constexpr std::string_view MAX_KEY = "MAX";
inline constexpr std::string_view TARGET_KEY = "TARGET";
inline constexpr std::string_view PERSISTENT_KEY = "PERSISTENT";
inline constexpr std::string_view WIDTH_KEY = "WIDTH";
inline constexpr std::string_view HEIGHT_KEY = "HEIGHT";
inline constexpr std::string_view FLOAT_KEY = "FLOAT";
inline constexpr std::string_view VALUES_KEY = "VALUES";
inline constexpr std::string_view IMPORTED_KEY = "IMPORTED";
inline constexpr std::string_view PATH_KEY = "PATH";
// Marks a variable in a pass's size expression: "$WIDTH", "$scale".
inline constexpr std::string_view VARIABLE_SIGN = "$";

// Built-in variables that every package may read.
inline constexpr std::string_view FRAMEINDEX = "FRAMEINDEX";
inline constexpr std::string_view PASSINDEX = "PASSINDEX";
inline constexpr std::string_view RENDERSIZE = "RENDERSIZE";
inline constexpr std::string_view TIME = "TIME";
inline constexpr std::string_view TIMEDELTA = "TIMEDELTA";
inline constexpr std::string_view DATE = "DATE";
// The float input through which transitions receive their progress.
inline constexpr std::string_view PROGRESS = "progress";

// Companions that every image (input, imported picture or pass target) has:
// "_" + the image's name + one of these suffixes. imgSize is its size in
// pixels, imgRect (0, 0, width, height), flip whether it is stored upside
// down (never here).
inline constexpr std::string_view IMG_SIZE_SUFFIX = "_imgSize";
inline constexpr std::string_view IMG_RECT_SUFFIX = "_imgRect";
inline constexpr std::string_view IMG_FLIP_SUFFIX = "_flip";
std::string CompanionName(std::string_view image, std::string_view suffix);

// Bounds that keep a package's parsing and compiling within reasonable time
// and memory: larger texts, deeper headers and more passes are refused.
inline constexpr std::size_t MAX_HEADER_BYTES = 64 * 1024;
inline constexpr std::size_t MAX_SHADER_BYTES = 256 * 1024;
inline constexpr int MAX_HEADER_DEPTH = 32;
inline constexpr std::size_t MAX_PASSES = 64;

// Throws Exception "<what> has N bytes, more than the M a package may have"
// when `text` is longer than `limit`.
void CheckPackageText(std::string_view what, std::string_view text, std::size_t limit);

// Throws Exception "JSON nested deeper than N levels" when arrays and
// objects of `json` (strings skipped) nest deeper than `limit`; a linear scan
// that runs before any recursive handling of the text.
void CheckNestingDepth(std::string_view json, int limit);

// Input types by the header's TYPE text. Types above kEvent are valid ISF
// but not rendered here; kUnknown marks a text that is no ISF type.
enum InputTypeValue : std::uint32_t {
  kBool = 0,
  kLong = 1,
  kFloat = 2,
  kPoint2D = 3,
  kColor = 4,
  kImage = 5,
  kEvent = 6,
  kAudio = 7,
  kAudioFFT = 8,
  kUnknown = 0xFFFFFFFFu
};

InputTypeValue GetInputTypeFromString(std::string_view type);

// Replaces every occurrence of `from` in `text` by `to`, scanning left to
// right and never rescanning replaced text. With `wholeWord` set, an
// occurrence counts only where it does not continue an identifier: no letter,
// digit or underscore may touch an end of `from` that is itself one. An empty
// `from` replaces nothing.
void ReplaceString(std::string& text, std::string_view from, std::string_view to, bool wholeWord);

// Whether a name can stand for its element in a shader: a letter or an
// underscore, then letters, digits and underscores.
bool IsValidName(std::string_view name);

// Where a default lies against optional bounds, component by component; a
// missing bound (empty) or a missing component checks nothing.
struct RangeCheck {
  bool belowMinimum = false;
  bool aboveMaximum = false;
};
RangeCheck CheckRange(std::span<const double> value, std::span<const double> minimum,
                      std::span<const double> maximum);

// A fragment file as the format stores it: the JSON header as the first
// comment ("/*{ ... }*/"), then the shader.
struct FragmentFile {
  std::string header;
  // The shader with the header comment turned into as many empty lines, so
  // that line numbers in compiler messages are those of the file.
  std::string body;
};
// Throws Exception "ISF header comment not found" when the text (after
// leading white space) does not open with a comment, and "ISF header comment
// is not closed" when that comment never ends.
FragmentFile SplitFragmentFile(std::string_view text);

}  // namespace Obrisk::Proc::ISF
