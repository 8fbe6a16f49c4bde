// Fuzzes what the command-line tool does with an ISF package file and its
// --set values: reading the fragment file, giving inputs their DEFAULT from
// "name=value" texts and writing the header again. An input is the .fs
// file's text, then up to kMaxAssignments assignments, separated by NUL bytes.
//
// Besides memory and undefined-behaviour errors it aborts on any failure but
// the tool's own usage and media errors, and when the package it made is not
// accepted by the settings of the class it chose or its header is no longer
// JSON that the settings layer reads. The rewritten package then goes through
// the ISF parser, as the effect would take it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "MediaIO.h"
#include "PluginHost.h"
#include "ShaderPackage.h"
#include "isf/ISFParser.h"
#include "obrisk/host/Property.h"
#include "obrisk/settings/IsfSettings.h"

namespace {

using namespace Obrisk;

constexpr std::size_t kMaxAssignments = 4;

// The package file, in a folder of this process's own.
const std::filesystem::path& PackagePath() {
  static const std::filesystem::path path = [] {
    std::string folder = (std::filesystem::temp_directory_path() / "shader_package_fuzzer.XXXXXX");
    if (mkdtemp(folder.data()) == nullptr) std::abort();
    return std::filesystem::path(folder) / "package.fs";
  }();
  return path;
}

std::string_view NextPart(std::string_view& input) {
  const std::size_t end = input.find('\0');
  const std::string_view part = input.substr(0, end);
  input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
  return part;
}

template <class IsfSettings>
void CheckSettings(const Tools::ShaderPackage& package) {
  IsfSettings settings;
  settings.Deserialize(package.settings);
  Property::FromJson(settings.GetConfig());
  Ogl::ISF::ISFParser parser{settings.GetConfig(), settings.GetVertexShader(),
                             settings.GetPixelShader()};
  try {
    parser.AddParamsFromISF();
    parser.AddStandardElements();
  } catch (const std::exception&) {
    // A package the parser refuses is refused when the effect is made.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view file = NextPart(input);
  std::vector<std::string> assignments;
  while (!input.empty() && assignments.size() < kMaxAssignments) {
    assignments.emplace_back(NextPart(input));
  }
  std::ofstream(PackagePath(), std::ios::binary | std::ios::trunc) << file;
  Tools::ShaderPackage package;
  try {
    package = Tools::LoadShaderPackage(PackagePath().string(), assignments);
  } catch (const Tools::UsageError&) {
    return 0;
  } catch (const Tools::MediaError&) {
    return 0;
  }
  if (package.classId == Proc::SettingsEffectISF::CLASS_ID) {
    CheckSettings<Proc::SettingsEffectISF>(package);
  } else if (package.classId == Proc::SettingsTransitionISF::CLASS_ID) {
    CheckSettings<Proc::SettingsTransitionISF>(package);
  } else if (package.classId == Proc::SettingsEffectMultiInputISF::CLASS_ID) {
    CheckSettings<Proc::SettingsEffectMultiInputISF>(package);
  } else {
    std::abort();
  }
  return 0;
}
