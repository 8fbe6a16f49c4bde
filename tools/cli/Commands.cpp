#include "Commands.h"

#include <cstdlib>
#include <iostream>
#include <optional>
#include <regex>

#include <fmt/format.h>

#include "PluginHost.h"

namespace Obrisk::Tools {
namespace {

constexpr const char* kListHelp = R"(usage: quenvara list [--plugin PATH]

Lists every effect the plug-in registers: class id, kind (one-input,
two-input, variable-input), implementation and what it does.
)";

constexpr const char* kDescribeHelp = R"(usage: quenvara describe CLASS [--plugin PATH]

Shows an effect's parameters (name, type, default, range, meaning) and an
example command.
)";

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
  return QUENVARA_PLUGIN_PATH;
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
  return size;
}

int RunList(const Arguments& given) {
  if (PrintHelpIfAsked(given, kListHelp)) return 0;
  Arguments arguments = given;
  PluginHost host(PluginPath(arguments));
  if (!arguments.empty()) throw UsageError("list takes no arguments but --plugin");
  for (const auto* entry : host.Effects()) {
    Ptr<Proc::IEffect> effect = host.Create(entry->classId);
    std::cout << fmt::format("{:<40} {:<15} {:<4} {}\n", entry->classId, ToString(entry->kind),
                             entry->implName, effect->GetSettingsObject().GetDescription());
  }
  return 0;
}

int RunDescribe(const Arguments& given) {
  if (PrintHelpIfAsked(given, kDescribeHelp)) return 0;
  Arguments arguments = given;
  PluginHost host(PluginPath(arguments));
  if (arguments.size() != 1) throw UsageError("describe takes one class id");
  const auto& entry = host.Find(arguments[0]);
  Ptr<Proc::IEffect> effect = host.Create(entry.classId);
  const Proc::Settings& settings = effect->GetSettingsObject();
  std::cout << fmt::format("{} ({}, {})\n  {}\n\nParameters:\n", entry.classId,
                           ToString(entry.kind), entry.implName, settings.GetDescription());
  if (settings.GetParameters().empty()) std::cout << "  none\n";
  for (const auto& parameter : settings.GetParameters()) {
    std::cout << fmt::format("  {:<20} {:<7} default {}\n      {}\n", parameter.name,
                             ToString(parameter.type), DescribeValue(parameter),
                             parameter.description);
  }
  std::string example;
  switch (entry.kind) {
    case Proc::EffectKind::OneInput:
      example = "quenvara render -i in.png -o out.png --effect " + entry.classId;
      break;
    case Proc::EffectKind::TwoInput:
      example =
          "quenvara render -i a.mp4 -i b.mp4 --duration 2 -o out.mp4 --effect " + entry.classId;
      break;
    case Proc::EffectKind::VarInput:
      example = "quenvara render -i a.png -i b.png -i c.png -o out.png --effect " + entry.classId;
      break;
  }
  if (!settings.GetParameters().empty()) {
    const auto& first = settings.GetParameters().front();
    example += fmt::format(" --set {}={}", first.name, first.defaultValue.ToJson());
  }
  std::cout << "\nExample:\n  " << example << "\n";
  return 0;
}

}  // namespace Obrisk::Tools
