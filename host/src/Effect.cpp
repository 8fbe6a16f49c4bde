#include "obrisk/host/Effect.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace Obrisk::Proc {

TimeToProgress::TimeToProgress() : mapping_([](std::int64_t) { return 0.0; }) {}

TimeToProgress::TimeToProgress(std::function<double(std::int64_t)> mapping)
    : mapping_(std::move(mapping)) {
  if (!mapping_) throw std::invalid_argument("TimeToProgress needs a mapping");
}

TimeToProgress TimeToProgress::Linear(std::int64_t start, std::int64_t duration) {
  if (duration <= 0)
    throw std::invalid_argument("TimeToProgress::Linear needs a positive duration");
  return TimeToProgress([start, duration](std::int64_t time) {
    return std::clamp(static_cast<double>(time - start) / static_cast<double>(duration), 0.0, 1.0);
  });
}

FormatCodecVideo::FormatCodecVideo(PixFmt format, const ColorSpace& colorSpace,
                                   const FrameInfo& info)
    : format_(format),
      colorSpace_(colorSpace),
      info_(info),
      alpha_(PixFmtDescription::Find(format).HasAlpha()) {}

void FormatCodecVideo::SetPixelFormat(PixFmt format) {
  alpha_ = PixFmtDescription::Find(format).HasAlpha();
  format_ = format;
}

void FormatCodecVideo::InitByPixelAspect(std::int32_t width, std::int32_t height, std::int32_t num,
                                         std::int32_t den) {
  info_ = FrameInfo{width, height, num, den};
}

Property IEffect::GetSettings() const {
  return GetSettingsObject().Serialize();
}

void IEffect::SetSettings(const Property& settings) {
  std::unique_ptr<Settings> next = GetSettingsObject().Clone();
  next->Deserialize(settings);
  SetSettingsObject(*next);
}

void IEffect::SetProgressController(const Ptr<IProgressController>& controller) {
  if (!controller) {
    progress_ = TimeToProgress();
    return;
  }
  progress_ =
      TimeToProgress([controller](std::int64_t time) { return controller->GetProgress(time); });
}

Ptr<IData> IOneInputEffectVideo::ProcessData(const std::vector<Ptr<IData>>& frames) {
  if (frames.empty()) throw std::logic_error("invalid data count");
  Ptr<IData> data = frames.front();
  ProcessData(data);
  return data;
}

void IResize::Property2Settings(const Property& property, SettingsResizer& settings) {
  settings.Deserialize(property);
}

Property IResize::Settings2Property(const SettingsResizer& settings) {
  return settings.Serialize();
}

std::string IResize::ResizeMethods2String(ResizeMethods method) {
  static constexpr std::array<const char*, 10> kNames{
      "Default",      "Bilinear", "Bicubic", "Spline", "Nearest",
      "FastBilinear", "Gauss",    "Sinc",    "Area",   "Lanczos"};
  const auto index = static_cast<std::int32_t>(method);
  if (index >= 0 && index < static_cast<std::int32_t>(kNames.size())) return kNames[index];
  return std::to_string(index);
}

}  // namespace Obrisk::Proc
