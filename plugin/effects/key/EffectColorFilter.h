#pragma once

#include <array>

#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/KeySettings.h"

namespace Obrisk::Ogl {

// A numbered colour filter: one of 36 looks (tone curves per channel and a
// colour matrix), channel factors, or a weighted grey; mixed with the
// picture by the strength.
class EffectColorFilter final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, Proc::SettingsEffectColorFilter> {
 public:
  class CacheImpl;

  // The looks by number, for documentation and tests.
  static const std::string_view& LookName(int filter);
  // A look's curve value of `channel` (0 red, 1 green, 2 blue) at `c`, as
  // the shader computes it, and its colour matrix applied to `rgb`.
  static float LookCurve(int filter, int channel, float c);
  static std::array<float, 3> LookMatrix(int filter, const std::array<float, 3>& rgb);

  const std::string_view& GetName() const override;
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

}  // namespace Obrisk::Ogl
