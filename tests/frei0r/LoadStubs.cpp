// A frei0r host in miniature: loads every quenvara-*.so in a folder as frei0r
// hosts do, reads its description and parameters, writes each parameter back
// as read, renders one tiny frame, and unloads it. Built with
// AddressSanitizer it shows that no stub leaks. Exit code 1 on any failure.
//
// usage: quenvara_frei0r_load FOLDER
#include <dlfcn.h>
// The frei0r header declares its functions without C linkage.
extern "C" {
#include <frei0r.h>
}

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr unsigned kWidth = 8;
constexpr unsigned kHeight = 6;
constexpr std::uint32_t kGrey = 0xff808080;
constexpr double kTime = 0.5;

struct Functions {
  decltype(&f0r_init) init;
  decltype(&f0r_deinit) deinit;
  decltype(&f0r_get_plugin_info) pluginInfo;
  decltype(&f0r_get_param_info) paramInfo;
  decltype(&f0r_construct) construct;
  decltype(&f0r_destruct) destruct;
  decltype(&f0r_get_param_value) getParam;
  decltype(&f0r_set_param_value) setParam;
  decltype(&f0r_update2) update2;
};

template <class Function>
void Load(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  if (function == nullptr) throw std::runtime_error(std::string("no ") + name);
}

// Reads parameter `index` and sets it again to what it read.
void RoundTrip(const Functions& f, f0r_instance_t instance, int type, int index) {
  union {
    double number;
    f0r_param_color_t colour;
    f0r_param_position_t position;
    f0r_param_string text;
  } value{};
  f.getParam(instance, &value, index);
  if (type == F0R_PARAM_STRING) {
    std::string copy = value.text != nullptr ? value.text : "";
    value.text = copy.data();
    f.setParam(instance, &value, index);
    return;
  }
  f.setParam(instance, &value, index);
}

void Exercise(const std::filesystem::path& file) {
  void* library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) throw std::runtime_error(dlerror());
  Functions f{};
  Load(library, "f0r_init", f.init);
  Load(library, "f0r_deinit", f.deinit);
  Load(library, "f0r_get_plugin_info", f.pluginInfo);
  Load(library, "f0r_get_param_info", f.paramInfo);
  Load(library, "f0r_construct", f.construct);
  Load(library, "f0r_destruct", f.destruct);
  Load(library, "f0r_get_param_value", f.getParam);
  Load(library, "f0r_set_param_value", f.setParam);
  Load(library, "f0r_update2", f.update2);
  if (f.init() != 1) throw std::runtime_error("f0r_init failed");
  f0r_plugin_info_t info{};
  f.pluginInfo(&info);
  if (info.name == nullptr || file.stem() != info.name) throw std::runtime_error("wrong name");
  f0r_instance_t instance = f.construct(kWidth, kHeight);
  if (instance == nullptr) throw std::runtime_error("f0r_construct failed");
  for (int i = 0; i < info.num_params; ++i) {
    f0r_param_info_t parameter{};
    f.paramInfo(&parameter, i);
    if (parameter.name == nullptr) throw std::runtime_error("a parameter has no name");
    RoundTrip(f, instance, parameter.type, i);
  }
  const std::vector<std::uint32_t> in(kWidth * kHeight, kGrey);
  std::vector<std::uint32_t> out(in.size(), 0);
  f.update2(instance, kTime, in.data(), in.data(), nullptr, out.data());
  f.destruct(instance);
  f.deinit();
  dlclose(library);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quenvara_frei0r_load FOLDER\n";
    return 2;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& item : std::filesystem::directory_iterator(argv[1])) {
    if (item.path().filename().string().starts_with("quenvara-")) files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  int failures = 0;
  for (const auto& file : files) {
    try {
      Exercise(file);
    } catch (const std::exception& error) {
      std::cerr << file.filename().string() << ": " << error.what() << "\n";
      ++failures;
    }
  }
  std::cout << files.size() << " stubs loaded, " << failures << " failed\n";
  return files.empty() || failures > 0 ? 1 : 0;
}
