#pragma once

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/OverlaySettings.h"

namespace Obrisk::Ogl {

// A colour that covers the picture more and more from an inner to an outer
// distance around a centre; the distance's shape, the fall-off's easing and
// the aspect correction choose the generated shader.
class EffectVignetteFilter final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectVignetteFilter> {
 public:
  class CacheImpl;

  // The generated shader's code: 100 x shape (1 to 5, else 0), plus 10 with
  // the aspect flag, plus 1 with the smooth flag.
  static std::int32_t ShaderCode(const Proc::SettingsEffectVignetteFilter& settings);
  // The fragment text for a code.
  static std::string FragmentText(std::int32_t code);

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
