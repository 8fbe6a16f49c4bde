// Fragment programs assembled from text pieces: a library of GLSL functions
// that gives the output pixel for a progress (FramePixelForProgress) and a
// main that calls it. The spin and the swish are the two libraries; slices
// (SliceShader) reuse them with a time shift per slice.
#pragma once

#include <optional>
#include <string>

#include "frame/ShaderSourceKeeper.h"
#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/settings/TransitionShaderSettings.h"

namespace Obrisk::Ogl {

class ProgressControlledShaderBase {
 public:
  explicit ProgressControlledShaderBase(std::string name) : name_(std::move(name)) {}
  virtual ~ProgressControlledShaderBase() = default;
  ProgressControlledShaderBase(const ProgressControlledShaderBase&) = delete;
  ProgressControlledShaderBase& operator=(const ProgressControlledShaderBase&) = delete;

  // Makes the program's sources under the shader's name, replacing earlier
  // ones. The text is generated when the storage first builds the program.
  void RegisterInShaderStorage();
  // The program, built on first use; throws EffectException when the shader
  // was never registered.
  ShaderProgram& Program(ShaderStorage& storage) const;
  const std::string& Name() const { return name_; }

 protected:
  // main: the output pixel for the uniform progress at TexCoord0.
  virtual std::string GetMainText() const;
  virtual std::string GetFunctionsText() const = 0;

 private:
  std::string name_;
  std::optional<ShaderSourceKeeper<Shader::Id, ShaderSourceFunction>> source_;
};

// The first picture turns half a turn about the centre, then the second,
// upside down, completes the turn; the blur trails along the turn.
class ModifiedMotionSpinShader : public ProgressControlledShaderBase {
 public:
  ModifiedMotionSpinShader() : ModifiedMotionSpinShader("ModifiedMotionSpinShader") {}
  // The registered spin program.
  static const ModifiedMotionSpinShader& Instance();
  // The uniforms for progress p over a width x height destination.
  static void SetUniforms(const ShaderProgram& program, double p, int width, int height,
                          const Proc::SettingsTransitionModifiedMotionSpin& settings);

 protected:
  explicit ModifiedMotionSpinShader(std::string name)
      : ProgressControlledShaderBase(std::move(name)) {}
  std::string GetFunctionsText() const override;
};

// Both pictures travel as one strip (first, its mirror image, second) along
// a direction, blurred along the motion.
class WhipeShader : public ProgressControlledShaderBase {
 public:
  WhipeShader() : WhipeShader("WhipeShader") {}
  static const WhipeShader& Instance();
  // As for the spin. A direction of (0, 0) would never leave the first
  // picture; it moves as (1, 0).
  static void SetUniforms(const ShaderProgram& program, double p, int width, int height,
                          const Proc::SettingsTransitionWhipe& settings);

 protected:
  explicit WhipeShader(std::string name) : ProgressControlledShaderBase(std::move(name)) {}
  std::string GetFunctionsText() const override;
};

// Binds the inputs to units 0 and 1, sampled with mirrored repeat and linear
// filtering as the libraries expect, and draws the program (in use, its
// uniforms set) over the whole of `target`.
void DrawProgressControlled(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                            Frame& first, Frame& second);

}  // namespace Obrisk::Ogl
