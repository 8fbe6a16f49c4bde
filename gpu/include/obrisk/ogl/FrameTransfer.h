// Moving frames between main memory and the GPU, as a host does around effects.
#pragma once

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

// Waits until the frame's pixels are really rendered (its task ran and the
// driver finished the work), as timing a frame needs.
void FinishFrame(const Ptr<DataVideoOGL>& data);

// Registers the frame uploader, a one-input effect for
// SettingsFrameUploader::CLASS_ID under ImplNames::OGL that turns frames in
// memory into GPU data and passes GPU data through.
void RegisterFrameUploader(Proc::IEffectRegistry& registry);

}  // namespace Obrisk::Ogl
