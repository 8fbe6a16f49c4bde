#include "ShaderPackage.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "MediaIO.h"
#include "PluginHost.h"
#include "obrisk/isf/ISFParser.h"
#include "obrisk/isf/ISFUtils.h"

namespace Obrisk::Tools {
namespace {

using Json = nlohmann::ordered_json;
namespace Isf = Proc::ISF;

// A file's text; files longer than `limit` are refused unread.
std::string ReadText(const std::filesystem::path& path, std::size_t limit) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (!error && size > limit) {
    throw MediaError(fmt::format("{}: {} bytes, more than the {} that a package file may have",
                                 path.string(), size, limit));
  }
  std::ifstream file(path);
  if (!file) throw MediaError(fmt::format("{}: cannot read", path.string()));
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// A key's text: a string as it is, another value as JSON, empty when absent.
std::string TextOf(const Json& object, std::string_view key) {
  const auto found = object.find(std::string(key));
  if (found == object.end()) return {};
  return found->is_string() ? found->get<std::string>() : found->dump();
}

Property PropertyOf(const Json& object, std::string_view key) {
  const auto found = object.find(std::string(key));
  return found == object.end() ? Property() : Property::FromJson(found->dump());
}

// The value of an input from the command line, by the input's type.
Property ParseInputValue(const PackageInput& input, const std::string& text) {
  const auto fail = [&](std::string_view expected) {
    return UsageError(
        fmt::format("input '{}' ({}) takes {}, not '{}'", input.name, input.type, expected, text));
  };
  if (input.type == "bool" || input.type == "event") {
    if (text == "true" || text == "1") return Property(true);
    if (text == "false" || text == "0") return Property(false);
    throw fail("true or false");
  }
  std::vector<double> numbers;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, ',')) {
    try {
      std::size_t used = 0;
      numbers.push_back(std::stod(part, &used));
      if (used != part.size() || !std::isfinite(numbers.back())) throw fail("numbers");
    } catch (const std::logic_error&) {
      throw fail("numbers");
    }
  }
  const std::size_t wanted = input.type == "color" ? 4 : input.type == "point2D" ? 2 : 1;
  if (numbers.size() != wanted) {
    throw fail(wanted == 1 ? "one number" : fmt::format("{} comma-separated numbers", wanted));
  }
  if (wanted == 1 && input.type == "long") {
    // Whole numbers beyond 64 bits have no integer to become; the header's
    // own range checks come after.
    constexpr double kPastInt64 = 9223372036854775808.0;  // 2^63
    if (std::abs(numbers[0]) >= kPastInt64) throw fail("a whole number");
    return Property(static_cast<std::int64_t>(numbers[0]));
  }
  if (wanted == 1) return Property(numbers[0]);
  Property list;
  for (double number : numbers) list.Add(Property(number));
  return list;
}

// The header's image inputs and settable inputs; progress tells whether it
// has a float "progress".
void ReadInputs(const Json& inputs, ShaderPackage& package, bool& progress) {
  for (const Json& item : inputs) {
    if (!item.is_object()) continue;
    PackageInput input{TextOf(item, "NAME"),        TextOf(item, "TYPE"),
                       PropertyOf(item, "DEFAULT"), PropertyOf(item, "MIN"),
                       PropertyOf(item, "MAX"),     TextOf(item, "LABEL")};
    package.images += input.type == "image" ? 1 : 0;
    progress = progress || (input.name == "progress" && input.type == "float");
    package.inputs.push_back(input);
  }
}

// Sets the DEFAULT of every assigned input in the header; nothing else of
// the header changes.
void Assign(const ShaderPackage& package, const std::vector<std::string>& assignments,
            Json& inputs) {
  for (const auto& assignment : assignments) {
    const auto equals = assignment.find('=');
    const std::string name = assignment.substr(0, equals);
    auto found = std::find_if(package.inputs.begin(), package.inputs.end(),
                              [&](const auto& input) { return input.name == name; });
    if (equals == std::string::npos || found == package.inputs.end() || !IsSettable(*found)) {
      std::vector<std::string> names;
      for (const auto& input : package.inputs) {
        if (IsSettable(input)) names.push_back(input.name);
      }
      throw UsageError(
          fmt::format("{} has no settable input '{}' (its inputs: {})", package.path, name,
                      names.empty() ? "none" : fmt::format("{}", fmt::join(names, ", "))));
    }
    const Property value = ParseInputValue(*found, assignment.substr(equals + 1));
    for (Json& item : inputs) {
      if (item.is_object() && TextOf(item, "NAME") == name)
        item["DEFAULT"] = Json::parse(value.ToJson());
    }
  }
}

