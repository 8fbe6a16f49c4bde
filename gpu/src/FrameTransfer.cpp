#include "obrisk/ogl/FrameTransfer.h"

#include <chrono>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <vector>

#include "obrisk/host/Statistics.h"
#include "obrisk/ogl/OglManager.h"
#include "obrisk/ogl/PixelBuffer.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/settings/ServiceSettings.h"

namespace Obrisk::Ogl {
namespace {

using Proc::DataVideoMemory;
using Proc::PixFmt;

constexpr std::uint8_t kOpaque = 255;

std::size_t FrameBytes(const DataVideoMemory& frame) {
  return frame.Stride() * static_cast<std::size_t>(frame.GetFrameInfo().height);
}

// Copies rows bottom first (the GPU's order) into `target`, making RGBX
// opaque on the way. Only writes `target`, which may be mapped driver memory.
void CopyFlipped(const DataVideoMemory& frame, std::uint8_t* target) {
  const int height = frame.GetFrameInfo().height;
  const std::size_t stride = frame.Stride();
  const bool opaque = frame.GetPixelFormat() == PixFmt::RGBX;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = target + stride * static_cast<std::size_t>(height - 1 - y);
    std::memcpy(row, frame.Row(y), stride);
    if (opaque) {
      for (std::size_t i = 3; i < stride; i += 4) row[i] = kOpaque;
    }
  }
}

// Copies rows read back bottom first into the frame, top first.
void CopyFlippedBack(const std::uint8_t* source, DataVideoMemory& frame) {
  const int height = frame.GetFrameInfo().height;
  const std::size_t stride = frame.Stride();
  for (int y = 0; y < height; ++y) {
    std::memcpy(frame.Row(y), source + stride * static_cast<std::size_t>(height - 1 - y), stride);
  }
}

// Turns rows read back bottom first the right way up in place.
void FlipInPlace(DataVideoMemory& frame) {
  const int height = frame.GetFrameInfo().height;
  std::vector<std::uint8_t> row(frame.Stride());
  for (int y = 0; y < height / 2; ++y) {
    std::uint8_t* top = frame.Row(y);
    std::uint8_t* bottom = frame.Row(height - 1 - y);
    std::memcpy(row.data(), top, row.size());
    std::memcpy(top, bottom, row.size());
    std::memcpy(bottom, row.data(), row.size());
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
    const PixFmt format = frame_->GetPixelFormat();
    const GLenum layout = format == PixFmt::BGRA ? GL_BGRA : GL_RGBA;
    Texture& texture = GetFrame()->GetFirstTexture();
    if (UploadPath() == TransferPath::PixelBuffer) {
      // The rows go straight into the driver's buffer.
      MappedUpload staged = PixelBufferPool::GetInstance().MapUpload(FrameBytes(*frame_));
      CopyFlipped(*frame_, staged.Data());
      UpdateFromBuffer(texture, 0, staged, layout, ComponentType(format));
    } else {
      thread_local std::vector<std::uint8_t> staging;
      staging.resize(FrameBytes(*frame_));
      CopyFlipped(*frame_, staging.data());
      texture.Update(0, staging.data(), layout, ComponentType(format));
    }
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

namespace {

// The memory frame a readback fills: as rendered, or 8-bit.
Ptr<DataVideoMemory> ReadbackFrame(const DataVideoOGL& data, Readback depth) {
  const PixFmt rendered = data.GetPixelFormat();
  const bool alpha = Proc::PixFmtDescription::Find(rendered).HasAlpha();
  const PixFmt format = depth == Readback::AsRendered && rendered == PixFmt::RGBA_HALF
                            ? rendered
                            : (alpha ? PixFmt::RGBA : PixFmt::RGBX);
  auto frame = MakeRef<DataVideoMemory>(data.GetColorSpace(), format, data.GetFrameInfo());
  frame->SetStartTime(data.GetStartTime());
  frame->SetDuration(data.GetDuration());
  frame->SetEmptyTransparentFrameFlag(data.IsEmptyTransparentFrame());
  return frame;
}

}  // namespace

struct FrameReadback::State {
  Ptr<DataVideoOGL> data;
  Ptr<DataVideoMemory> frame;
  TransferPath path = TransferPath::Direct;
  // The pixel-buffer path: the pack buffer the pixels went into, and the
  // failure of reading them there (OpenGL thread until Take maps it).
  PixelBufferPool::Lease buffer;
  std::size_t bytes = 0;
  std::exception_ptr failure;
  std::unique_ptr<MappedReadback> mapping;

  // OpenGL thread: draws the frame and reads it into a pack buffer.
  void ReadIntoBuffer(ShaderStorage& storage) {
    try {
      data->Wait();
      // Planar frames are read back as their RGBA picture.
      const Ptr<Frame> rgba = data->FrameData()->ConvertToRGBA(storage);
      Texture& texture = rgba->GetFirstTexture();
      const GLenum type = ComponentType(frame->GetPixelFormat());
      bytes = DownloadBytes(texture, 0, type);
      buffer = PixelBufferPool::GetInstance().GetPackBuffer(bytes);
      DownloadToBuffer(texture, 0, *buffer, storage.FBO(), type);
    } catch (...) {
      failure = std::current_exception();
    }
  }

  // The pixel-buffer path's end: maps the buffer (OpenGL thread), copies the
  // rows out here and gives the buffer back there.
  static void CopyOut(std::shared_ptr<State> state) {
    OglManager::GetInstance().Invoke([&](ShaderStorage&) {
      if (state->failure) return;
      state->mapping = std::make_unique<MappedReadback>(*state->buffer, state->bytes);
    });
    if (state->failure) std::rethrow_exception(state->failure);
    CopyFlippedBack(state->mapping->Data(), *state->frame);
    const bool queued = OglManager::DoOnOpenGLThread([state] {
      state->mapping.reset();
      state->buffer.reset();
    });
    if (!queued) {
      // The context is gone and its buffers with it.
      static_cast<void>(state->mapping.release());
      static_cast<void>(state->buffer.release());
    }
  }

  // The direct path: waits for the frame and reads it into the memory frame.
  void ReadDirect() {
    data->Wait();
    OglManager::GetInstance().Invoke([&](ShaderStorage& storage) {
      const Ptr<Frame> rgba = data->FrameData()->ConvertToRGBA(storage);
      rgba->GetFirstTexture().Download(0, frame->Pixels(), storage.FBO(),
                                       ComponentType(frame->GetPixelFormat()));
    });
    FlipInPlace(*frame);
  }
};

FrameReadback::FrameReadback(std::shared_ptr<State> state) : state_(std::move(state)) {}
FrameReadback::FrameReadback(FrameReadback&&) noexcept = default;
FrameReadback& FrameReadback::operator=(FrameReadback&&) noexcept = default;
FrameReadback::~FrameReadback() = default;

Ptr<DataVideoMemory> FrameReadback::Take() {
  if (!state_) throw std::logic_error("FrameReadback::Take: the pixels were taken");
  const std::shared_ptr<State> state = std::move(state_);
  if (state->path == TransferPath::Direct) {
    state->ReadDirect();
  } else {
    // A failed task fails the readback as it fails the frame.
    state->data->Wait();
    State::CopyOut(state);
  }
  return state->frame;
}

FrameReadback StartDownload(const Ptr<DataVideoOGL>& data, Readback depth) {
  auto state = std::make_shared<FrameReadback::State>();
  state->data = data;
  state->frame = ReadbackFrame(*data, depth);
  state->path = DownloadPath();
  if (state->path == TransferPath::PixelBuffer) {
    OglManager& manager = OglManager::GetInstance();
    if (IsOpenGLThread()) {
      state->ReadIntoBuffer(manager.Storage());
    } else if (!manager.Post([state](ShaderStorage& storage) { state->ReadIntoBuffer(storage); })) {
      OBRISK_THROW(OglException, "the OpenGL thread has stopped");
    }
  }
  return FrameReadback(std::move(state));
}

Ptr<DataVideoMemory> DownloadFrame(const Ptr<DataVideoOGL>& data, Readback depth) {
  return StartDownload(data, depth).Take();
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
