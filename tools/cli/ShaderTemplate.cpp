#include "ShaderTemplate.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <utility>

#include <fmt/format.h>

#include "MediaIO.h"
#include "obrisk/settings/TemplateSettings.h"

namespace Obrisk::Tools {
namespace {

// A template text of more than this is refused unread (1 MiB).
constexpr std::uintmax_t kMaxTemplateBytes = std::uintmax_t{1} << 20;
constexpr std::size_t kBytesPerPixel = 4;

struct KnownUniform {
  const char* name;
  const char* meaning;
};
constexpr std::array<KnownUniform, 9> kKnownUniforms{{
    {"tex", "the input picture (an effect)"},
    {"tex0", "the first input (a transition)"},
    {"tex1", "the second input (a transition)"},
    {"texSize", "the input's width and height in pixels"},
    {"pts", "the frame's time in seconds"},
    {"prg", "the transition's progress, 0 to 1"},
    {"intensity", "--set intensity=0.5 (0 to 1; leave it out for the shader's own default)"},
    {"auxTex", "--set aux=picture.png"},
    {"auxTexSize", "the aux picture's width and height in pixels"},
}};

std::string ReadText(const std::filesystem::path& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) throw MediaError(fmt::format("{}: no such file", path.string()));
  if (size > kMaxTemplateBytes) {
    throw MediaError(fmt::format("{}: {} bytes, more than the {} that a shader file may have",
                                 path.string(), size, kMaxTemplateBytes));
  }
  std::ifstream file(path);
  if (!file) throw MediaError(fmt::format("{}: cannot read", path.string()));
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The names of the uniforms declared in `text`, comments left out.
std::vector<std::string> DeclaredUniforms(const std::string& text) {
  static const std::regex comments(R"(//[^\n]*|/\*[\s\S]*?\*/)");
  static const std::regex declaration(
      R"(\buniform\s+(?:(?:lowp|mediump|highp)\s+)?\w+\s+([^;]+);)");
  static const std::regex name(R"(^\s*(\w+))");
  const std::string code = std::regex_replace(text, comments, " ");
  std::vector<std::string> names;
  for (auto it = std::sregex_iterator(code.begin(), code.end(), declaration);
       it != std::sregex_iterator(); ++it) {
    std::stringstream list((*it)[1].str());
    std::string item;
    while (std::getline(list, item, ',')) {
      std::smatch match;
      if (std::regex_search(item, match, name)) names.push_back(match[1].str());
    }
  }
  return names;
}

bool Declares(const std::vector<std::string>& uniforms, const std::string& name) {
  return std::find(uniforms.begin(), uniforms.end(), name) != uniforms.end();
}

// The picture as BGRA bytes, rows from the top.
std::shared_ptr<const Proc::ImageHandler> ReadPicture(const std::string& path) {
  if (!std::filesystem::is_regular_file(path)) {
    throw MediaError(fmt::format("{}: no such picture for aux", path));
  }
  MediaReader reader(path);
  Ptr<Proc::DataVideoMemory> frame = reader.Next();
  if (!frame) throw MediaError(fmt::format("{}: no picture in the file", path));
  auto image = std::make_shared<Proc::ImageHandler>();
  image->width = frame->GetFrameInfo().width;
  image->height = frame->GetFrameInfo().height;
  const std::size_t bytes = frame->Stride() * static_cast<std::size_t>(image->height);
  image->pixels.assign(frame->Pixels(), frame->Pixels() + bytes);
  for (std::size_t i = 0; i < bytes; i += kBytesPerPixel) {
    std::swap(image->pixels[i], image->pixels[i + 2]);
  }
  return image;
}

}  // namespace

bool IsShaderTemplatePath(const std::string& path) {
  const auto extension = std::filesystem::path(path).extension();
  return extension == ".glsl" || extension == ".frag";
}

ShaderTemplate LoadShaderTemplate(const std::string& path) {
  ShaderTemplate shader;
  shader.path = path;
  const std::string text = ReadText(path);
  shader.uniforms = DeclaredUniforms(text);
  const bool transition = Declares(shader.uniforms, "tex0") && Declares(shader.uniforms, "tex1");
  shader.classId = transition ? Proc::SettingsTransitionTemplateZTL::CLASS_ID
                              : Proc::SettingsEffectTemplateZTL::CLASS_ID;
  shader.kind = transition ? Proc::EffectKind::TwoInput : Proc::EffectKind::OneInput;
  shader.settings.SetChild("shader", Property(text));
  return shader;
}

std::string UniformMeaning(const std::string& name) {
  for (const auto& known : kKnownUniforms) {
    if (name == known.name) return known.meaning;
  }
  return {};
}

void LoadAuxImage(Proc::IEffect& effect) {
  std::unique_ptr<Proc::Settings> settings = effect.GetSettingsObject().Clone();
  auto* typed = dynamic_cast<Proc::BaseSettingsTemplateZTL*>(settings.get());
  if (typed == nullptr || typed->GetAux().empty()) return;
  typed->SetAuxImage(ReadPicture(typed->GetAux()));
  effect.SetSettingsObject(*settings);
}

}  // namespace Obrisk::Tools
