#pragma once

#include <memory>

#include <glm/mat4x4.hpp>

#include "frame/EffectAlgorithm.h"
#include "obrisk/effectcommon/CommonEffectTransform.h"
#include "obrisk/settings/TransformSettings.h"

namespace Obrisk::Ogl {

// The picture drawn as a quad in 3-D: placed, turned and faded by the
// transform tool's matrix and opacity, transparent around it. Serves every
// settings class that describes a transform (keyframed, transpose, flip,
// display matrix).
class EffectTransform final : public OneInputEffectAlgorithm, public Proc::CommonEffectTransform {
 public:
  // Starts with `initial` (a transform settings class; others raise
  // std::bad_cast).
  explicit EffectTransform(const Proc::Settings& initial = Proc::SettingsEffectTransform());

  const std::string_view& GetName() const override;
  // Takes any transform settings class.
  void SetSettings(const Proc::Settings& settings) override;
  const Proc::Settings& GetSettings() const override { return *current_; }
  std::shared_ptr<const Proc::Settings> SnapshotSettings() const override { return settings_; }
  void DrawWith(std::shared_ptr<const Proc::Settings> snapshot) override {
    drawing_ = std::move(snapshot);
  }
  Ptr<OglCache> CreateCache() override;
  void UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) override;
  Ptr<DataVideoOGL> CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt format,
                              const Proc::FrameInfo& info, double progress) override;
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) override;

 protected:
  void OnTransformMatrix(const Proc::Matrix4x4& matrix) override;

 private:
  static const Proc::ITransformSettings& TransformOf(const Proc::Settings& settings);

  // Host side: the latest settings, in place.
  std::unique_ptr<Proc::Settings> current_;
  // The same values shared with tasks; replaced whole by each SetSettings.
  std::shared_ptr<const Proc::Settings> settings_;
  std::shared_ptr<const Proc::Settings> drawing_;
  glm::mat4 matrix_{1.0f};
};

}  // namespace Obrisk::Ogl
