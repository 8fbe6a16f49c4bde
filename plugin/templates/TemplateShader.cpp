#include "templates/TemplateShader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <glog/logging.h>

#include "frame/ShaderDialect.h"
#include "isf/Fnv1a.h"
#include "obrisk/host/Exception.h"

namespace Obrisk::Ogl {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::size_t kBytesPerPixel = 4;

// The auxiliary picture's texture: BGRA bytes as given, filtered and clamped.
Texture::Params AuxParams(const Proc::ImageHandler& image) {
  Texture::Params params;
  params.width = image.width;
  params.height = image.height;
  params.internalFormat = GL_RGBA8;
  params.format = GL_BGRA;
  params.type = GL_UNSIGNED_BYTE;
  params.filter = GL_LINEAR;
  params.wrap = GL_CLAMP_TO_EDGE;
  return params;
}

// The value of a program's `intensity` before any draw set it (its
// initialiser, else 0), kept by program name (OpenGL thread only). Equal
// texts share one program, so without it a value one effect set would stay
// for the next effect that gives none. The first call for a program comes
// before any value is set.
float DeclaredIntensity(const ShaderProgram& program) {
  static std::map<std::string, float, std::less<>> declared;
  const auto found = declared.find(program.Name());
  if (found != declared.end()) return found->second;
  if (declared.size() >= ShaderStorage::kDefaultProgramLimit) declared.clear();
  GLfloat value = 0.0f;
  glGetUniformfv(program.Id(), glGetUniformLocation(program.Id(), "intensity"), &value);
  return declared.emplace(program.Name(), value).first->second;
}

// The picture's rows bottom first, the order of the GPU and of the input
// frames, so that the shader samples it upright like its inputs.
std::vector<std::uint8_t> RowsBottomFirst(const Proc::ImageHandler& image) {
  const auto stride = static_cast<std::size_t>(image.width) * kBytesPerPixel;
  const auto height = static_cast<std::size_t>(image.height);
  std::vector<std::uint8_t> rows(stride * height);
  for (std::size_t y = 0; y < height; ++y) {
    std::copy_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(y * stride), stride,
                rows.begin() + static_cast<std::ptrdiff_t>((height - 1 - y) * stride));
  }
  return rows;
}

void SetSize(const ShaderProgram& program, const std::string& name, int width, int height) {
  if (program.UniformExists(name)) {
    program.Uniform(name, static_cast<float>(width), static_cast<float>(height));
  }
}

}  // namespace

std::optional<TemplateSources> MakeTemplateSources(std::string_view prefix, std::string_view path,
                                                   std::string_view text) {
  if (text.find_first_not_of(kBlanks) == std::string_view::npos) return std::nullopt;
  return TemplateSources(
      std::string(prefix) + std::to_string(ISF::Fnv1a(text)), Shader::FullFrame,
      [text] { return ShaderDialect::ForFullFrame(text); }, std::string(path));
}

ShaderProgram& TemplateProgram(ShaderStorage& storage,
                               const std::optional<TemplateSources>& sources) {
  if (!sources) OBRISK_THROW(EffectException, std::string("Shader is not provided by effect init"));
  return storage.MakeShader(*sources);
}

const Texture& TemplateAuxCache::TextureOf(const std::shared_ptr<const Proc::ImageHandler>& image) {
  if (!texture_ || madeFrom_.owner_before(image) || image.owner_before(madeFrom_) ||
      madeFrom_.expired()) {
    if (!image->IsValid()) {
      OBRISK_THROW(EffectException, std::string("Provided aux image is not valid"));
    }
    Texture::CheckDimensions(image->width, image->height);
    texture_ = std::make_unique<Texture>(AuxParams(*image), RowsBottomFirst(*image).data());
    madeFrom_ = image;
  }
  return *texture_;
}

void SetTemplateUniforms(const ShaderProgram& program, const TemplateDraw& draw,
                         TemplateAuxCache& cache) {
  const Proc::FrameInfo& size = draw.input.GetFrameInfo();
  SetSize(program, "texSize", size.width, size.height);
  if (program.UniformExists("pts")) program.Uniform("pts", draw.time);
  if (program.UniformExists("prg")) program.Uniform("prg", draw.progress);

  const float intensity = draw.settings.GetIntensity();
  const bool given = intensity != Proc::BaseSettingsTemplateZTL::kNoIntensity;
  if (program.UniformExists("intensity")) {
    const float declared = DeclaredIntensity(program);
    program.Uniform("intensity", given ? intensity : declared);
  } else if (given) {
    LOG(WARNING) << "Can't set intensity due to attribute missing";
  }

  const bool wantsAux = program.UniformExists("auxTex");
  const auto& image = draw.settings.GetAuxImage();
  if (!image) {
    if (wantsAux)
      OBRISK_THROW(EffectException, std::string("There is no aux image required by shader"));
    return;
  }
  if (!wantsAux) {
    LOG(WARNING) << "Can't set aux image due to attribute missing";
    return;
  }
  const Texture& aux = cache.TextureOf(image);
  aux.Use(draw.auxUnit);
  program.Uniform("auxTex", draw.auxUnit);
  SetSize(program, "auxTexSize", aux.Width(), aux.Height());
}

}  // namespace Obrisk::Ogl
