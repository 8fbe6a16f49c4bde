#include "ShaderPackage.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "MediaIO.h"
#include "PluginHost.h"
#include "obrisk/isf/ISFUtils.h"

namespace Obrisk::Tools {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path);
  if (!file) throw MediaError(fmt::format("{}: cannot read", path.string()));
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string TextOf(const Property* property) {
  if (property == nullptr) return {};
  if (const auto* text = std::get_if<std::string>(&property->GetValue())) return *text;
  return property->ToJson();
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
      if (used != part.size()) throw fail("numbers");
    } catch (const std::logic_error&) {
      throw fail("numbers");
    }
  }
  const std::size_t wanted = input.type == "color" ? 4 : input.type == "point2D" ? 2 : 1;
  if (numbers.size() != wanted) {
    throw fail(wanted == 1 ? "one number" : fmt::format("{} comma-separated numbers", wanted));
  }
  if (wanted == 1) {
    return input.type == "long" ? Property(static_cast<std::int64_t>(numbers[0]))
                                : Property(numbers[0]);
  }
  Property list;
  for (double number : numbers) list.Add(Property(number));
  return list;
}

}  // namespace

bool IsShaderPackagePath(const std::string& path) {
  return std::filesystem::path(path).extension() == ".fs";
}

ShaderPackage LoadShaderPackage(const std::string& path,
                                const std::vector<std::string>& assignments) {
  const std::filesystem::path fragmentPath(path);
  if (!std::filesystem::exists(fragmentPath))
    throw MediaError(fmt::format("{}: no such file", path));
  Proc::ISF::FragmentFile file;
  Property header;
  try {
    file = Proc::ISF::SplitFragmentFile(ReadText(fragmentPath));
    header = Property::FromJson(file.header);
  } catch (const std::exception& error) {
    throw MediaError(fmt::format("{}: {}", path, error.what()));
  }
  ShaderPackage package;
  package.description = TextOf(header.FindChild("DESCRIPTION"));
  int images = 0;
  bool progress = false;
  Property editedInputs;
  const Property* inputs = header.FindChild("INPUTS");
  for (const auto& [unused, item] : inputs ? inputs->Children() : std::vector<Property::Child>{}) {
    PackageInput input{TextOf(item.FindChild("NAME")), TextOf(item.FindChild("TYPE")), {}, {}, {},
                       TextOf(item.FindChild("LABEL"))};
    if (const auto* value = item.FindChild("DEFAULT")) input.defaultValue = *value;
    if (const auto* value = item.FindChild("MIN")) input.minimum = *value;
    if (const auto* value = item.FindChild("MAX")) input.maximum = *value;
    images += input.type == "image" ? 1 : 0;
    progress = progress || (input.name == "progress" && input.type == "float");
    package.inputs.push_back(input);
  }
  for (const auto& assignment : assignments) {
    const auto equals = assignment.find('=');
    const std::string name = assignment.substr(0, equals);
    auto found = std::find_if(package.inputs.begin(), package.inputs.end(),
                              [&](const auto& input) { return input.name == name; });
    if (equals == std::string::npos || found == package.inputs.end() || found->type == "image") {
      std::vector<std::string> names;
      for (const auto& input : package.inputs) {
        if (input.type != "image") names.push_back(input.name);
      }
      throw UsageError(
          fmt::format("{} has no settable input '{}' (its inputs: {})", path, name,
                      names.empty() ? "none" : fmt::format("{}", fmt::join(names, ", "))));
    }
    found->defaultValue = ParseInputValue(*found, assignment.substr(equals + 1));
  }
  // The header again, with the chosen values as the inputs' defaults.
  if (inputs != nullptr) {
    Property edited;
    std::size_t index = 0;
    for (const auto& [unused, item] : inputs->Children()) {
      Property copy = item;
      if (package.inputs[index].defaultValue.HasValue() ||
          !package.inputs[index].defaultValue.Children().empty()) {
        copy.SetChild("DEFAULT", package.inputs[index].defaultValue);
      }
      edited.Add(copy);
      ++index;
    }
    header.SetChild("INPUTS", edited);
  }
  if (images == 2 && progress) {
    package.classId = "SettingsTransitionISF";
    package.kind = Proc::EffectKind::TwoInput;
  } else if (images <= 1) {
    package.classId = "SettingsEffectISF";
    package.kind = Proc::EffectKind::OneInput;
  } else {
    package.classId = "SettingsEffectMultiInputISF";
    package.kind = Proc::EffectKind::VarInput;
  }
  package.settings.SetChild("config", Property(inputs == nullptr ? file.header : header.ToJson()));
  package.settings.SetChild("pixelShader", Property(file.body));
  std::filesystem::path vertexPath = fragmentPath;
  vertexPath.replace_extension(".vs");
  package.settings.SetChild(
      "vertexShader", Property(std::filesystem::exists(vertexPath) ? ReadText(vertexPath) : ""));
  return package;
}

}  // namespace Obrisk::Tools
