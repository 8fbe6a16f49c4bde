// Headless contexts through EGL: the device platform first (a GPU's driver, or
// Mesa's software device), then Mesa's surfaceless platform, then the default
// display. Each context is desktop OpenGL in the compatibility profile.
#include <epoxy/egl.h>

#include <string>
#include <vector>

#include <fmt/format.h>

#include "obrisk/ogl/Gl.h"
#include "platform/HeadlessContext.h"

namespace Obrisk::Ogl {
namespace {

constexpr EGLint kMaxDevices = 16;

bool HasExtension(const char* list, std::string_view name) {
  if (list == nullptr) return false;
  std::string_view all(list);
  std::size_t position = 0;
  while ((position = all.find(name, position)) != std::string_view::npos) {
    const std::size_t end = position + name.size();
    const bool starts = position == 0 || all[position - 1] == ' ';
    const bool ends = end == all.size() || all[end] == ' ';
    if (starts && ends) return true;
    position = end;
  }
  return false;
}

class EglContext final : public HeadlessContext {
 public:
  EglContext(EGLDisplay display, EGLContext context, EGLSurface surface, std::string description)
      : display_(display),
        context_(context),
        surface_(surface),
        description_(std::move(description)) {}

  // The display stays initialised: EGL displays are shared by everything in
  // the process that asks for the same one, so terminating it could pull it
  // from under another user of EGL in the host.
  ~EglContext() override {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
    eglDestroyContext(display_, context_);
  }

  const std::string& Describe() const override { return description_; }

 private:
  EGLDisplay display_;
  EGLContext context_;
  EGLSurface surface_;
  std::string description_;
};

struct Candidate {
  EGLDisplay display;
  std::string name;
};

std::vector<Candidate> CandidateDisplays(std::vector<std::string>& failures) {
  std::vector<Candidate> candidates;
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (HasExtension(clientExtensions, "EGL_EXT_platform_device") &&
      HasExtension(clientExtensions, "EGL_EXT_device_enumeration")) {
    EGLDeviceEXT devices[kMaxDevices];
    EGLint count = 0;
    if (eglQueryDevicesEXT(kMaxDevices, devices, &count)) {
      for (EGLint i = 0; i < count; ++i) {
        EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
        if (display != EGL_NO_DISPLAY) {
          candidates.push_back({display, fmt::format("EGL device {}", i)});
        }
      }
    } else {
      failures.push_back("EGL device enumeration failed");
    }
  } else {
    failures.push_back("EGL_EXT_platform_device is not available");
  }
  if (HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    EGLDisplay display =
        eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display != EGL_NO_DISPLAY) candidates.push_back({display, "EGL surfaceless platform"});
  }
  EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  if (display != EGL_NO_DISPLAY) candidates.push_back({display, "EGL default display"});
  return candidates;
}

EGLContext CreateCompatibilityContext(EGLDisplay display, EGLConfig config, bool debug) {
  const EGLint debugFlag = debug ? EGL_TRUE : EGL_FALSE;
  const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                               EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                               EGL_CONTEXT_OPENGL_DEBUG, debugFlag, EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
  if (context == EGL_NO_CONTEXT && debug) {
    context = CreateCompatibilityContext(display, config, false);
  }
  return context;
}

// A context current without a surface, or with a 1x1 pbuffer where the
// display cannot do without one.
std::unique_ptr<HeadlessContext> TryDisplay(const Candidate& candidate, bool debug,
                                            std::string& failure) {
  EGLint major = 0, minor = 0;
  if (!eglInitialize(candidate.display, &major, &minor)) {
    failure = fmt::format("{}: eglInitialize failed (0x{:x})", candidate.name, eglGetError());
    return nullptr;
  }
  const char* extensions = eglQueryString(candidate.display, EGL_EXTENSIONS);
  if (!eglBindAPI(EGL_OPENGL_API)) {
    failure = fmt::format("{}: desktop OpenGL is not supported", candidate.name);
    eglTerminate(candidate.display);
    return nullptr;
  }
  const bool surfaceless = HasExtension(extensions, "EGL_KHR_surfaceless_context") &&
                           HasExtension(extensions, "EGL_KHR_no_config_context");
  EGLConfig config = EGL_NO_CONFIG_KHR;
  EGLSurface surface = EGL_NO_SURFACE;
  if (!surfaceless) {
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,   EGL_RED_SIZE,    8,
                                       EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(candidate.display, configAttributes, &config, 1, &count) || count == 0) {
      failure = fmt::format("{}: no pbuffer configuration for desktop OpenGL", candidate.name);
      eglTerminate(candidate.display);
      return nullptr;
    }
    const EGLint pbufferAttributes[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    surface = eglCreatePbufferSurface(candidate.display, config, pbufferAttributes);
  }
  EGLContext context = CreateCompatibilityContext(candidate.display, config, debug);
  if (context == EGL_NO_CONTEXT) {
    failure =
        fmt::format("{}: no compatibility-profile context (0x{:x})", candidate.name, eglGetError());
    if (surface != EGL_NO_SURFACE) eglDestroySurface(candidate.display, surface);
    eglTerminate(candidate.display);
    return nullptr;
  }
  if (!eglMakeCurrent(candidate.display, surface, surface, context)) {
    failure = fmt::format("{}: eglMakeCurrent failed (0x{:x})", candidate.name, eglGetError());
    eglDestroyContext(candidate.display, context);
    if (surface != EGL_NO_SURFACE) eglDestroySurface(candidate.display, surface);
    eglTerminate(candidate.display);
    return nullptr;
  }
  return std::make_unique<EglContext>(candidate.display, context, surface,
                                      fmt::format("{} (EGL {}.{})", candidate.name, major, minor));
}

}  // namespace

std::unique_ptr<HeadlessContext> HeadlessContext::CreateCurrent(bool debug) {
  std::vector<std::string> failures;
  for (const Candidate& candidate : CandidateDisplays(failures)) {
    std::string failure;
    if (auto context = TryDisplay(candidate, debug, failure)) return context;
    failures.push_back(failure);
  }
  std::string details;
  for (const auto& failure : failures) details += "\n  " + failure;
  OBRISK_THROW(OglException,
               "No headless OpenGL context could be made. Tried:" + details +
                   "\nInstall Mesa's EGL and drivers (libegl1, libegl-mesa0, libgl1-mesa-dri) "
                   "or a GPU driver that offers EGL.");
}

}  // namespace Obrisk::Ogl
