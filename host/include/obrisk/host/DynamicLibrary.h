// Loading a shared library and finding a function in it, as hosts load plug-ins.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace Obrisk {

class DynamicLibrary {
 public:
  // Throws std::runtime_error with the loader's message when the file cannot be loaded.
  explicit DynamicLibrary(const std::string& path);
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // The address of an exported symbol; throws std::runtime_error when absent.
  void* Symbol(const std::string& name) const;

  template <class Function>
  Function* Find(const std::string& name) const {
    return reinterpret_cast<Function*>(Symbol(name));
  }

 private:
  void* handle_;
  std::string path_;
};

// The file of the loaded library (or program) that holds `address`, as an
// absolute path; throws std::runtime_error when the loader cannot tell.
std::filesystem::path ModuleFile(const void* address);

// The folder of that file.
std::filesystem::path ModuleFolder(const void* address);

}  // namespace Obrisk
