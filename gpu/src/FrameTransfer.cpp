#include "obrisk/ogl/FrameTransfer.h"

#include <chrono>
#include <cstring>

#include "obrisk/host/Statistics.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/settings/ServiceSettings.h"

namespace Obrisk::Ogl {
namespace {

using Proc::DataVideoMemory;
using Proc::PixFmt;

constexpr std::uint8_t kOpaque = 255;

// Copies rows bottom first (the GPU's order), making RGBX opaque on the way.
void CopyFlipped(const DataVideoMemory& frame, std::vector<std::uint8_t>& staging) {
  const int height = frame.GetFrameInfo().height;
  const std::size_t stride = frame.Stride();
  staging.resize(stride * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::memcpy(staging.data() + stride * static_cast<std::size_t>(height - 1 - y), frame.Row(y),
                stride);
  }
  if (frame.GetPixelFormat() == PixFmt::RGBX) {
    for (std::size_t i = 3; i < staging.size(); i += 4) staging[i] = kOpaque;
  }
}

// How a component of the memory frame's pixels is stored.
GLenum ComponentType(PixFmt format) {
  return format == PixFmt::RGBA_HALF ? GL_HALF_FLOAT : GL_UNSIGNED_BYTE;
}

// The GPU format of uploaded frames: 16-bit float stays so, 8-bit frames
// become RGBA or RGBX.
PixFmt UploadedFormat(PixFmt format) {
  if (format == PixFmt::RGBA_HALF) return format;
  return Proc::PixFmtDescription::Find(format).HasAlpha() ? Proc::kPixFmtAlpha
                                                          : Proc::kPixFmtOpaque;
}

class UploadTask final : public IOglTask {
 public:
  explicit UploadTask(Ptr<const DataVideoMemory> frame)
      : IOglTask(1, "UploadTask"), frame_(std::move(frame)) {}

  void Execute(ShaderStorage&) override {
    thread_local std::vector<std::uint8_t> staging;
    CopyFlipped(*frame_, staging);
    const PixFmt format = frame_->GetPixelFormat();
    const GLenum layout = format == PixFmt::BGRA ? GL_BGRA : GL_RGBA;
    GetFrame()->GetFirstTexture().Update(0, staging.data(), layout, ComponentType(format));
    frame_.reset();
  }

 private:
  Ptr<const DataVideoMemory> frame_;
};

class FrameUploader final : public RefCounted<Proc::IOneInputEffectVideo> {
 public:
  void SetSettingsObject(const Proc::Settings& settings) override {
    settings_ = dynamic_cast<const Proc::SettingsFrameUploader&>(settings);
  }
  const Proc::Settings& GetSettingsObject() const override { return settings_; }
  void ResetCache() override {}
  std::uint8_t GetTraits() const override { return kTraits; }
  Property GetStatistic() const override {
    return counters_.Make("FrameUploader", kType, Proc::ImplNames::OGL);
  }
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override {
    format->SetPixelFormat(UploadedFormat(format->GetPixelFormat()));
  }

 protected:
  void Process(Ptr<Proc::IData>& data) override {
    if (!data || dynamic_cast<DataVideoOGL*>(data.get()) != nullptr) return;
    const auto start = Proc::ProcessingCounters::Clock::now();
    auto* memory = dynamic_cast<const DataVideoMemory*>(data.get());
    if (memory == nullptr) {
      OBRISK_THROW(EffectException, "FrameUploader: only frames in memory can be uploaded");
    }
    data = UploadFrame(Ptr<const DataVideoMemory>(memory));
    counters_.CountFrame(start);
  }

 private:
  static constexpr std::uint8_t kTraits = 2;
  static constexpr std::uint32_t kType = 7;
  Proc::SettingsFrameUploader settings_;
  Proc::ProcessingCounters counters_;
};

Ptr<Proc::IEffect> CreateFrameUploader(const Ptr<Proc::IEffectFactory>&,
                                       const Ptr<IRefCountable>&) {
  return Ptr<Proc::IEffect>(new FrameUploader());
}

}  // namespace

Ptr<DataVideoOGL> UploadFrame(const Ptr<const DataVideoMemory>& frame) {
  Ptr<DataVideoOGL> data = DataVideoOGL::Create(
      frame->GetColorSpace(), UploadedFormat(frame->GetPixelFormat()), frame->GetFrameInfo());
  data->SetStartTime(frame->GetStartTime());
  data->SetDuration(frame->GetDuration());
  data->SetEmptyTransparentFrameFlag(frame->IsEmptyTransparentFrame());
  data->AttachTask(MakeRef<UploadTask>(frame));
  return data;
}

Ptr<DataVideoMemory> DownloadFrame(const Ptr<DataVideoOGL>& data, Readback depth) {
  data->Wait();
  const PixFmt rendered = data->GetPixelFormat();
  const bool alpha = Proc::PixFmtDescription::Find(rendered).HasAlpha();
  const PixFmt format = depth == Readback::AsRendered && rendered == PixFmt::RGBA_HALF
                            ? rendered
                            : (alpha ? PixFmt::RGBA : PixFmt::RGBX);
  auto frame = MakeRef<DataVideoMemory>(data->GetColorSpace(), format, data->GetFrameInfo());
  frame->SetStartTime(data->GetStartTime());
  frame->SetDuration(data->GetDuration());
  frame->SetEmptyTransparentFrameFlag(data->IsEmptyTransparentFrame());
  OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
    // Planar frames are read back as their RGBA picture.
    const Ptr<Frame> rgba = data->FrameData()->ConvertToRGBA(storage);
    rgba->GetFirstTexture().Download(0, frame->Pixels(), storage.FBO(), ComponentType(format));
  });
  // The GPU gives rows bottom first; memory frames have them from the top.
  const int height = data->GetFrameInfo().height;
  std::vector<std::uint8_t> row(frame->Stride());
  for (int y = 0; y < height / 2; ++y) {
    std::uint8_t* top = frame->Row(y);
    std::uint8_t* bottom = frame->Row(height - 1 - y);
    std::memcpy(row.data(), top, row.size());
    std::memcpy(top, bottom, row.size());
    std::memcpy(bottom, row.data(), row.size());
  }
  return frame;
}

void FinishFrame(const Ptr<DataVideoOGL>& data) {
  data->Wait();
  OglManager::GetInstance().Invoke([](ShaderStorage&) { glFinish(); });
}

void RegisterFrameUploader(Proc::IEffectRegistry& registry) {
  registry.RegisterOneInputEffect(Proc::SettingsFrameUploader::CLASS_ID, Proc::ImplNames::OGL,
                                  &CreateFrameUploader);
}

}  // namespace Obrisk::Ogl
