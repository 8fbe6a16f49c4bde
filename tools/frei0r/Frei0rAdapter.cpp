// The frei0r adapter: a host of the plug-in, as the command-line tool is. It
// loads the plug-in through Registrator, makes one effect object per frei0r
// instance and runs frames through it: upload, effect and download on the
// GPU library's OpenGL thread.
#include "Frei0rAdapter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <glog/logging.h>

#include "Frei0rParameters.h"
#include "PluginHost.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"

namespace Obrisk::Frei0r {
namespace {

// Stub files are named kFilePrefix + the effect's short name (or class id).
constexpr std::string_view kFilePrefix = "quenvara-";
constexpr const char* kAuthor = "Quenvara";
constexpr double kMicrosecondsPerSecond = 1000000.0;
// The length of a frame until two frames' times tell it: 25 frames a second.
constexpr std::int64_t kDefaultFrameDuration = 40000;
constexpr double kDefaultTransitionSeconds = 1.0;
// The largest texture side every OpenGL 4.5 driver supports.
constexpr unsigned kMaxSide = 16384;
constexpr std::size_t kBytesPerPixel = 4;

const char kThisLibrary = 0;

// The plug-in to load: QUENVARA_PLUGIN, else the installed one in the library
// folder above this adapter's frei0r folder, else the build's.
std::string PluginPath() {
  if (const char* path = std::getenv("QUENVARA_PLUGIN")) return path;
  const auto installed = ModuleFolder(&kThisLibrary).parent_path() / QUENVARA_PLUGIN_FILE;
  if (std::filesystem::exists(installed)) return installed.string();
  if (std::filesystem::exists(QUENVARA_PLUGIN_PATH)) return QUENVARA_PLUGIN_PATH;
  return QUENVARA_PLUGIN_FILE;
}

// The loaded plug-in, shared by every initialised stub and live instance.
struct Library {
  Tools::PluginHost host{PluginPath()};
  // Guards creation through the host's registry.
  std::mutex mutex;
};

struct Description {
  std::string classId;
  std::string name;
  std::string explanation;
  bool transition = false;
  std::vector<Parameter> parameters;
};

// What the adapter knows of one stub, by the stub's file: a host may unload a
// stub and load another at the same address. The description stays for the
// process's lifetime: hosts keep the strings it hands out.
struct Stub {
  int initCount = 0;
  std::shared_ptr<Library> library;
  std::optional<Description> description;
};

std::mutex stubsMutex;

std::map<std::string, Stub>& Stubs() {
  static std::map<std::string, Stub> stubs;
  return stubs;
}

std::string StubFile(const void* address) {
  return ModuleFile(address).string();
}

// The stub holding `address`, or null before its f0r_init.
Stub* FindStub(const void* address) {
  const auto found = Stubs().find(StubFile(address));
  return found == Stubs().end() ? nullptr : &found->second;
}

std::shared_ptr<Library> SharedLibrary() {
  static std::weak_ptr<Library> shared;
  if (auto library = shared.lock()) return library;
  auto library = std::make_shared<Library>();
  shared = library;
  return library;
}

Description Describe(const void* stub, Library& library) {
  const std::string name = ModuleFile(stub).stem().string();
  if (!name.starts_with(kFilePrefix)) {
    throw std::runtime_error(name + ": a stub's name starts with " + std::string(kFilePrefix));
  }
  std::lock_guard lock(library.mutex);
  const auto& entry = library.host.Find(name.substr(kFilePrefix.size()));
  if (entry.kind == Proc::EffectKind::VarInput) {
    throw std::runtime_error(entry.classId + " takes several inputs, which frei0r cannot give");
  }
  const Ptr<Proc::IEffect> effect = library.host.Create(entry.classId);
  const Proc::Settings& settings = effect->GetSettingsObject();
  const bool transition = entry.kind == Proc::EffectKind::TwoInput;
  return {entry.classId, name, std::string(settings.GetDescription()), transition,
          MapParameters(settings.GetParameters(), transition)};
}

// Runs `body`, logging what it throws and answering `failed` then.
template <class Result, class Body>
Result Guarded(const char* what, Result failed, Body&& body) {
  try {
    return body();
  } catch (const std::exception& error) {
    LOG(ERROR) << "frei0r " << what << ": " << error.what();
  } catch (...) {
    LOG(ERROR) << "frei0r " << what << ": unknown error";
  }
  return failed;
}

template <class Body>
void Guarded(const char* what, Body&& body) {
  Guarded(what, 0, [&] {
    body();
    return 0;
  });
}

class Instance {
 public:
  Instance(std::shared_ptr<Library> library, const Description& description, unsigned width,
           unsigned height)
      : library_(std::move(library)),
        description_(description),
        info_{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), 1, 1} {
    std::lock_guard lock(library_->mutex);
    effect_ = library_->host.Create(description_.classId);
  }

