#include "EffectAlgorithm.h"

#include "obrisk/ogl/ColorConversion.h"

namespace Obrisk::Ogl {
namespace {

using Proc::PixFmtDescription;

bool HasAlpha(Proc::PixFmt format) {
  return PixFmtDescription::Find(format).HasAlpha();
}

// 16-bit float inputs give 16-bit float results, keeping their precision;
// others give 8-bit RGBA, or RGBX when no input has alpha.
Proc::PixFmt OutputFormat(Proc::PixFmt format) {
  if (format == Proc::PixFmt::RGBA_HALF) return format;
  return HasAlpha(format) ? Proc::kPixFmtAlpha : Proc::kPixFmtOpaque;
}

Proc::PixFmt OutputFormat(Proc::PixFmt first, Proc::PixFmt second) {
  if (first == Proc::PixFmt::RGBA_HALF || second == Proc::PixFmt::RGBA_HALF) {
    return Proc::PixFmt::RGBA_HALF;
  }
  return HasAlpha(first) || HasAlpha(second) ? Proc::kPixFmtAlpha : Proc::kPixFmtOpaque;
}

}  // namespace

bool SameWorkingSpace(const Proc::ColorSpace& a, const Proc::ColorSpace& b) {
  return a.primaries == b.primaries && a.transfer == b.transfer;
}

ColorConversionInfo WorkingConversion(const Proc::ColorSpace& from, const Proc::ColorSpace& to,
                                      const Proc::SettingsColorSpaceConverter& converter) {
  ColorConversionInfo info;
  info.source = from;
  info.target = to;
  info.linearMode = converter.GetLinearMode();
  info.toneMapping = converter.GetToneMapping();
  return info;
}

void OneInputEffectAlgorithm::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  format->SetPixelFormat(OutputFormat(format->GetPixelFormat()));
}

Ptr<DataVideoOGL> OneInputEffectAlgorithm::CreateDst(const Proc::ColorSpace& colorSpace,
                                                     Proc::PixFmt format,
                                                     const Proc::FrameInfo& info, double) {
  return DataVideoOGL::Create(colorSpace, OutputFormat(format), info);
}

void OneInputEffectAlgorithm::ProcessInColorSpace(
    const Proc::SettingsColorSpaceConverter& converter, const Ptr<Frame>& target,
    const Ptr<DataVideoOGL>& source, double time, double progress, ShaderStorage& storage,
    const Ptr<OglCache>& cache) {
  const Proc::ColorSpace working = converter.GetDestinationColorSpace();
  const Proc::FrameInfo& info = source->GetFrameInfo();

  Ptr<DataVideoOGL> workingSource = source;
  if (!SameWorkingSpace(source->GetColorSpace(), working)) {
    workingSource = DataVideoOGL::Create(working, Proc::PixFmt::RGBA_HALF, info);
    Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
    workingSource->FrameData()->Allocate(working, Proc::PixFmt::RGBA_HALF, info);
    storage.FBO().Attach(workingSource->FrameData()->GetFirstTexture());
    ConvertColorSpace(*rgba, WorkingConversion(source->GetColorSpace(), working, converter),
                      storage);
  }

  Ptr<Frame> workingTarget = target;
  const bool convertBack = !SameWorkingSpace(target->GetColorSpace(), working);
  if (convertBack) {
    workingTarget =
        Frame::CreateIntermediate(working, Proc::PixFmt::RGBA_HALF, target->GetFrameInfo());
  }

  ProcessGpu(workingTarget, workingSource, time, progress, storage, cache);

  if (convertBack) {
    storage.FBO().Attach(target->GetFirstTexture());
    ConvertColorSpace(*workingTarget,
                      WorkingConversion(working, target->GetColorSpace(), converter), storage);
  }
}

void TwoInputEffectAlgorithm::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  format->SetPixelFormat(Proc::kPixFmtAlpha);
}

void TwoInputEffectAlgorithm::CheckInputFrames(const Ptr<DataVideoOGL>& first,
                                               const Ptr<DataVideoOGL>& second) {
  const Proc::FrameInfo& a = first->GetFrameInfo();
  const Proc::FrameInfo& b = second->GetFrameInfo();
  if (a.width != b.width || a.height != b.height) {
    OBRISK_THROW(EffectException, "Both frames must have the same size to operate");
  }
  const Proc::ColorSpace& x = first->GetColorSpace();
  const Proc::ColorSpace& y = second->GetColorSpace();
  if (!(x == y)) {
    OBRISK_THROW(EffectException, "Both frames must have the same color space to operate");
  }
}

Ptr<DataVideoOGL> TwoInputEffectAlgorithm::CreateDst(const Ptr<DataVideoOGL>& first,
                                                     const Ptr<DataVideoOGL>& second, double) {
  CheckInputFrames(first, second);
  const bool half = first->GetPixelFormat() == Proc::PixFmt::RGBA_HALF ||
                    second->GetPixelFormat() == Proc::PixFmt::RGBA_HALF;
  return DataVideoOGL::Create(first->GetColorSpace(),
                              half ? Proc::PixFmt::RGBA_HALF : Proc::kPixFmtAlpha,
                              first->GetFrameInfo());
}

void VarInputEffectAlgorithm::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  format->SetPixelFormat(OutputFormat(format->GetPixelFormat()));
}

Ptr<DataVideoOGL> VarInputEffectAlgorithm::CreateDst(const DataVideoList& sources, double) {
  if (sources.empty()) OBRISK_THROW(EffectException, "All frames data must be present");
  Proc::PixFmt format = Proc::kPixFmtOpaque;
  for (const auto& source : sources) {
    if (!(source->GetColorSpace() == sources.front()->GetColorSpace())) {
      OBRISK_THROW(EffectException, "All frames must have the same color space to operate");
    }
    format = OutputFormat(format, source->GetPixelFormat());
  }
  return DataVideoOGL::Create(sources.front()->GetColorSpace(), format,
                              sources.front()->GetFrameInfo());
}

}  // namespace Obrisk::Ogl
