// Frame geometry, colour spaces and pixel formats of video data.
#pragma once

#include <cstdint>
#include <string>

namespace Obrisk::Proc {

struct FrameInfo {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t pixelAspectNum = 1;
  std::int32_t pixelAspectDen = 1;

  bool operator==(const FrameInfo&) const = default;
  // (width x pixel-aspect numerator) / (height x pixel-aspect denominator).
  double DisplayAspect() const;
};

// Colour description by ITU-T H.273 code points: 1 is BT.709 in each of the
// three fields, 2 is "unspecified". The fourth field is the full-range flag of
// YCbCr data (0 limited, 1 full); it does not take part in comparisons.
struct ColorSpace {
  std::uint32_t primaries = 1;
  std::uint32_t transfer = 1;
  std::uint32_t matrix = 1;
  std::uint32_t fullRange = 0;

  bool operator==(const ColorSpace& other) const {
    return primaries == other.primaries && transfer == other.transfer && matrix == other.matrix;
  }
  std::string ToString() const;
};

// Pixel formats that frames carry. The values are the host's; their meaning:
enum class PixFmt : std::int32_t {
  YUV420P = 0,     // planar Y, U, V 8-bit, chroma halved both ways, no alpha
  RGBX = 2,        // 8-bit RGB, opaque, stored as RGBA with alpha 255
  YUV444P = 5,     // planar Y, U, V 8-bit, full chroma, no alpha
  RGBA = 26,       // 8-bit RGBA, straight alpha
  BGRA = 28,       // 8-bit BGRA, straight alpha (CPU frames; uploaded as RGBA)
  YUVA420P = 33,   // planar Y, U, V, A 8-bit, chroma halved both ways
  YUVA444P = 79,   // planar Y, U, V, A 8-bit, full chroma
  RGBA_HALF = 207  // 16-bit float RGBA working format for intermediate results
};

constexpr PixFmt kPixFmtOpaque = PixFmt::RGBX;
constexpr PixFmt kPixFmtAlpha = PixFmt::RGBA;

struct PixFmtDescription {
  static constexpr std::uint8_t kRgbaLayout = 0x04;  // one RGBA texture on the GPU
  static constexpr std::uint8_t kAlpha = 0x08;       // carries an alpha channel

  PixFmt format;
  const char* name;
  std::uint8_t flags;
  std::uint8_t planes;
  std::uint8_t bytesPerPixel;  // of the first plane

  bool HasAlpha() const { return (flags & kAlpha) != 0; }
  bool IsRgbaLayout() const { return (flags & kRgbaLayout) != 0; }

  // Throws std::invalid_argument for a value that is not a known format.
  static const PixFmtDescription& Find(PixFmt format);
};

}  // namespace Obrisk::Proc
