// Effects whose shaders work on BT.709 Y'CbCr and so need their input in the
// working colour space: BT.709 primaries and transfer.
#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/ServiceSettings.h"

namespace Obrisk::Ogl {

// True when a source needs no conversion into the working colour space. The
// test is the one ProcessInColorSpace applies (primaries and transfer):
// deciding on the matrix as well would send a source with another matrix
// back here unconverted, round and round. The matrix does not matter once
// the source is drawn as RGBA.
inline bool InWorkingColorSpace(const Proc::ColorSpace& colorSpace) {
  const Proc::ColorSpace working = Proc::SettingsColorSpaceConverter().GetDestinationColorSpace();
  return colorSpace.primaries == working.primaries && colorSpace.transfer == working.transfer;
}

// Draws with DrawInWorkingSpace when the source is in the working colour
// space; otherwise converts the source into it, draws, and converts the
// result into the target's colour space.
template <class S>
class WorkingColorSpaceEffect : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, S> {
 public:
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) final {
    if (InWorkingColorSpace(source->GetColorSpace())) {
      DrawInWorkingSpace(*target, *source, storage);
      return;
    }
    // The converter's defaults name the working colour space.
    this->ProcessInColorSpace(Proc::SettingsColorSpaceConverter(), target, source, time, progress,
                              storage, cache);
  }

 protected:
  // Draws the effect from a source in the working colour space.
  virtual void DrawInWorkingSpace(Frame& target, DataVideoOGL& source, ShaderStorage& storage) = 0;
};

}  // namespace Obrisk::Ogl
