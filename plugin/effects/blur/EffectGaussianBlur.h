#pragma once

#include <cstdint>

#include "effects/blur/BlurPasses.h"
#include "frame/EffectAlgorithm.h"
#include "obrisk/settings/BlurSettings.h"

namespace Obrisk::Ogl {

// Separable Gaussian blur. Small radii take a horizontal and a vertical pass
// with taps two texels apart, each a linear sample that weighs the two texels
// it stands for by their own Gaussian weights; larger ones blur a halved
// (pyramid) copy of the picture and scale it back up, so that their cost
// hardly grows with the radius. Other algorithms embed it: they set its
// settings themselves and call ProcessGpu with the cache that its
// CreateCache made.
class EffectGaussianBlur final
    : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm,
                                         Proc::SettingsEffectBlurGaussian> {
 public:
  const std::string_view& GetName() const override;
  // Holds the intermediate frame between the two passes and the pyramid.
  Ptr<OglCache> CreateCache() override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;
};

// The taps of either direct pass for a frame whose longer side is
// `longerSide` pixels.
GaussianTaps GaussianBlurTaps(const Proc::SettingsEffectBlurGaussian& settings,
                              std::uint32_t longerSide);

// The standard deviation, in pixels, of the kernel that the direct passes
// apply with these taps (the second moment of the weights of the texels the
// taps stand for).
double GaussianTapsDeviation(const GaussianTaps& taps);

// Up to this deviation (pixels) the direct passes run; above it the pyramid.
// Each direct pass reads 3 deviations / 2 + 1 linear samples of every pixel,
// while one halving leaves about five samples a pixel in all (four for the
// upscaling, the rest at a quarter of the pixels): past about three pixels
// the pyramid costs less. At 3.5 its single level keeps a deviation of 1.75
// texels, where its kernel stays within 0.3 levels of the bell on a
// 250-level edge. Fast mode's direct passes take half the taps, and their
// flat-topped kernel is what it asks for: they run up to twice as far.
constexpr double kGaussianDirectDeviationLimit = 3.5;
constexpr double kGaussianFastDirectDeviationLimit = 6.0;

constexpr double GaussianDirectDeviationLimit(bool fast) {
  return fast ? kGaussianFastDirectDeviationLimit : kGaussianDirectDeviationLimit;
}

// How the pyramid blurs by a deviation (pixels, above the direct limit):
// `levels` halvings (at least one), and the blur at the coarsest level (taps
// two texels apart, as the direct passes') that adds to the halvings' and the upscaling's variance
// the rest of the variance requested.
struct GaussianPyramidPlan {
  int levels = 0;
  GaussianTaps coarse;
};
GaussianPyramidPlan PlanGaussianPyramid(double deviation, bool fast);

}  // namespace Obrisk::Ogl
