// ISF shader packages given as files: a .fs fragment file (JSON header in its
// first comment) with an optional .vs vertex file beside it.
#pragma once

#include <cstddef>
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
  // SettingsEffectMultiInputISF otherwise (more images, or IMPORTED
  // pictures, which follow the inputs among its frames).
  std::string classId;
  // How the tool drives it: a package with a float "progress" and two or
  // more images is a transition (the images after the first two are further
  // inputs, such as a map), whatever class runs it.
  Proc::EffectKind kind;
  std::string path;
  std::string description;
  std::vector<PackageInput> inputs;
  // The number of image inputs, and the IMPORTED pictures' files.
  std::size_t images = 0;
  std::vector<std::string> imported;
  // The effect's settings: header, fragment and vertex text.
  Property settings;
};

bool IsShaderPackagePath(const std::string& path);

// Whether --set can give the input a value: not images and sounds, which
// come from pictures and (never, here) from audio.
bool IsSettable(const PackageInput& input);

// A generator draws from nothing: no image inputs and no imported pictures.
bool IsGenerator(const ShaderPackage& package);

// Reads the package; each "name=value" sets the DEFAULT of the input of that
// name in the header (numbers, true/false, or comma-separated components for
// colours and points). UsageError for unknown inputs or unreadable values,
// MediaError for unreadable files.
// Texts past the package bounds and missing IMPORTED files are MediaErrors.
ShaderPackage LoadShaderPackage(const std::string& path,
                                const std::vector<std::string>& assignments);

// The input files of a package that takes the frames of several: `given`
// followed by its IMPORTED pictures. UsageError when a package of several
// images is given another number of inputs.
std::vector<std::string> PackageInputs(const ShaderPackage& package,
                                       const std::vector<std::string>& given);

}  // namespace Obrisk::Tools