// The IMPORTED pictures' files, relative to the package; each must exist.
std::vector<std::string> ImportedFiles(const std::filesystem::path& package, const Json& header) {
  std::vector<std::string> files;
  for (const auto& image : Isf::ImportedImages(header)) {
    const std::filesystem::path file = package.parent_path() / image.path;
    if (!std::filesystem::is_regular_file(file)) {
      throw MediaError(fmt::format("{}: the imported image '{}' is missing: {}", package.string(),
                                   image.name, file.string()));
    }
    files.push_back(file.string());
  }
  return files;
}

void ChooseClass(ShaderPackage& package, bool progress) {
  const bool transition = package.images >= 2 && progress;
  package.kind = transition            ? Proc::EffectKind::TwoInput
                 : package.images <= 1 ? Proc::EffectKind::OneInput
                                       : Proc::EffectKind::VarInput;
  if (!package.imported.empty() && package.kind == Proc::EffectKind::OneInput) {
    package.kind = Proc::EffectKind::VarInput;
  }
  if (package.kind == Proc::EffectKind::OneInput) {
    package.classId = "SettingsEffectISF";
  } else if (transition && package.images == 2 && package.imported.empty()) {
    package.classId = "SettingsTransitionISF";
  } else {
    package.classId = "SettingsEffectMultiInputISF";
  }
}

}  // namespace

bool IsShaderPackagePath(const std::string& path) {
  return std::filesystem::path(path).extension() == ".fs";
}

bool IsSettable(const PackageInput& input) {
  return input.type != "image" && input.type != "audio" && input.type != "audioFFT";
}

bool IsGenerator(const ShaderPackage& package) {
  return package.images == 0 && package.imported.empty();
}

ShaderPackage LoadShaderPackage(const std::string& path,
                                const std::vector<std::string>& assignments) {
  const std::filesystem::path fragmentPath(path);
  if (!std::filesystem::exists(fragmentPath))
    throw MediaError(fmt::format("{}: no such file", path));
  ShaderPackage package;
  package.path = path;
  Isf::FragmentFile file;
  Json header;
  bool progress = false;
  try {
    file = Isf::SplitFragmentFile(
        ReadText(fragmentPath, Isf::MAX_HEADER_BYTES + Isf::MAX_SHADER_BYTES));
    Isf::CheckPackageText("the ISF header", file.header, Isf::MAX_HEADER_BYTES);
    Isf::CheckPackageText("the fragment shader", file.body, Isf::MAX_SHADER_BYTES);
    Isf::CheckNestingDepth(file.header, Isf::MAX_HEADER_DEPTH);
    header = Json::parse(file.header);
    package.description = TextOf(header, "DESCRIPTION");
    const auto inputs = header.find("INPUTS");
    if (inputs != header.end() && inputs->is_array()) ReadInputs(*inputs, package, progress);
    package.imported = ImportedFiles(fragmentPath, header);
  } catch (const MediaError&) {
    throw;
  } catch (const std::exception& error) {
    throw MediaError(fmt::format("{}: {}", path, error.what()));
  }
  if (!assignments.empty()) {
    Assign(package, assignments, header["INPUTS"]);
    file.header = header.dump(2);
  }
  ChooseClass(package, progress);
  package.settings.SetChild("config", Property(file.header));
  package.settings.SetChild("pixelShader", Property(file.body));
  std::filesystem::path vertexPath = fragmentPath;
  vertexPath.replace_extension(".vs");
  package.settings.SetChild(
      "vertexShader",
      Property(std::filesystem::exists(vertexPath) ? ReadText(vertexPath, Isf::MAX_SHADER_BYTES)
                                                   : ""));
  return package;
}

std::vector<std::string> PackageInputs(const ShaderPackage& package,
                                       const std::vector<std::string>& given) {
  if (package.kind == Proc::EffectKind::OneInput) return given;
  if (given.size() != package.images) {
    std::vector<std::string> names;
    for (const auto& input : package.inputs) {
      if (input.type == "image") names.push_back(input.name);
    }
    throw UsageError(fmt::format("{} takes {} input pictures ({}), not {}", package.path,
                                 package.images, fmt::join(names, ", "), given.size()));
  }
  std::vector<std::string> inputs = given;
  inputs.insert(inputs.end(), package.imported.begin(), package.imported.end());
  return inputs;
}

}  // namespace Obrisk::Tools
