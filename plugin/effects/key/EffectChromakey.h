#pragma once

#include "effects/colour/WorkingColorSpace.h"
#include "obrisk/settings/KeySettings.h"

namespace Obrisk::Ogl {

// Keys out the colours in a cone around the key colour's chroma: fully
// transparent deep inside, a soft band at the bounds, and the key's spill
// taken out of the colours kept. The output always carries alpha.
class EffectChromakey final : public WorkingColorSpaceEffect<Proc::SettingsEffectChromakey> {
 public:
  const std::string_view& GetName() const override;
  // Always 26 with the alpha flag: keyed pixels are transparent.
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                              const Proc::FrameInfo& info, double progress) override;

 protected:
  void DrawInWorkingSpace(Frame& target, DataVideoOGL& source, WorkingSpacePass& pass) override;
};

}  // namespace Obrisk::Ogl
