// Data that flows through effects: time-stamped video frames.
#pragma once

#include <cstdint>
#include <vector>

#include "obrisk/host/Media.h"
#include "obrisk/host/RefCount.h"

namespace Obrisk::Proc {

// Times are microseconds.
class IData : public IRefCountable {
 public:
  virtual std::int64_t GetStartTime() const = 0;
  virtual void SetStartTime(std::int64_t microseconds) = 0;
  virtual std::int64_t GetDuration() const = 0;
  virtual void SetDuration(std::int64_t microseconds) = 0;
};

class IDataVideo : public IData {
 public:
  virtual const ColorSpace& GetColorSpace() const = 0;
  virtual PixFmt GetPixelFormat() const = 0;
  virtual const FrameInfo& GetFrameInfo() const = 0;
  virtual bool IsEmptyTransparentFrame() const = 0;
  virtual void SetEmptyTransparentFrameFlag(bool empty) = 0;
};

// The stored fields of a video frame, for concrete data classes.
template <class Interface>
class DataVideoBase : public RefCounted<Interface> {
 public:
  DataVideoBase(const ColorSpace& colorSpace, PixFmt format, const FrameInfo& info)
      : colorSpace_(colorSpace), format_(format), info_(info) {}

  std::int64_t GetStartTime() const override { return start_; }
  void SetStartTime(std::int64_t microseconds) override { start_ = microseconds; }
  std::int64_t GetDuration() const override { return duration_; }
  void SetDuration(std::int64_t microseconds) override { duration_ = microseconds; }
  const ColorSpace& GetColorSpace() const override { return colorSpace_; }
  PixFmt GetPixelFormat() const override { return format_; }
  const FrameInfo& GetFrameInfo() const override { return info_; }
  bool IsEmptyTransparentFrame() const override { return emptyTransparent_; }
  void SetEmptyTransparentFrameFlag(bool empty) override { emptyTransparent_ = empty; }

 private:
  ColorSpace colorSpace_;
  PixFmt format_;
  FrameInfo info_;
  std::int64_t start_ = 0;
  std::int64_t duration_ = 0;
  bool emptyTransparent_ = false;
};

// A video frame in main memory: one interleaved plane of 8-bit RGBA, RGBX or
// BGRA pixels, or of 16-bit float RGBA (RGBA_HALF, for more than 8 bits a
// component), rows from the top of the picture, each `Stride()` bytes long.
class DataVideoMemory final : public DataVideoBase<IDataVideo> {
 public:
  // Throws std::invalid_argument for other pixel formats or an empty size.
  DataVideoMemory(const ColorSpace& colorSpace, PixFmt format, const FrameInfo& info);

  std::uint8_t* Pixels() { return pixels_.data(); }
  const std::uint8_t* Pixels() const { return pixels_.data(); }
  std::size_t Stride() const { return stride_; }
  std::uint8_t* Row(int y) { return pixels_.data() + Stride() * static_cast<std::size_t>(y); }
  const std::uint8_t* Row(int y) const {
    return pixels_.data() + Stride() * static_cast<std::size_t>(y);
  }

 private:
  std::size_t stride_ = 0;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace Obrisk::Proc
