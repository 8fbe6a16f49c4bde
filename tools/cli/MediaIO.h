// Reading and writing pictures and videos with FFmpeg's libraries.
#pragma once

#include <cstdint>
#include <memory>
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

// Decodes a still image or a video into 8-bit RGBA frames, in order, with their
// start times and durations in microseconds.
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

 private:
  struct State;
  std::unique_ptr<State> state_;
  Rational frameRate_;
  bool still_ = false;
};

// Encodes 8-bit RGBA or RGBX frames. The container and codec follow the file
// name's extension; a still-image extension with one frame writes one picture.
// Nothing is left at `path` unless Close() succeeds.
class MediaWriter {
 public:
  MediaWriter(const std::string& path, int width, int height, Rational frameRate, bool alpha);
  ~MediaWriter();
  MediaWriter(const MediaWriter&) = delete;
  MediaWriter& operator=(const MediaWriter&) = delete;

  void Write(const Proc::DataVideoMemory& frame);
  void Close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// True when the extension names a still-image format (png, jpg, tif, bmp).
bool IsStillImagePath(const std::string& path);

}  // namespace Obrisk::Tools