  ~Instance() {
    effect_ = nullptr;
    // Whatever the effect left queued (its caches' release) runs now, so that
    // nothing of this instance outlives it.
    if (Ogl::OglManager::IsRunning()) Ogl::OglManager::GetInstance().Finish();
  }

  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  void Set(const void* value, int index) {
    std::lock_guard lock(mutex_);
    const Parameter* parameter = Find(index);
    if (parameter == nullptr || value == nullptr) return;
    switch (parameter->role) {
      case Role::Progress: {
        const double progress = *static_cast<const f0r_param_double*>(value);
        if (std::isfinite(progress)) progress_ = std::clamp(progress, 0.0, 1.0);
        return;
      }
      case Role::Duration: {
        const double seconds = *static_cast<const f0r_param_double*>(value);
        if (std::isfinite(seconds) && seconds > 0.0) duration_ = seconds;
        return;
      }
      case Role::Setting:
        break;
    }
    const std::optional<Property> settings = ToSettings(*parameter, value);
    if (!settings) {
      LOG(WARNING) << description_.name << ": refused a value for " << parameter->name;
      return;
    }
    try {
      effect_->SetSettings(*settings);
    } catch (const std::exception& error) {
      LOG(WARNING) << description_.name << ": refused a value for " << parameter->name << ": "
                   << error.what();
    }
  }

  void Get(void* value, int index) {
    std::lock_guard lock(mutex_);
    const Parameter* parameter = Find(index);
    if (parameter == nullptr || value == nullptr) return;
    switch (parameter->role) {
      case Role::Progress:
        *static_cast<f0r_param_double*>(value) = progress_.value_or(0.0);
        return;
      case Role::Duration:
        *static_cast<f0r_param_double*>(value) = duration_;
        return;
      case Role::Setting:
        FromSettings(*parameter, effect_->GetSettings(), value, text_);
        return;
    }
  }

  void Update(double time, const std::uint32_t* in1, const std::uint32_t* in2, std::uint32_t* out) {
    std::lock_guard lock(mutex_);
    if (in1 == nullptr || out == nullptr) return;
    try {
      Render(time, in1, in2, out);
    } catch (const std::exception& error) {
      LOG(ERROR) << description_.name << ": the frame passes unchanged: " << error.what();
      std::memcpy(out, in1, Bytes());
    }
  }

 private:
  const Parameter* Find(int index) const {
    const auto& parameters = description_.parameters;
    if (index < 0 || static_cast<std::size_t>(index) >= parameters.size()) return nullptr;
    return &parameters[static_cast<std::size_t>(index)];
  }

  std::size_t Bytes() const {
    return static_cast<std::size_t>(info_.width) * static_cast<std::size_t>(info_.height) *
           kBytesPerPixel;
  }

  Ptr<Proc::IData> Upload(const std::uint32_t* pixels, std::int64_t start,
                          std::int64_t duration) const {
    auto frame = MakeRef<Proc::DataVideoMemory>(Proc::ColorSpace{}, Proc::kPixFmtAlpha, info_);
    std::memcpy(frame->Pixels(), pixels, Bytes());
    frame->SetStartTime(start);
    frame->SetDuration(duration);
    return Ogl::UploadFrame(frame);
  }

  void Render(double time, const std::uint32_t* in1, const std::uint32_t* in2, std::uint32_t* out) {
    if (!std::isfinite(time)) throw std::invalid_argument("the frame's time is not a number");
    if (description_.transition && in2 == nullptr) {
      throw std::invalid_argument("a transition needs two frames");
    }
    const auto start = static_cast<std::int64_t>(std::llround(time * kMicrosecondsPerSecond));
    const std::int64_t duration =
        previousStart_ && start > *previousStart_ ? start - *previousStart_ : kDefaultFrameDuration;
    previousStart_ = start;
    std::vector<Ptr<Proc::IData>> frames{Upload(in1, start, duration)};
    if (description_.transition) {
      frames.push_back(Upload(in2, start, duration));
      const double progress = progress_.value_or(std::clamp(time / duration_, 0.0, 1.0));
      effect_->SetProgress(Proc::TimeToProgress([progress](std::int64_t) { return progress; }));
    }
    const Ptr<Proc::IData> result = effect_->ProcessData(frames);
    auto* data = dynamic_cast<Ogl::DataVideoOGL*>(result.get());
    if (data == nullptr) throw std::logic_error("the effect gave no GPU frame");
    const auto picture = Ogl::DownloadFrame(Ptr<Ogl::DataVideoOGL>(data));
    const auto& size = picture->GetFrameInfo();
    if (size.width != info_.width || size.height != info_.height) {
      throw std::logic_error("the effect gave a frame of another size");
    }
    std::memcpy(out, picture->Pixels(), Bytes());
  }

