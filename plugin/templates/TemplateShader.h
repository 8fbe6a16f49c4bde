// What the template effect and transition share: the program made from the
// shader text of their settings, the optional uniforms it may declare, and
// the auxiliary picture that their caches keep as a texture.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "frame/OglCache.h"
#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/ogl/Texture.h"
#include "obrisk/settings/TemplateSettings.h"

namespace Obrisk::Ogl {

using TemplateSources = ShaderSources<Shader::Id, ShaderSourceFunction>;

// The program of a settings text: named `prefix` followed by the 64-bit
// FNV-1a hash of the text in decimal, so that equal texts share one program;
// the fragment text is the settings' text in a dialect that links with the
// full-frame vertex shader (line numbers kept). None for a blank text. The
// sources refer to `text`, which must outlive them.
std::optional<TemplateSources> MakeTemplateSources(std::string_view prefix, std::string_view path,
                                                   std::string_view text);

// The program of the sources; raises "Shader is not provided by effect init"
// without sources.
ShaderProgram& TemplateProgram(ShaderStorage& storage,
                               const std::optional<TemplateSources>& sources);

// The auxiliary picture as a texture, made again only when the settings
// deliver another image handle. Base of the template caches.
class TemplateAuxCache : public OglCache {
 public:
  // The texture of `image`. Raises "Provided aux image is not valid" for an
  // image without size or pixels.
  const Texture& TextureOf(const std::shared_ptr<const Proc::ImageHandler>& image);

 private:
  std::unique_ptr<Texture> texture_;
  // The handle the texture was made from; a handle that has gone never
  // matches a new one, even at the same address.
  std::weak_ptr<const Proc::ImageHandler> madeFrom_;
};

// The uniforms of one template draw. Texture units `auxUnit` and above are
// free for the auxiliary texture.
struct TemplateDraw {
  const Proc::BaseSettingsTemplateZTL& settings;
  const Frame& input;  // the (first) input: texSize
  double time;
  double progress;
  int auxUnit;
};

// Sets texSize, pts and prg where declared, intensity when the settings give
// one (a warning "Can't set intensity due to attribute missing" when the
// program lacks it), and binds the auxiliary picture: where the program
// declares auxTex it is bound to `auxUnit` (auxTexSize set where declared),
// else a warning "Can't set aux image due to attribute missing"; a program
// that declares auxTex without a picture in the settings raises "There is no
// aux image required by shader". The program is in use.
void SetTemplateUniforms(const ShaderProgram& program, const TemplateDraw& draw,
                         TemplateAuxCache& cache);

}  // namespace Obrisk::Ogl
