#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/TransformSettings.h"

namespace Obrisk::Ogl {

// One rectangle of the picture drawn onto another of a transparent frame.
class EffectSubFrame final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectSubFrame> {
 public:
  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  // Always 26: the frame is transparent around the rectangle.
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                              const Proc::FrameInfo& info, double progress) override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
