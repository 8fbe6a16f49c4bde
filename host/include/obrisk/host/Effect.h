// The host's effect interfaces: what an effect object offers its host.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "obrisk/host/Data.h"
#include "obrisk/host/Property.h"
#include "obrisk/host/RefCount.h"
#include "obrisk/host/Settings.h"
#include "obrisk/settings/ServiceSettings.h"

namespace Obrisk::Proc {

// Supplies progress values that change while an effect is in use (for
// example a transition whose length the user edits).
class IProgressController : public IRefCountable {
 public:
  virtual double GetProgress(std::int64_t microseconds) const = 0;
};

// Maps a time in microseconds to the progress of an effect.
class TimeToProgress {
 public:
  // Progress 0 at every time.
  TimeToProgress();
  explicit TimeToProgress(std::function<double(std::int64_t)> mapping);
  // 0 at `start`, 1 at `start + duration`, linear between, clamped outside.
  static TimeToProgress Linear(std::int64_t start, std::int64_t duration);

  double GetProgress(const std::int64_t& microseconds) const { return mapping_(microseconds); }

 private:
  std::function<double(std::int64_t)> mapping_;
};

// The format of the video an effect will produce, negotiated before processing.
class IFormatCodecVideo : public IRefCountable {
 public:
  virtual PixFmt GetPixelFormat() const = 0;
  virtual void SetPixelFormat(PixFmt format) = 0;
  virtual const ColorSpace& GetColorSpace() const = 0;
  virtual void SetColorSpace(const ColorSpace& colorSpace) = 0;
  virtual bool GetAlphaFlag() const = 0;
  virtual void SetAlphaFlag(bool alpha) = 0;
  virtual const FrameInfo& GetFrameInfo() const = 0;
  virtual void InitByPixelAspect(std::int32_t width, std::int32_t height, std::int32_t num,
                                 std::int32_t den) = 0;
};

class FormatCodecVideo final : public RefCounted<IFormatCodecVideo> {
 public:
  FormatCodecVideo(PixFmt format, const ColorSpace& colorSpace, const FrameInfo& info);

  PixFmt GetPixelFormat() const override { return format_; }
  void SetPixelFormat(PixFmt format) override;
  const ColorSpace& GetColorSpace() const override { return colorSpace_; }
  void SetColorSpace(const ColorSpace& colorSpace) override { colorSpace_ = colorSpace; }
  bool GetAlphaFlag() const override { return alpha_; }
  void SetAlphaFlag(bool alpha) override { alpha_ = alpha; }
  const FrameInfo& GetFrameInfo() const override { return info_; }
  void InitByPixelAspect(std::int32_t width, std::int32_t height, std::int32_t num,
                         std::int32_t den) override;

 private:
  PixFmt format_;
  ColorSpace colorSpace_;
  FrameInfo info_;
  bool alpha_;
};

// Base of every effect object. The host implements the settings conversions
// and the progress operations; an effect supplies the rest.
class IEffect : public IRefCountable {
 public:
  // The current settings as a Property (through GetSettingsObject).
  virtual Property GetSettings() const;
  virtual void SetSettingsObject(const Settings& settings) = 0;
  // Applies a Property to a copy of the current settings and hands the copy
  // to SetSettingsObject; the errors are those of Settings::Deserialize.
  virtual void SetSettings(const Property& settings);
  virtual const Settings& GetSettingsObject() const = 0;
  virtual void ResetCache() = 0;
  // Processes one frame set given as a list and returns the result; the list
  // itself is not changed.
  virtual Ptr<IData> ProcessData(const std::vector<Ptr<IData>>& frames) = 0;
  virtual void SetProgressController(const Ptr<IProgressController>& controller);
  virtual const TimeToProgress& GetProgress() const { return progress_; }
  virtual TimeToProgress& GetProgress() { return progress_; }
  virtual void SetProgress(const TimeToProgress& progress) { progress_ = progress; }
  virtual std::uint8_t GetTraits() const = 0;
  virtual Property GetStatistic() const = 0;

 private:
  TimeToProgress progress_;
};

class IOneInputEffect : public IEffect {};
class ITwoInputEffect : public IEffect {};
class IVarInputEffect : public IEffect {};

class IOneInputEffectVideo : public IOneInputEffect {
 public:
  // Processes a copy of the first entry.
  Ptr<IData> ProcessData(const std::vector<Ptr<IData>>& frames) override;
  // Replaces `data` by the processed frame.
  virtual void ProcessData(Ptr<IData>& data) { Process(data); }
  virtual void UpdateFormatCodecVideo(const Ptr<IFormatCodecVideo>& format) = 0;

 protected:
  virtual void Process(Ptr<IData>& data) = 0;
};

class ITwoInputEffectVideo : public ITwoInputEffect {
 public:
  using ITwoInputEffect::ProcessData;
  // Replaces `first` by the frame made from `first` and `second`.
  virtual void ProcessData(Ptr<IData>& first, const Ptr<IData>& second) { Process(first, second); }
  virtual void UpdateFormatCodecVideo(const Ptr<IFormatCodecVideo>& format) = 0;

 protected:
  virtual void Process(Ptr<IData>& first, const Ptr<IData>& second) = 0;
};

class IVarInputEffectVideo : public IVarInputEffect {
 public:
  Ptr<IData> ProcessData(const std::vector<Ptr<IData>>& frames) override {
    return ProcessFrames(frames);
  }
  virtual Ptr<IData> ProcessFrames(const std::vector<Ptr<IData>>& frames) {
    return Process(frames);
  }
  virtual void UpdateFormatCodecVideo(const Ptr<IFormatCodecVideo>& format) = 0;

 protected:
  virtual Ptr<IData> Process(const std::vector<Ptr<IData>>& frames) = 0;
};

// A resizer: a one-input video effect with typed settings of its own.
class IResize : public IOneInputEffectVideo {
 public:
  virtual void SetResizerSettings(const SettingsResizer& settings) = 0;
  virtual const SettingsResizer& GetResizerSettings() const = 0;

  // Applies a Property to `settings` (errors as Settings::Deserialize).
  static void Property2Settings(const Property& property, SettingsResizer& settings);
  static Property Settings2Property(const SettingsResizer& settings);
  // The method's name ("Lanczos"), or its number for values without one.
  static std::string ResizeMethods2String(ResizeMethods method);
};

}  // namespace Obrisk::Proc
