#include "Commands.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <regex>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "MediaIO.h"
#include "PluginHost.h"
#include "ShaderPackage.h"
#include "ShaderTemplate.h"

namespace Obrisk::Tools {
namespace {

constexpr const char* kListHelp = R"(usage: quenvara list [--plugin PATH]

Lists every effect the plug-in registers by family: class id, kind
(one-input, two-input, variable-input), implementation and what it does.
)";

constexpr const char* kDescribeHelp =
    R"(usage: quenvara describe CLASS|PACKAGE.fs|SHADER.glsl [--plugin PATH]

Shows an effect's family, parameters (name, type, default, range, meaning),
named presets and an example command; for an ISF package file, its inputs; for a template shader
file, the uniforms it uses.
)";

// A word as a shell reads it back: quoted where it holds anything but
// letters, digits and the punctuation of paths and options.
std::string ShellWord(const std::string& word) {
  static const std::regex kPlain("[A-Za-z0-9_./:=,@%+-]+");
  if (std::regex_match(word, kPlain)) return word;
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A render command for an effect of this kind, setting one parameter when given.
// Two-input effects other than transitions take their second input beside
// the first throughout.
std::string ExampleCommand(Proc::EffectKind kind, bool transition, const std::string& effect,
                           const std::string& assignment) {
  std::string inputs;
  switch (kind) {
    case Proc::EffectKind::OneInput:
      inputs = "-i in.png -o out.png";
      break;
    case Proc::EffectKind::TwoInput:
      inputs = transition ? "-i a.mp4 -i b.mp4 --duration 2 -o out.mp4"
                          : "-i in.mp4 -i second.png -o out.mp4";
      break;
    case Proc::EffectKind::VarInput:
      inputs = "-i a.png -i b.png -i c.png -o out.png";
      break;
  }
  return fmt::format("quenvara render {} --effect {}{}", inputs, ShellWord(effect),
                     assignment.empty() ? "" : " --set " + ShellWord(assignment));
}

std::vector<std::string> ImageNames(const ShaderPackage& package) {
  std::vector<std::string> names;
  for (const auto& input : package.inputs) {
    if (input.type == "image") names.push_back(input.name);
  }
  return names;
}

// What the package is to the tool: a generator, a transition (with the
// inputs past its two clips named), or an effect of its kind.
std::string PackageRole(const ShaderPackage& package) {
  if (IsGenerator(package)) return "generator: draws from nothing, needs no -i";
  if (package.kind != Proc::EffectKind::TwoInput) return std::string(ToString(package.kind));
  const std::vector<std::string> names = ImageNames(package);
  if (names.size() <= 2) return "transition";
  const std::vector<std::string> further(names.begin() + 2, names.end());
  return fmt::format(
      "transition with {} ({})",
      further.size() == 1 ? "a third input" : fmt::format("{} further inputs", further.size()),
      fmt::join(further, ", "));
}

// A render command for the package: its clips or pictures by the names of
// its image inputs, none for a generator.
std::string PackageExample(const ShaderPackage& package, const std::string& assignment) {
  const std::vector<std::string> names = ImageNames(package);
  const bool transition = package.kind == Proc::EffectKind::TwoInput;
  std::string inputs;
  if (IsGenerator(package)) {
    inputs = "--size 640x360 --duration 4 -o out.mp4";
  } else if (package.kind == Proc::EffectKind::OneInput) {
    inputs = "-i in.png -o out.png";
  } else {
    for (std::size_t i = 0; i < names.size(); ++i) {
      inputs += transition && i < 2 ? fmt::format("-i {}.mp4 ", i == 0 ? "a" : "b")
                                    : fmt::format("-i {}.png ", ShellWord(names[i]));
    }
    inputs += transition ? "--duration 2 -o out.mp4" : "-o out.png";
  }
  return fmt::format("quenvara render {} --effect {}{}", inputs, ShellWord(package.path),
                     assignment.empty() ? "" : " --set " + ShellWord(assignment));
}

// A value as --set takes it: components (colours, points) separated by
// commas.
std::string SetText(const Property& value) {
  if (value.Children().empty()) return value.ToJson();
  std::vector<std::string> components;
  for (const auto& [name, component] : value.Children()) components.push_back(component.ToJson());
  return fmt::format("{}", fmt::join(components, ","));
}

// What an input that takes no value is, for the inputs list.
std::string_view ValuelessMeaning(const std::string& type) {
  if (type == "image") return "(an input picture)";
  if (type == "event") return "(a trigger, not fired while rendering)";
  if (type == "audio") return "(sound waveform: silence, as the tool renders no audio)";
  if (type == "audioFFT") return "(sound spectrum: silence, as the tool renders no audio)";
  return {};
}

int DescribePackage(const std::string& path) {
  const ShaderPackage package = LoadShaderPackage(path, {});
  std::cout << fmt::format("{} (ISF package, runs as {}, {})\n  {}\n\nInputs:\n", path,
                           package.classId, PackageRole(package), package.description);
  if (package.inputs.empty()) std::cout << "  none\n";
  std::string assignment;
  for (const auto& input : package.inputs) {
    const std::string_view meaning = ValuelessMeaning(input.type);
    if (!meaning.empty()) {
      std::cout << fmt::format("  {:<20} {:<8} {}\n", input.name, input.type, meaning);
      continue;
    }
    if (assignment.empty()) assignment = input.name + "=" + SetText(input.defaultValue);
    std::cout << fmt::format(
        "  {:<20} {:<8} default {}{}{}\n", input.name, input.type, input.defaultValue.ToJson(),
        input.minimum.HasValue() || !input.minimum.Children().empty()
            ? fmt::format(" ({} to {})", input.minimum.ToJson(), input.maximum.ToJson())
            : "",
        input.label.empty() ? "" : "  " + input.label);
  }
  std::cout << "\nExample:\n  " << PackageExample(package, assignment) << "\n";
  return 0;
}

int DescribeTemplate(const std::string& path) {
  const ShaderTemplate shader = LoadShaderTemplate(path);
  std::cout << fmt::format("{} (template shader, runs as {}, {})\n\nUniforms:\n", path,
                           shader.classId, ToString(shader.kind));
  if (shader.uniforms.empty()) std::cout << "  none\n";
  for (const auto& name : shader.uniforms) {
    const std::string meaning = UniformMeaning(name);
    std::cout << fmt::format(
        "  {:<12} {}\n", name,
        meaning.empty() ? "not set by the tool: keeps its own default" : meaning);
  }
  std::cout << "\nExample:\n  "
            << ExampleCommand(shader.kind, shader.kind == Proc::EffectKind::TwoInput, path, "")
            << "\n";
  return 0;
}

}  // namespace

