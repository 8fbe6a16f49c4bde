// Effect algorithms: the GPU half of an effect, and the binding of a settings
// class to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "OglCache.h"
#include "obrisk/host/Effect.h"
#include "obrisk/host/Settings.h"
#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/settings/ServiceSettings.h"

namespace Obrisk::Ogl {

using DataVideoList = std::vector<Ptr<DataVideoOGL>>;
struct ColorConversionInfo;

// Colour spaces count as the same working space when primaries and transfer
// agree; the matrix does not matter once a source is drawn as RGBA.
bool SameWorkingSpace(const Proc::ColorSpace& a, const Proc::ColorSpace& b);

// The conversion from one colour space into another as the converter's
// settings ask: scale 1, 1000-nit peaks on both sides and the 203-nit HDR
// reference white.
ColorConversionInfo WorkingConversion(const Proc::ColorSpace& from, const Proc::ColorSpace& to,
                                      const Proc::SettingsColorSpaceConverter& converter);

// The values GetType reports.
constexpr std::uint32_t kEffectType = 7;
constexpr std::uint32_t kTransitionType = 8;

class IEffectAlgorithm {
 public:
  virtual ~IEffectAlgorithm() = default;
  virtual const std::string_view& GetName() const = 0;
  virtual std::uint32_t GetType() const = 0;
  // Copies settings of the algorithm's own class; others raise std::bad_cast
  // and leave the current settings.
  virtual void SetSettings(const Proc::Settings& settings) = 0;
  virtual const Proc::Settings& GetSettings() const = 0;
  virtual Ptr<OglCache> CreateCache() = 0;
  virtual void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) = 0;

  // The current settings, shared unchanged with a task (host thread).
  virtual std::shared_ptr<const Proc::Settings> SnapshotSettings() const = 0;
  // Makes ProcessGpu read `snapshot` until called with none (OpenGL thread).
  virtual void DrawWith(std::shared_ptr<const Proc::Settings> snapshot) = 0;
};

class IOneInputEffectAlgorithm : public IEffectAlgorithm {
 public:
  virtual Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                                      const Proc::FrameInfo& info, double progress) = 0;
  virtual void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                          double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) = 0;
};

class ITwoInputEffectAlgorithm : public IEffectAlgorithm {
 public:
  virtual Ptr<DataVideoOGL> CreateDst(const Ptr<DataVideoOGL>& first,
                                      const Ptr<DataVideoOGL>& second, double progress) = 0;
  virtual void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                          const Ptr<DataVideoOGL>& second, double time, double progress,
                          ShaderStorage& storage, const Ptr<OglCache>& cache) = 0;
};

class IVarInputEffectAlgorithm : public IEffectAlgorithm {
 public:
  virtual Ptr<DataVideoOGL> CreateDst(const DataVideoList& sources, double progress) = 0;
  virtual void ProcessGpu(const Ptr<Frame>& target, const DataVideoList& sources, double time,
                          double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) = 0;
};

// Defaults shared by the three kinds.
template <class Interface>
class EffectAlgorithmDefaults : public Interface {
 public:
  std::uint32_t GetType() const override { return kEffectType; }
  Ptr<OglCache> CreateCache() override { return nullptr; }
};

class OneInputEffectAlgorithm : public EffectAlgorithmDefaults<IOneInputEffectAlgorithm> {
 public:
  // 26 when the format has alpha, else 2.
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                              const Proc::FrameInfo& info, double progress) override;

 protected:
  // Draws with this algorithm's ProcessGpu in the colour space the converter
  // names: the source is converted into it first and the result back into
  // the target's colour space, through 16-bit float intermediates.
  void ProcessInColorSpace(const Proc::SettingsColorSpaceConverter& converter,
                           const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                           double progress, ShaderStorage& storage, const Ptr<OglCache>& cache);
};

class TwoInputEffectAlgorithm : public EffectAlgorithmDefaults<ITwoInputEffectAlgorithm> {
 public:
  // Always 26: two-input outputs carry alpha.
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  // Raises "Both frames must have the same size to operate" or "Both frames
  // must have the same color space to operate".
  Ptr<DataVideoOGL> CreateDst(const Ptr<DataVideoOGL>& first, const Ptr<DataVideoOGL>& second,
                              double progress) override;

 protected:
  static void CheckInputFrames(const Ptr<DataVideoOGL>& first, const Ptr<DataVideoOGL>& second);
};

class TransitionAlgorithm : public TwoInputEffectAlgorithm {
 public:
  std::uint32_t GetType() const override { return kTransitionType; }
};

class VarInputEffectAlgorithm : public EffectAlgorithmDefaults<IVarInputEffectAlgorithm> {
 public:
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  // Raises "All frames must have the same color space to operate"; 26 when
  // any entry has alpha.
  Ptr<DataVideoOGL> CreateDst(const DataVideoList& sources, double progress) override;
};

// Binds settings class S to an algorithm base. Settings are replaced whole:
// a task keeps the object that was current when its frame set was processed,
// so a change never reaches a frame set already handed out, and always
// reaches the next one.
template <class Base, class S>
class EffectAlgorithmWithSettings : public Base {
 public:
  using SettingsType = S;

  void SetSettings(const Proc::Settings& settings) override {
    const S& typed = dynamic_cast<const S&>(settings);
    settings_ = std::make_shared<const S>(typed);
    current_ = typed;
  }
  // The same object for the algorithm's lifetime, holding the latest
  // settings: a reference taken once stays valid across SetSettings.
  const Proc::Settings& GetSettings() const override { return current_; }
  std::shared_ptr<const Proc::Settings> SnapshotSettings() const override { return settings_; }
  void DrawWith(std::shared_ptr<const Proc::Settings> snapshot) override {
    drawing_ = std::static_pointer_cast<const S>(std::move(snapshot));
  }

 protected:
  // The settings to draw with: the task's snapshot, else the current ones.
  const S& DrawingSettings() const { return drawing_ ? *drawing_ : *settings_; }

 private:
  // Host side: the latest settings, in place.
  S current_;
  // The same values shared with tasks; replaced whole by each SetSettings.
  std::shared_ptr<const S> settings_ = std::make_shared<const S>();
  std::shared_ptr<const S> drawing_;
};

}  // namespace Obrisk::Ogl
