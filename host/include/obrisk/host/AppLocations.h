// Where the application keeps the files it reads at run time.
#pragma once

#include <filesystem>
#include <string_view>
#include <utility>

namespace Obrisk::Core {

class AppLocations {
 public:
  // Overrides the resource location when set.
  static constexpr const char* kResourcesVariable = "QUENVARA_RESOURCES";

  // The locations as they are now: the resource location is $QUENVARA_RESOURCES
  // when set and not empty, else the folder of the host library, where an
  // installation puts the resources beside the libraries and a build tree
  // generates them.
  static AppLocations GetLocations();

  const std::filesystem::path& Resources() const { return resources_; }
  // A file below the resource location; `relative` separates folders with '/'.
  std::filesystem::path ioPath(std::string_view relative) const;

 private:
  explicit AppLocations(std::filesystem::path resources) : resources_(std::move(resources)) {}

  std::filesystem::path resources_;
};

}  // namespace Obrisk::Core