  std::shared_ptr<Library> library_;
  const Description& description_;
  Proc::FrameInfo info_;
  Ptr<Proc::IEffect> effect_;
  std::mutex mutex_;
  std::optional<double> progress_;
  double duration_ = kDefaultTransitionSeconds;
  std::optional<std::int64_t> previousStart_;
  std::string text_;
};

Instance* AsInstance(f0r_instance_t instance) {
  return static_cast<Instance*>(instance);
}

}  // namespace
}  // namespace Obrisk::Frei0r

using namespace Obrisk::Frei0r;

extern "C" {

int quenvara_frei0r_init(const void* stub) {
  return Guarded("init", 0, [&] {
    std::lock_guard lock(stubsMutex);
    Stub& state = Stubs()[StubFile(stub)];
    auto library = state.library ? state.library : SharedLibrary();
    if (!state.description) state.description = Describe(stub, *library);
    state.library = std::move(library);
    ++state.initCount;
    return 1;
  });
}

void quenvara_frei0r_deinit(const void* stub) {
  Guarded("deinit", [&] {
    std::lock_guard lock(stubsMutex);
    Stub* state = FindStub(stub);
    if (state == nullptr || state->initCount == 0) return;
    if (--state->initCount == 0) state->library.reset();
  });
}

void quenvara_frei0r_plugin_info(const void* stub, f0r_plugin_info_t* info) {
  if (info == nullptr) return;
  Guarded("get_plugin_info", [&] {
    std::lock_guard lock(stubsMutex);
    const Stub* state = FindStub(stub);
    const Description* description =
        state != nullptr && state->description ? &*state->description : nullptr;
    *info = {
        description ? description->name.c_str() : "quenvara",
        kAuthor,
        description && description->transition ? F0R_PLUGIN_TYPE_MIXER2 : F0R_PLUGIN_TYPE_FILTER,
        F0R_COLOR_MODEL_RGBA8888,
        FREI0R_MAJOR_VERSION,
        QUENVARA_VERSION_MAJOR,
        QUENVARA_VERSION_MINOR,
        description ? static_cast<int>(description->parameters.size()) : 0,
        description ? description->explanation.c_str() : "not initialised"};
  });
}

void quenvara_frei0r_param_info(const void* stub, f0r_param_info_t* info, int index) {
  if (info == nullptr) return;
  Guarded("get_param_info", [&] {
    std::lock_guard lock(stubsMutex);
    const Stub* state = FindStub(stub);
    if (state == nullptr || !state->description) return;
    const auto& parameters = state->description->parameters;
    if (index < 0 || static_cast<std::size_t>(index) >= parameters.size()) return;
    const Parameter& parameter = parameters[static_cast<std::size_t>(index)];
    *info = {parameter.name.c_str(), parameter.type, parameter.explanation.c_str()};
  });
}

f0r_instance_t quenvara_frei0r_construct(const void* stub, unsigned width, unsigned height) {
  return Guarded("construct", f0r_instance_t{nullptr}, [&]() -> f0r_instance_t {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
      throw std::invalid_argument("frames of " + std::to_string(width) + "x" +
                                  std::to_string(height) + " pixels are not supported");
    }
    std::shared_ptr<Library> library;
    const Description* description = nullptr;
    {
      std::lock_guard lock(stubsMutex);
      const Stub* state = FindStub(stub);
      if (state == nullptr || !state->library) {
        throw std::logic_error("f0r_construct before f0r_init");
      }
      library = state->library;
      description = &*state->description;
    }
    return new Instance(std::move(library), *description, width, height);
  });
}

void quenvara_frei0r_destruct(f0r_instance_t instance) {
  Guarded("destruct", [&] { delete AsInstance(instance); });
}

void quenvara_frei0r_set_param(f0r_instance_t instance, f0r_param_t value, int index) {
  if (instance == nullptr) return;
  Guarded("set_param_value", [&] { AsInstance(instance)->Set(value, index); });
}

void quenvara_frei0r_get_param(f0r_instance_t instance, f0r_param_t value, int index) {
  if (instance == nullptr) return;
  Guarded("get_param_value", [&] { AsInstance(instance)->Get(value, index); });
}

void quenvara_frei0r_update(f0r_instance_t instance, double time, const uint32_t* in1,
                            const uint32_t* in2, uint32_t* out) {
  if (instance == nullptr) return;
  Guarded("update", [&] { AsInstance(instance)->Update(time, in1, in2, out); });
}
}
