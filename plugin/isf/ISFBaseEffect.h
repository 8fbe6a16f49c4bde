// The engine of the ISF effects: turns a package into a program and a list of
// passes when settings arrive, and renders the passes for every frame.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "frame/OglCache.h"
#include "isf/ISFOGLCache.h"
#include "isf/ISFParser.h"
#include "obrisk/ogl/Frame.h"
#include "obrisk/ogl/ShaderStorage.h"
#include "obrisk/settings/IsfSettings.h"

namespace Obrisk::Ogl::ISF {

class ISFBaseEffect {
 public:
  // Parses and rewrites the package (host thread). Raises Exception "Error
  // parsing JSON: " + the parser's message.
  void Configure(const Proc::BaseSettingsISF& settings);

  // Renders the package of `settings` (the settings of the frame set) over
  // `inputs` (RGBA frames) into `output` (OpenGL thread). Raises Exception
  // "Shader is not set" for settings that were never configured and "Wrong
  // effect cache" without a cache.
  void Processing(const Proc::BaseSettingsISF& settings, Frame& output,
                  const std::vector<Ptr<Frame>>& inputs, double time, double progress,
                  ShaderStorage& storage, const Ptr<OglCache>& cache);

 private:
  // What a package turns into; never changed once made, so that the OpenGL
  // thread can draw with it while the host configures the next one.
  struct Package {
    // The settings' texts and colour it was made from.
    std::string config;
    std::string pixelShader;
    std::string vertexShader;
    std::array<float, 4> errorSetting{};

    bool IsMadeFrom(const Proc::BaseSettingsISF& settings) const;

    // The texts in the package's dialect: its own #version, else the most
    // permissive one that keeps the legacy built-ins; the legacy texts (no
    // #version) are the fallback for packages that only compile there.
    std::string vertex;
    std::string fragment;
    std::string legacyVertex;
    std::string legacyFragment;
    std::optional<ShaderSources<std::string_view, std::string_view>> shader;
    std::optional<ShaderSources<std::string_view, std::string_view>> legacyShader;
    ISFParser::ElementMap uniforms;
    std::vector<std::pair<std::string, std::int32_t>> images;
    // The audio and audioFFT inputs, by name.
    std::vector<std::pair<std::string, AudioElement>> sounds;
    PassList passes;
    ColorF errorColor;
  };

  // Per-frame state of the package being drawn (OpenGL thread).
  struct DrawState {
    std::shared_ptr<const Package> package;
    ISFParser::ElementMap uniforms;
    std::vector<Ptr<Frame>> inputCopies;
    // What the sound inputs sample: silence, one frame per sound (made on
    // the package's first frame).
    std::vector<Ptr<Frame>> silence;
    Ptr<Frame> work;
    // What FLOAT passes render into (made on their first frame).
    Ptr<Frame> floatWork;
    // The package compiles only in the legacy dialect.
    bool legacy = false;
    double lastTime = 0.0;
    std::int32_t frameIndex = 0;
  };

  static std::shared_ptr<const Package> MakePackage(const Proc::BaseSettingsISF& settings);
  std::shared_ptr<const Package> PackageFor(const Proc::BaseSettingsISF& settings) const;
  void Restart(const std::vector<Ptr<Frame>>& inputs, const Frame& output);
  void UpdateBuiltins(const Frame& output, double time, double progress, bool restart);
  void UpdateCompanions(const std::vector<Ptr<Frame>>& inputs, const ISFOGLCache& cache);
  void MakeSilence(ShaderStorage& storage);
  Frame& PassTarget(const PassElement& pass, const Frame& output);
  ShaderProgram& Program(ShaderStorage& storage);
  void RenderPass(ShaderStorage& storage, const ISFOGLCache& cache, Frame& target);

  // The package of the latest settings, shared with the OpenGL thread.
  mutable std::mutex mutex_;
  std::shared_ptr<const Package> latest_;
  DrawState state_;
};

}  // namespace Obrisk::Ogl::ISF
