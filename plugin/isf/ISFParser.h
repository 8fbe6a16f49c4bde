// The ISF parser of this module: the element model and the rewriting of ISF
// shaders into the legacy GLSL that the shader storage compiles.
#pragma once

#include <any>
#include <cstdint>
#include <string>

#include "obrisk/isf/ISFParser.h"

namespace Obrisk::Ogl::ISF {

// An image input: its sampler index, counted in header order from 0.
struct ImageElement {
  std::int32_t index = 0;
};

// A sound input, sampled as an image: `samples` columns (waveform samples,
// or FFT bins when `fft`) of one channel. Nothing here plays sound, so the
// effect binds silence of that size.
struct AudioElement {
  std::int32_t samples = 0;
  bool fft = false;

  bool operator==(const AudioElement&) const = default;
};

// A render pass: its index in PASSES order and the GLSL expressions of its
// target's size (empty: the render size). A persistent pass's target keeps
// its contents from one frame to the next.
struct PassElement {
  std::int32_t index = 0;
  std::string width;
  std::string height;
  bool persistent = false;
  // FLOAT: a 16-bit float target, which keeps values outside 0 to 1.
  bool floatTarget = false;

  bool operator==(const PassElement&) const = default;
};

// An input, pass or built-in: the value's type says which (bool, int32_t,
// float, glm::vec2, glm::vec4, ImageElement, AudioElement or PassElement).
struct Element {
  std::string name;
  std::any value;
};

class ISFParser final : public Proc::ISF::ISFParser<Element, PassElement, ImageElement> {
 public:
  using Base = Proc::ISF::ISFParser<Element, PassElement, ImageElement>;
  using Base::Base;

 protected:
  Element MakeBoolElement(const std::string& name, bool value) override;
  Element MakeLongElement(const std::string& name, const Json& input) override;
  Element MakeFloatElement(const std::string& name, const Json& input) override;
  Element MakePoint2DElement(const std::string& name, const Json& input) override;
  Element MakeColorElement(const std::string& name, const Json& input) override;
  Element MakeImageElement(const std::string& name) override;
  Element MakePassElement(const std::string& name, const PassElement& pass) override;
  Element MakeAudioElement(const std::string& name, const Json& input, bool fft) override;
  bool IsSampled(const Element& element) const override;
  void ResolveSizeVariables(PassElement& pass) override;
  void ParseSections(const Json& root) override;
  void RewriteShaders() override;
};

}  // namespace Obrisk::Ogl::ISF
