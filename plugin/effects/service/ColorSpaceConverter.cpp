#include "effects/service/ColorSpaceConverter.h"

#include <chrono>

#include "obrisk/host/Statistics.h"
#include "obrisk/ogl/ColorConversion.h"
#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/settings/ServiceSettings.h"

namespace Obrisk::Ogl {
namespace {

// The light levels every conversion of this stage assumes: scale 1, 1000-nit
// peaks on both sides and the 203-nit HDR reference white.
ColorConversionInfo ConversionFor(const Proc::ColorSpace& from,
                                  const Proc::SettingsColorSpaceConverter& settings) {
  ColorConversionInfo info;
  info.source = from;
  info.target = settings.GetDestinationColorSpace();
  info.scale = 1.0f;
  info.sourcePeakNits = 1000.0f;
  info.targetPeakNits = 1000.0f;
  info.referenceWhiteNits = 203.0f;
  info.linearMode = settings.GetLinearMode();
  info.toneMapping = settings.GetToneMapping();
  return info;
}

// The task draws RGBA: planar inputs come out in the RGBA format of their alpha.
Proc::PixFmt RgbaLayout(Proc::PixFmt format) {
  const Proc::PixFmtDescription& description = Proc::PixFmtDescription::Find(format);
  if (description.IsRgbaLayout()) return format;
  return description.HasAlpha() ? Proc::kPixFmtAlpha : Proc::kPixFmtOpaque;
}

// Draws the source converted into the output's frame.
class ColorSpaceConverterTask final : public IOglTask {
 public:
  ColorSpaceConverterTask(Ptr<DataVideoOGL> source, const ColorConversionInfo& info)
      : IOglTask(1, "ColorSpaceConverterTask"), source_(std::move(source)), info_(info) {}

  void Execute(ShaderStorage& storage) override {
    Ptr<Frame> rgba = source_->FrameData()->ConvertToRGBA(storage);
    storage.FBO().Attach(GetFrame()->GetFirstTexture());
    ConvertColorSpace(*rgba, info_, storage);
    source_.reset();
  }

 private:
  Ptr<DataVideoOGL> source_;
  ColorConversionInfo info_;
};

class ColorSpaceConverter final : public RefCounted<Proc::IOneInputEffectVideo> {
 public:
  void SetSettingsObject(const Proc::Settings& settings) override {
    settings_ = dynamic_cast<const Proc::SettingsColorSpaceConverter&>(settings);
  }
  const Proc::Settings& GetSettingsObject() const override { return settings_; }
  void ResetCache() override {}
  std::uint8_t GetTraits() const override { return kTraits; }
  Property GetStatistic() const override {
    return counters_.Make("`anonymous-namespace'::ColorSpaceConverter::GetStatistic", kType,
                          Proc::ImplNames::OGL);
  }
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override {
    format->SetColorSpace(settings_.GetDestinationColorSpace());
  }

 protected:
  void Process(Ptr<Proc::IData>& data) override {
    auto* gpu = dynamic_cast<DataVideoOGL*>(data.get());
    if (gpu == nullptr) return;
    const Proc::ColorSpace destination = settings_.GetDestinationColorSpace();
    if (gpu->GetColorSpace() == destination) return;
    const auto start = Proc::ProcessingCounters::Clock::now();
    Ptr<DataVideoOGL> source(gpu);
    Ptr<DataVideoOGL> output = DataVideoOGL::Create(
        destination, RgbaLayout(source->GetPixelFormat()), source->GetFrameInfo());
    output->AddDependency(source);
    output->SetStartTime(source->GetStartTime());
    output->SetDuration(source->GetDuration());
    output->SetEmptyTransparentFrameFlag(source->IsEmptyTransparentFrame());
    const ColorConversionInfo info = ConversionFor(source->GetColorSpace(), settings_);
    output->AttachTask(MakeRef<ColorSpaceConverterTask>(source, info));
    data = output;
    counters_.CountFrame(start);
  }

 private:
  static constexpr std::uint8_t kTraits = 2;
  static constexpr std::uint32_t kType = 7;
  Proc::SettingsColorSpaceConverter settings_;
  Proc::ProcessingCounters counters_;
};

}  // namespace

Ptr<Proc::IEffect> CreateColorSpaceConverter(const Ptr<Proc::IEffectFactory>&,
                                             const Ptr<IRefCountable>&) {
  return Ptr<Proc::IEffect>(new ColorSpaceConverter());
}

}  // namespace Obrisk::Ogl
