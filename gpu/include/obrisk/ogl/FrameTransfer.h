// Moving frames between main memory and the GPU, as a host does around effects.
#pragma once

#include <memory>

#include "obrisk/host/Data.h"
#include "obrisk/host/Registry.h"
#include "obrisk/ogl/DataVideoOGL.h"

namespace Obrisk::Ogl {

// GPU data whose task uploads the picture (8-bit RGBA, RGBX or BGRA, or
// 16-bit float RGBA; rows from the top). The output is RGBA_HALF (207) for
// 16-bit float, else RGBA (26) when the input has alpha, else RGBX (2).
Ptr<DataVideoOGL> UploadFrame(const Ptr<const Proc::DataVideoMemory>& frame);

// How DownloadFrame reads pixels back: always as 8-bit, or 16-bit float
// frames (RGBA_HALF) as 16-bit float.
enum class Readback { Bytes, AsRendered };

// Waits for the frame and reads it back as 8-bit RGBA (alpha kept) or RGBX
// (opaque formats), or as RGBA_HALF (see Readback), rows from the top.
// Rethrows a failed task's exception.
Ptr<Proc::DataVideoMemory> DownloadFrame(const Ptr<DataVideoOGL>& data,
                                         Readback depth = Readback::Bytes);

// A readback under way: on the pixel-buffer path the OpenGL thread reads the
// frame into a pixel-pack buffer as soon as it is drawn, and Take() copies
// it out, so that the frames queued after it are drawn meanwhile. Dropped
// untaken, it gives its buffer back.
class FrameReadback {
 public:
  struct State;
  explicit FrameReadback(std::shared_ptr<State> state);
  FrameReadback(FrameReadback&&) noexcept;
  FrameReadback& operator=(FrameReadback&&) noexcept;
  ~FrameReadback();

  // Waits for the pixels and gives them as DownloadFrame does (once).
  // Rethrows a failed task's exception.
  Ptr<Proc::DataVideoMemory> Take();

 private:
  std::shared_ptr<State> state_;
};

// Starts reading the frame back without waiting for it; DownloadFrame is
// StartDownload(data, depth).Take().
FrameReadback StartDownload(const Ptr<DataVideoOGL>& data, Readback depth = Readback::Bytes);

// Waits until the frame's pixels are really rendered (its task ran and the
// driver finished the work), as timing a frame needs.
void FinishFrame(const Ptr<DataVideoOGL>& data);

// Registers the frame uploader, a one-input effect for
// SettingsFrameUploader::CLASS_ID under ImplNames::OGL that turns frames in
// memory into GPU data and passes GPU data through.
void RegisterFrameUploader(Proc::IEffectRegistry& registry);

}  // namespace Obrisk::Ogl
