// ISF shader packages given as files: a .fs fragment file (JSON header in its
// first comment) with an optional .vs vertex file beside it.
#pragma once

#include <string>
#include <vector>

#include "obrisk/host/Property.h"
#include "obrisk/host/Registry.h"

namespace Obrisk::Tools {

struct PackageInput {
  std::string name;
  std::string type;
  Property defaultValue;
  Property minimum;
  Property maximum;
  std::string label;
};

struct ShaderPackage {
  // The ISF effect that runs it: SettingsEffectISF for one image input (or
  // none), SettingsTransitionISF for two images and a float "progress",
  // SettingsEffectMultiInputISF otherwise.
  std::string classId;
  Proc::EffectKind kind;
  std::string description;
  std::vector<PackageInput> inputs;
  // The effect's settings: header, fragment and vertex text.
  Property settings;
};

bool IsShaderPackagePath(const std::string& path);

// Reads the package; each "name=value" sets the DEFAULT of the input of that
// name in the header (numbers, true/false, or comma-separated components for
// colours and points). UsageError for unknown inputs or unreadable values,
// MediaError for unreadable files.
ShaderPackage LoadShaderPackage(const std::string& path,
                                const std::vector<std::string>& assignments);

}  // namespace Obrisk::Tools
