// Template shader files: a GLSL fragment shader (.glsl or .frag) that runs as
// the template effect or, when it samples tex0 and tex1, as the template
// transition; and the pictures that template settings name for auxTex.
#pragma once

#include <string>
#include <vector>

#include "obrisk/host/Effect.h"
#include "obrisk/host/Property.h"
#include "obrisk/host/Registry.h"

namespace Obrisk::Tools {

struct ShaderTemplate {
  // SettingsTransitionTemplateZTL for a text that declares tex0 and tex1,
  // SettingsEffectTemplateZTL otherwise.
  std::string classId;
  Proc::EffectKind kind;
  std::string path;
  // The uniforms the text declares, in order.
  std::vector<std::string> uniforms;
  // The effect's settings: the text as "shader".
  Property settings;
};

bool IsShaderTemplatePath(const std::string& path);

// Reads the file; MediaError when it is missing, unreadable or too long.
ShaderTemplate LoadShaderTemplate(const std::string& path);

// What the tool gives a uniform of this name: its meaning and how to set it;
// empty for names it leaves to the shader's own default.
std::string UniformMeaning(const std::string& name);

// Gives a template effect the picture its "aux" parameter names (nothing for
// other effects or an empty "aux"). MediaError for a picture that cannot be
// read.
void LoadAuxImage(Proc::IEffect& effect);

}  // namespace Obrisk::Tools
