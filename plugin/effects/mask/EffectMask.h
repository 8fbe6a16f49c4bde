#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "effects/blur/EffectCensored.h"
#include "effects/blur/EffectGaussianBlur.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/MaskSettings.h"

namespace Obrisk::Ogl {

// Up to ten rectangles or ellipses, each turned about its centre, filled
// with a colour, the blurred picture or the pixelated picture, each with a
// soft edge outside the shape, an optional line along that edge and an
// opacity. One program is generated per combination of shapes and combine
// mode and kept by the shader storage.
class EffectMask final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectMask> {
 public:
  const std::string_view& GetName() const override;
  // The embedded blur's cache and the blurred and pixelated pictures.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 private:
  EffectGaussianBlur blur_;
  EffectCensored pixelate_;
};

// The name of the program drawn for these masks: one digit per mask's shape
// (0 rectangle, 1 ellipse) after the combine mode of `type`.
std::string MaskProgramName(const std::vector<Proc::FrameMask>& masks, std::int32_t type);

// The feather band width of a mask, in texture coordinates along u.
double MaskEdgeWidth(const Proc::FrameMask& mask);

}  // namespace Obrisk::Ogl
