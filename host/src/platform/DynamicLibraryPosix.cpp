// POSIX loader; a Windows build supplies LoadLibrary/GetProcAddress and
// GetModuleHandleEx/GetModuleFileName here.
#include <dlfcn.h>

#include <stdexcept>

#include "obrisk/host/DynamicLibrary.h"

namespace Obrisk {

DynamicLibrary::DynamicLibrary(const std::string& path) : handle_(nullptr), path_(path) {
  // The library stays loaded for the process's lifetime: pending GPU tasks
  // may still run its code when the host lets go of it.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle_ == nullptr) {
    const char* error = dlerror();
    throw std::runtime_error("cannot load " + path + ": " + (error ? error : "unknown error"));
  }
}

DynamicLibrary::~DynamicLibrary() {
  dlclose(handle_);
}

void* DynamicLibrary::Symbol(const std::string& name) const {
  dlerror();
  void* address = dlsym(handle_, name.c_str());
  if (address == nullptr) {
    throw std::runtime_error(path_ + " does not export " + name);
  }
  return address;
}

std::filesystem::path ModuleFile(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
    throw std::runtime_error("cannot find the library that holds an address");
  }
  // The loader may give a path relative to the working folder at load time.
  return std::filesystem::absolute(info.dli_fname);
}

std::filesystem::path ModuleFolder(const void* address) {
  return ModuleFile(address).parent_path();
}

}  // namespace Obrisk
