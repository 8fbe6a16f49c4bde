// The colour blender: a layer composited over a background colour or a
// second picture in one of 26 blend modes. It is a host effect object of its
// own (IBlend) with its own task, not an algorithm in a wrapper.
#pragma once

#include <cstdint>
#include <vector>

#include "obrisk/host/Blend.h"
#include "obrisk/host/Registry.h"
#include "obrisk/host/Statistics.h"
#include "obrisk/settings/BlendSettings.h"

namespace Obrisk::Ogl {

// Where the layer lands on the output, in units of 1/kx and 1/ky of a pixel
// (k being a frame's pixel-aspect numerator and denominator): the output
// offset (ox, oy), the layer offset (px, py), the extents of both and the
// overlap's size.
struct BlendOverlap {
  std::int64_t ox = 0, oy = 0, px = 0, py = 0;
  std::int64_t outputWidth = 0, outputHeight = 0, layerWidth = 0, layerHeight = 0;
  std::int64_t width = 0, height = 0;

  bool Empty() const { return width < 1 || height < 1; }
  bool CoversOutput() const {
    return ox == 0 && oy == 0 && width >= outputWidth && height >= outputHeight;
  }
};

// The overlap of a layer of `layer` shifted by (x, y) pixels with an output
// of `output`.
BlendOverlap ComputeBlendOverlap(std::int32_t x, std::int32_t y, const Proc::FrameInfo& output,
                                 const Proc::FrameInfo& layer);

class EffectColorBlender final : public RefCounted<Proc::IBlend> {
 public:
  explicit EffectColorBlender(const Ptr<Proc::IEffectFactory>& factory);

  // Blender settings of either class; the same settings again change
  // nothing, others raise std::invalid_argument "Invalid settings".
  void SetSettingsObject(const Proc::Settings& settings) override;
  const Proc::Settings& GetSettingsObject() const override;
  void ResetCache() override {}
  // The inputs composited in turn, each over the result so far; a single
  // input goes over the settings' colour.
  Ptr<Proc::IData> ProcessData(const std::vector<Ptr<Proc::IData>>& frames) override;
  using Proc::ITwoInputEffectVideo::ProcessData;
  std::uint8_t GetTraits() const override;
  Property GetStatistic() const override;
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;

 protected:
  void Process(Ptr<Proc::IData>& first, const Ptr<Proc::IData>& second) override;

 private:
  Ptr<Proc::IData> Blend(const std::vector<Ptr<Proc::IData>>& frames);

  Ptr<Proc::IOneInputEffectVideo> uploader_;
  Proc::SettingsEffectColorBlender colorSettings_;
  Proc::SettingsEffectImageBlender imageSettings_;
  bool image_ = false;  // the image blender's settings are the current ones
  Proc::ProcessingCounters counters_;
};

// The creator of both rows: a blender starting with S's defaults.
template <class S>
Ptr<Proc::IEffect> CreateColorBlender(const Ptr<Proc::IEffectFactory>& factory,
                                      const Ptr<IRefCountable>&) {
  auto blender = MakeRef<EffectColorBlender>(factory);
  blender->SetSettingsObject(S());
  return blender;
}

}  // namespace Obrisk::Ogl
