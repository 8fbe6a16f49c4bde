// What the overlay effects share: copying the source, the finishing draw of
// the source over the result and shaders assembled per setting.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "frame/SinglePass.h"
#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/ShaderSources.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {

// Copies `rgba` into the whole of `target`.
void CopyInto(ShaderStorage& storage, Frame& target, Frame& rgba);

// Draws `rgba` over the finished `target` at opacity 1 - intensity:
// intensity 1 keeps the overlay, 0 gives back the source exactly.
void FinishWithSource(ShaderStorage& storage, Frame& target, Frame& rgba, float intensity);

// A fragment shader assembled from pieces for one choice (a type, a code),
// kept until the choice changes.
class GeneratedShader {
 public:
  using Sources = ShaderSources<Shader::Id, ShaderSourceFunction>;

  // The sources for `choice`, named `prefix` + the choice in decimal;
  // `assemble` gives the fragment text when the choice is new.
  template <class Assemble>
  const Sources& For(std::int32_t choice, const std::string& prefix, Assemble&& assemble) {
    if (!sources_ || choice_ != choice) {
      sources_.emplace(prefix + std::to_string(choice), Shader::FullFrame,
                       ShaderSourceFunction([text = assemble(choice)] { return text; }));
      choice_ = choice;
    }
    return *sources_;
  }

 private:
  std::int32_t choice_ = 0;
  std::optional<Sources> sources_;
};

}  // namespace Obrisk::Ogl
