#include "obrisk/host/AppLocations.h"

#include <cstdlib>

#include "obrisk/host/DynamicLibrary.h"

namespace Obrisk::Core {
namespace {

// An object of this library, whose address names the library's file.
const char kThisLibrary = 0;

}  // namespace

AppLocations AppLocations::GetLocations() {
  const char* resources = std::getenv(kResourcesVariable);
  if (resources != nullptr && *resources != '\0') return AppLocations(resources);
  return AppLocations(ModuleFolder(&kThisLibrary));
}

std::filesystem::path AppLocations::ioPath(std::string_view relative) const {
  // The generic form names folders with '/' on every platform.
  return resources_ / std::filesystem::path(relative).make_preferred();
}

}  // namespace Obrisk::Core
