// Build step: one copy of the frei0r stub per one-input effect and per
// transition of the plug-in, named quenvara-<short name> (the lower-case class
// id where two classes share a short name), into a folder; older copies that
// name no effect any more go.
//
// usage: quenvara-frei0r-stubs PLUGIN STUB FOLDER
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>

#include "PluginHost.h"

namespace {

namespace fs = std::filesystem;
using Obrisk::Proc::EffectKind;

constexpr std::string_view kFilePrefix = "quenvara-";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

int Run(const std::string& pluginPath, const fs::path& stub, const fs::path& folder) {
  Obrisk::Tools::PluginHost host(pluginPath);
  std::map<std::string, int> shortNames;
  for (const auto* entry : host.Effects()) ++shortNames[Obrisk::Tools::ShortName(entry->classId)];

  fs::create_directories(folder);
  std::set<fs::path> written;
  for (const auto* entry : host.Effects()) {
    if (entry->kind == EffectKind::VarInput) continue;
    const std::string shortName = Obrisk::Tools::ShortName(entry->classId);
    const std::string name = shortNames[shortName] == 1 ? shortName : Lower(entry->classId);
    const fs::path file = folder / (std::string(kFilePrefix) + name + stub.extension().string());
    fs::copy_file(stub, file, fs::copy_options::overwrite_existing);
    written.insert(file);
  }
  for (const auto& item : fs::directory_iterator(folder)) {
    const std::string name = item.path().filename().string();
    if (name.starts_with(kFilePrefix) && !written.contains(item.path())) fs::remove(item.path());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr int kArguments = 4;
  if (argc != kArguments) {
    std::cerr << "usage: quenvara-frei0r-stubs PLUGIN STUB FOLDER\n";
    return 2;
  }
  try {
    return Run(argv[1], argv[2], argv[3]);
  } catch (const std::exception& error) {
    std::cerr << "quenvara-frei0r-stubs: " << error.what() << "\n";
    return 1;
  }
}