std::string PluginPath(Arguments& arguments) {
  for (auto it = arguments.begin(); it != arguments.end(); ++it) {
    if (*it == "--plugin") {
      if (std::next(it) == arguments.end()) throw UsageError("--plugin needs a path");
      std::string path = *std::next(it);
      arguments.erase(it, it + 2);
      return path;
    }
  }
  if (const char* path = std::getenv("QUENVARA_PLUGIN")) return path;
  // The build's plug-in; once installed, the one the library path finds.
  if (std::filesystem::exists(QUENVARA_PLUGIN_PATH)) return QUENVARA_PLUGIN_PATH;
  return std::filesystem::path(QUENVARA_PLUGIN_PATH).filename().string();
}

bool PrintHelpIfAsked(const Arguments& arguments, const char* help) {
  for (const auto& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      std::cout << help;
      return true;
    }
  }
  return false;
}

FrameSize ParseSize(const std::string& text, const char* option) {
  constexpr int kSmallest = 2;
  std::smatch match;
  if (!std::regex_match(text, match, std::regex("([0-9]{1,5})x([0-9]{1,5})"))) {
    throw UsageError(fmt::format("{} takes WIDTHxHEIGHT, e.g. 640x360, not '{}'", option, text));
  }
  const FrameSize size{std::stoi(match[1]), std::stoi(match[2])};
  if (size.width < kSmallest || size.height < kSmallest) {
    throw UsageError(fmt::format("{}: {} is too small", option, text));
  }
  try {
    CheckFrameSize(size.width, size.height, option);
  } catch (const MediaError& error) {
    throw UsageError(error.what());
  }
  return size;
}

int RunList(const Arguments& given) {
  if (PrintHelpIfAsked(given, kListHelp)) return 0;
  Arguments arguments = given;
  PluginHost host(PluginPath(arguments));
  if (!arguments.empty()) throw UsageError("list takes no arguments but --plugin");
  for (const auto& family : host.EffectsByFamily()) {
    std::cout << family.name << ":\n";
    for (const auto* entry : family.effects) {
      Ptr<Proc::IEffect> effect = host.Create(entry->classId);
      std::cout << fmt::format("  {:<40} {:<15} {:<4} {}\n", entry->classId, ToString(entry->kind),
                               entry->implName, effect->GetSettingsObject().GetDescription());
    }
  }
  return 0;
}

int RunDescribe(const Arguments& given) {
  if (PrintHelpIfAsked(given, kDescribeHelp)) return 0;
  Arguments arguments = given;
  PluginHost host(PluginPath(arguments));
  if (arguments.size() != 1) throw UsageError("describe takes one class id or package file");
  if (IsShaderPackagePath(arguments[0])) return DescribePackage(arguments[0]);
  if (IsShaderTemplatePath(arguments[0])) return DescribeTemplate(arguments[0]);
  const auto& entry = host.Find(arguments[0]);
  Ptr<Proc::IEffect> effect = host.Create(entry.classId);
  const Proc::Settings& settings = effect->GetSettingsObject();
  std::cout << fmt::format("{} ({}, {}; {})\n  {}\n\nParameters:\n", entry.classId,
                           ToString(entry.kind), entry.implName, settings.GetFamily(),
                           settings.GetDescription());
  if (settings.GetParameters().empty()) std::cout << "  none\n";
  for (const auto& parameter : settings.GetParameters()) {
    std::cout << fmt::format("  {:<20} {:<7} default {}\n      {}\n", parameter.name,
                             ToString(parameter.type), DescribeValue(parameter),
                             parameter.description);
  }
  std::cout << "\nPresets (--preset NAME):\n";
  for (const auto& preset : settings.GetPresets()) {
    std::cout << fmt::format("  {:<20} {}\n      {}\n", preset.name, preset.summary,
                             preset.settings);
  }
  const auto& parameters = settings.GetParameters();
  std::cout << "\nExample:\n  "
            << ExampleCommand(entry.kind, IsTransition(entry), entry.classId,
                              parameters.empty()
                                  ? std::string()
                                  : fmt::format("{}={}", parameters.front().name,
                                                parameters.front().defaultValue.ToJson()))
            << "\n";
  return 0;
}

}  // namespace Obrisk::Tools
