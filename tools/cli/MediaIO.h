// Reading and writing pictures and videos with FFmpeg's libraries. Names are
// local files taken literally: no URLs, no numbered patterns.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "obrisk/host/Data.h"

namespace Obrisk::Tools {

// A failure a user can act on (missing file, unknown format, ...).
class MediaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Rational {
  int num = 25;
  int den = 1;
  double Value() const { return static_cast<double>(num) / den; }
};

// The largest frame the tool makes or reads: a side of 16384 pixels (what
// OpenGL drivers commonly allow for a texture) and 8192 x 8192 pixels in all,
// which keeps a frame and its copies on the way through within a few GB.
constexpr int kMaxFrameSide = 16384;
constexpr std::int64_t kMaxFramePixels = std::int64_t{8192} * 8192;

// MediaError naming `what` when a frame of this size is past the limits above.
void CheckFrameSize(int width, int height, const std::string& what);

// Decodes a still image or a video into 8-bit RGBA (or RGBX, for sources
// without alpha) frames, or 16-bit float RGBA after ReadDeep(), in order, with their start times
// and durations in microseconds. YCbCr is converted by the source's matrix and range; frames carry
// its primaries and transfer (BT.709 where the source names none).
class MediaReader {
 public:
  explicit MediaReader(const std::string& path);
  ~MediaReader();
  MediaReader(const MediaReader&) = delete;
  MediaReader& operator=(const MediaReader&) = delete;

  // The next frame, or none at the end.
  Ptr<Proc::DataVideoMemory> Next();
  Rational FrameRate() const { return frameRate_; }
  int Width() const;
  int Height() const;
  // True for a single picture (PNG, JPEG, ...), false for a video.
  bool IsStill() const { return still_; }
  // The YCbCr matrix (H.273 code point) the source names, if it names one.
  std::optional<std::uint32_t> Matrix() const;
  // The number of frames the container states or its duration implies.
  std::optional<std::int64_t> FrameCount() const;
  // From now on gives the pictures of sources with more than 8 bits a
  // component as 16-bit float RGBA (RGBA_HALF) frames.
  void ReadDeep();
  // From now on keeps the audio packets met while reading, for a writer to
  // copy (EncodeOptions::audioFrom).
  void KeepAudio();

 private:
  friend class MediaWriter;  // takes the audio packets met on the way
  struct State;
  std::unique_ptr<State> state_;
  Rational frameRate_;
  bool still_ = false;
};

// How to encode: every field left empty takes the format's default (x264 at
// crf 18, preset medium, 4:2:0; VP9 at crf 30; the codec's own otherwise).
struct EncodeOptions {
  std::string codec;        // encoder name, e.g. libx264, libvpx-vp9, prores_ks, ffv1
  std::string pixelFormat;  // e.g. yuv420p, yuv420p10le, yuva420p
  std::optional<int> crf;
  std::string preset;
  std::int64_t bitrate = 0;  // bits per second; 0: quality-based
  // Formats without alpha show frames flattened over this colour (RGB).
  std::array<std::uint8_t, 3> background{0, 0, 0};
  // The frames' primaries and transfer, tagged on the output.
  Proc::ColorSpace colorSpace;
  // The YCbCr matrix (H.273); empty: BT.709 at HD sizes and larger, else BT.601.
  std::optional<std::uint32_t> matrix;
  // A video whose first audio stream is copied (after its KeepAudio()),
  // trimmed to the frames written; re-encoded where the container cannot
  // hold its codec.
  MediaReader* audioFrom = nullptr;
  // A join's audio, re-encoded: `audioFrom`'s (else silence) up to the end
  // of the transition, crossfaded over it into `then`'s (else silence).
  struct AudioJoin {
    MediaReader* then = nullptr;  // after its KeepAudio()
    std::int64_t at = 0;          // output microseconds where the transition starts
    std::int64_t length = 0;      // microseconds
  };
  std::optional<AudioJoin> audioJoin;
};

// Encodes 8-bit RGBA, RGBX or BGRA frames, or 16-bit float RGBA frames. The container follows the
// file name's extension; a still-image extension with one frame writes one picture. The frames go
// to a temporary file of a unique name beside `path`, renamed to `path` by Close(); nothing is left
// at `path` unless Close() succeeds.
class MediaWriter {
 public:
  MediaWriter(const std::string& path, int width, int height, Rational frameRate, bool alpha,
              const EncodeOptions& options = {});
  ~MediaWriter();
  MediaWriter(const MediaWriter&) = delete;
  MediaWriter& operator=(const MediaWriter&) = delete;

  void Write(const Proc::DataVideoMemory& frame);
  void Close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// True when an FFmpeg pixel format of that name has more than 8 bits a
// component (yuv420p10le, rgba64be, ...).
bool IsDeepPixelFormat(const std::string& name);

// True when the extension names a still-image format (png, jpg, tif, bmp).
bool IsStillImagePath(const std::string& path);

}  // namespace Obrisk::Tools
