// Effects whose shaders work on BT.709 Y'CbCr and so need their input in the
// working colour space: BT.709 primaries and transfer.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "frame/EffectAlgorithm.h"
#include "frame/SinglePass.h"
#include "obrisk/ogl/ColorConversion.h"
#include "obrisk/settings/ServiceSettings.h"

namespace Obrisk::Ogl {

// True when a source needs no conversion into the working colour space. The
// test is the one ProcessInColorSpace applies (primaries and transfer):
// deciding on the matrix as well would send a source with another matrix
// back here unconverted, round and round. The matrix does not matter once
// the source is drawn as RGBA.
inline bool InWorkingColorSpace(const Proc::ColorSpace& colorSpace) {
  const Proc::ColorSpace working = Proc::SettingsColorSpaceConverter().GetDestinationColorSpace();
  return SameWorkingSpace(colorSpace, working);
}

// The single pass of a working-space effect. Drawn as written when source
// and target are in the working colour space; otherwise, for SDR colour
// spaces, with the conversions folded into the same pass: every read of the
// source is converted into the working space and the result back into the
// target's, with no intermediate frames.
class WorkingSpacePass {
 public:
  // A pass between frames already in the working colour space.
  explicit WorkingSpacePass(ShaderStorage& storage) : storage_(storage) {}
  // A pass that converts from `source`'s colour space and into `target`'s.
  WorkingSpacePass(ShaderStorage& storage, const Proc::ColorSpace& source,
                   const Proc::ColorSpace& target);

  // True when the conversions, if any, can be folded into the pass.
  bool CanFold() const;
  ShaderStorage& Storage() { return storage_; }

  // Draws `sources`' program over the target as DrawSinglePass does, the
  // effect's uniforms set by `setUniforms`.
  template <class F, class SetUniforms>
  void Draw(const ShaderSources<Shader::Id, F>& sources, Frame& target, DataVideoOGL& source,
            SetUniforms&& setUniforms) {
    if (!into_ && !back_) {
      DrawSinglePass(storage_, storage_.MakeShader(sources), target, source,
                     std::forward<SetUniforms>(setUniforms));
      return;
    }
    ShaderProgram& program = FoldedProgram(
        sources.Name(), [&sources] { return ShaderStorage::FragmentText(sources.Fragment()); });
    DrawSinglePass(storage_, program, target, source, [&](ShaderProgram& folded) {
      SetFoldedUniforms(folded);
      setUniforms(folded);
    });
  }

 private:
  ShaderProgram& FoldedProgram(const std::string& name,
                               const std::function<std::string()>& effectText);
  void SetFoldedUniforms(ShaderProgram& program) const;

  ShaderStorage& storage_;
  std::optional<ColorConversionInfo> into_;  // source to working space
  std::optional<ColorConversionInfo> back_;  // working space to target
};

// Draws with DrawInWorkingSpace in one pass when the source is in the
// working colour space or the conversions fold into the pass; otherwise
// (HDR) converts the source into it, draws, and converts the result into the
// target's colour space.
template <class S>
class WorkingColorSpaceEffect : public EffectAlgorithmWithSettings<OneInputEffectAlgorithm, S> {
 public:
  void ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double time,
                  double progress, ShaderStorage& storage, const Ptr<OglCache>& cache) final {
    if (InWorkingColorSpace(source->GetColorSpace()) &&
        InWorkingColorSpace(target->GetColorSpace())) {
      WorkingSpacePass pass(storage);
      DrawInWorkingSpace(*target, *source, pass);
      return;
    }
    WorkingSpacePass folded(storage, source->GetColorSpace(), target->GetColorSpace());
    if (folded.CanFold()) {
      DrawInWorkingSpace(*target, *source, folded);
      return;
    }
    // The converter's defaults name the working colour space.
    this->ProcessInColorSpace(Proc::SettingsColorSpaceConverter(), target, source, time, progress,
                              storage, cache);
  }

 protected:
  // Draws the effect through `pass` as if the source were in the working
  // colour space.
  virtual void DrawInWorkingSpace(Frame& target, DataVideoOGL& source, WorkingSpacePass& pass) = 0;
};

}  // namespace Obrisk::Ogl
