#include "isf/ISFBaseEffect.h"

#include <algorithm>
#include <ctime>
#include <exception>

#include <glog/logging.h>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include "frame/ShaderDialect.h"
#include "isf/Fnv1a.h"
#include "obrisk/isf/ISFUtils.h"

namespace Obrisk::Ogl::ISF {
namespace {

namespace Keys = Proc::ISF;
using ShaderDialect::HasVersion;

constexpr int kDiagnostics = 10;  // verbose level of package diagnostics
constexpr std::string_view kSourcePath = "Proc/Effects/Quenvara/ISF/ISFBaseEffect";
constexpr std::string_view kProgramPrefix = "EffectISF_";

// Draws the full-frame quad for packages without a vertex shader.
constexpr std::string_view kDefaultVertex = R"(varying vec2 TexCoord0;
attribute vec4 vbo_xy_uv;

void main() {
  gl_Position = vec4(vbo_xy_uv.zw, 0., 1.);
  TexCoord0 = vbo_xy_uv.xy;
}
)";

// The program name of a pair of texts: programs are kept by name, so it
// covers both.
std::string ProgramName(const std::string& vertex, const std::string& fragment) {
  return std::string(kProgramPrefix) + std::to_string(Fnv1a(vertex, Fnv1a(fragment)));
}

// Texture units that one pass may sample.
std::size_t MaxTextureUnits() {
  GLint units = 0;
  glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
  return static_cast<std::size_t>(std::max(units, 0));
}

void Clear(ShaderStorage& storage, Frame& frame, const ColorF& color) {
  storage.FBO().Attach(frame.GetFirstTexture());
  glClearColor(color.r, color.g, color.b, color.a);
  glClear(GL_COLOR_BUFFER_BIT);
}

// Copies `source` over `target` with the storage's frame quad (scaled to fit).
void Copy(ShaderStorage& storage, Frame& source, Frame& target) {
  storage.FBO().Attach(target.GetFirstTexture());
  source.Draw(storage.FrameQuad(), storage);
}

void AllocateLike(Frame& frame, const Frame& model) {
  frame.Allocate(model.GetColorSpace(), model.GetPixelFormat(), model.GetFrameInfo());
}

// Year, month (1 to 12), day of the month and seconds since local midnight.
glm::vec4 LocalDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  constexpr int kTmYearBase = 1900;
  constexpr int kSecondsPerHour = 3600;
  constexpr int kSecondsPerMinute = 60;
  return {static_cast<float>(local.tm_year + kTmYearBase), static_cast<float>(local.tm_mon + 1),
          static_cast<float>(local.tm_mday),
          static_cast<float>(local.tm_hour * kSecondsPerHour + local.tm_min * kSecondsPerMinute +
                             local.tm_sec)};
}

void SetValue(ISFParser::ElementMap& uniforms, std::string_view name, std::any value) {
  const auto found = uniforms.find(std::string(name));
  if (found != uniforms.end()) found->second.value = std::move(value);
}

// Sets an input's or built-in's uniform by its value's type; samplers are
// bound apart.
void SetUniform(const ShaderProgram& program, const Element& element) {
  const std::any& value = element.value;
  if (const auto* flag = std::any_cast<bool>(&value)) {
    program.Uniform(element.name, *flag ? 1 : 0);
  } else if (const auto* number = std::any_cast<std::int32_t>(&value)) {
    program.Uniform(element.name, static_cast<int>(*number));
  } else if (const auto* real = std::any_cast<float>(&value)) {
    program.Uniform(element.name, *real);
  } else if (const auto* point = std::any_cast<glm::vec2>(&value)) {
    program.Uniform(element.name, *point);
  } else if (const auto* color = std::any_cast<glm::vec4>(&value)) {
    program.Uniform(element.name, *color);
  } else if (value.type() != typeid(ImageElement) && value.type() != typeid(PassElement) &&
             value.type() != typeid(AudioElement)) {
    VLOG(kDiagnostics) << "Unregistered type: " << value.type().name();
  }
}

}  // namespace

std::shared_ptr<const ISFBaseEffect::Package> ISFBaseEffect::MakePackage(
    const Proc::BaseSettingsISF& settings) {
  ISFParser parser(settings.GetConfig(), settings.GetVertexShader(), settings.GetPixelShader());
  try {
    parser.AddParamsFromISF();
    parser.AddStandardElements();
  } catch (const std::exception& error) {
    OBRISK_THROW(Exception, std::string("Error parsing JSON: ") + error.what());
  }
  auto package = std::make_shared<Package>();
  package->config = settings.GetConfig();
  package->pixelShader = settings.GetPixelShader();
  package->vertexShader = settings.GetVertexShader();
  package->errorSetting = settings.GetErrorColor();
  package->legacyVertex =
      parser.GetVertexShader().empty() ? std::string(kDefaultVertex) : parser.GetVertexShader();
  package->legacyFragment = parser.GetFragmentShader();
  const bool ownDialect = HasVersion(package->legacyFragment) || HasVersion(package->legacyVertex);
  const std::string dialect = ownDialect ? "" : std::string(ShaderDialect::kPortable);
  package->vertex =
      HasVersion(package->legacyVertex) ? package->legacyVertex : dialect + package->legacyVertex;
  package->fragment = HasVersion(package->legacyFragment) ? package->legacyFragment
                                                          : dialect + package->legacyFragment;
  package->shader.emplace(ProgramName(package->vertex, package->fragment), package->vertex,
                          package->fragment, std::string(kSourcePath));
  if (!ownDialect) {
    package->legacyShader.emplace(ProgramName(package->legacyVertex, package->legacyFragment),
                                  package->legacyVertex, package->legacyFragment,
                                  std::string(kSourcePath));
  }
  package->uniforms = parser.GetElements();
  for (const auto& [key, element] : package->uniforms) {
    if (const auto* image = std::any_cast<ImageElement>(&element.value)) {
      package->images.emplace_back(element.name, image->index);
    } else if (const auto* pass = std::any_cast<PassElement>(&element.value)) {
      package->passes.emplace_back(element.name, *pass);
    } else if (const auto* sound = std::any_cast<AudioElement>(&element.value)) {
      package->sounds.emplace_back(element.name, *sound);
    }
  }
  std::sort(package->images.begin(), package->images.end(),
            [](const auto& a, const auto& b) { return a.second < b.second; });
  std::sort(package->passes.begin(), package->passes.end(),
            [](const auto& a, const auto& b) { return a.second.index < b.second.index; });
  std::sort(package->sounds.begin(), package->sounds.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  const auto color = settings.GetErrorColor();
  package->errorColor = ColorF{color[0], color[1], color[2], color[3]};
  return package;
}

bool ISFBaseEffect::Package::IsMadeFrom(const Proc::BaseSettingsISF& settings) const {
  return errorSetting == settings.GetErrorColor() && config == settings.GetConfig() &&
         pixelShader == settings.GetPixelShader() && vertexShader == settings.GetVertexShader();
}

void ISFBaseEffect::Configure(const Proc::BaseSettingsISF& settings) {
  auto package = MakePackage(settings);
  const std::lock_guard lock(mutex_);
  latest_ = std::move(package);
}

// The package being drawn while the settings stay, else the one configured
// last; settings of an earlier configuration (a frame set still pending when
// the settings changed) are configured again here.
std::shared_ptr<const ISFBaseEffect::Package> ISFBaseEffect::PackageFor(
    const Proc::BaseSettingsISF& settings) const {
  if (state_.package && state_.package->IsMadeFrom(settings)) return state_.package;
  {
    const std::lock_guard lock(mutex_);
    if (latest_ && latest_->IsMadeFrom(settings)) return latest_;
  }
  try {
    return MakePackage(settings);
  } catch (const Exception&) {
    OBRISK_THROW(Exception, std::string("Shader is not set"));
  }
}

void ISFBaseEffect::Restart(const std::vector<Ptr<Frame>>& inputs, const Frame& output) {
  for (std::size_t i = 0; i < state_.inputCopies.size(); ++i) {
    AllocateLike(*state_.inputCopies[i], *inputs[i]);
  }
  AllocateLike(*state_.work, output);
  state_.frameIndex = 0;
}

void ISFBaseEffect::UpdateBuiltins(const Frame& output, double time, double progress,
                                   bool restart) {
  auto& uniforms = state_.uniforms;
  const Proc::FrameInfo& size = output.GetFrameInfo();
  SetValue(uniforms, Keys::RENDERSIZE,
           glm::vec2(static_cast<float>(size.width), static_cast<float>(size.height)));
  SetValue(uniforms, Keys::TIME, static_cast<float>(time));
  SetValue(uniforms, Keys::TIMEDELTA, static_cast<float>(restart ? 0.0 : time - state_.lastTime));
  SetValue(uniforms, Keys::DATE, LocalDate());
  SetValue(uniforms, Keys::FRAMEINDEX, state_.frameIndex);
  const auto found = uniforms.find(std::string(Keys::PROGRESS));
  if (found != uniforms.end() && found->second.value.type() == typeid(float)) {
    found->second.value = static_cast<float>(progress);
  }
}

// The image sizes as the companions give them: the input frames' and the
// pass targets'.
void ISFBaseEffect::UpdateCompanions(const std::vector<Ptr<Frame>>& inputs,
                                     const ISFOGLCache& cache) {
  const auto set = [this](const std::string& name, std::int32_t width, std::int32_t height) {
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    SetValue(state_.uniforms, Keys::CompanionName(name, Keys::IMG_SIZE_SUFFIX), glm::vec2(w, h));
    SetValue(state_.uniforms, Keys::CompanionName(name, Keys::IMG_RECT_SUFFIX),
             glm::vec4(0.0f, 0.0f, w, h));
  };
  for (const auto& [name, index] : state_.package->images) {
    const Proc::FrameInfo& info = inputs[static_cast<std::size_t>(index)]->GetFrameInfo();
    set(name, info.width, info.height);
  }
  for (const ISFOGLCacheItem& item : cache.Items()) {
    if (!item.name.empty()) {
      set(item.name, static_cast<std::int32_t>(item.width), static_cast<std::int32_t>(item.height));
    }
  }
  for (std::size_t i = 0; i < state_.silence.size(); ++i) {
    const Proc::FrameInfo& info = state_.silence[i]->GetFrameInfo();
    set(state_.package->sounds[i].first, info.width, info.height);
  }
}

// One channel of silence per sound input: a waveform's samples sit at 0.5
// (amplitude 0 on the format's 0 to 1 scale), an FFT's bins at 0.
void ISFBaseEffect::MakeSilence(ShaderStorage& storage) {
  constexpr float kWaveformZero = 0.5f;
  state_.silence.clear();
  for (const auto& [name, sound] : state_.package->sounds) {
    const auto width = static_cast<std::int32_t>(
        std::min(static_cast<std::uint32_t>(sound.samples), MaxTextureSize()));
    Ptr<Frame> frame = Frame::CreateIntermediate(Proc::ColorSpace{}, Proc::kPixFmtAlpha,
                                                 Proc::FrameInfo{width, 1, 1, 1});
    const float level = sound.fft ? 0.0f : kWaveformZero;
    Clear(storage, *frame, ColorF{level, level, level, 1.0f});
    state_.silence.push_back(std::move(frame));
  }
}

// The frame a pass draws into: a float one for FLOAT passes, so that their
// values outside 0 to 1 reach their target.
Frame& ISFBaseEffect::PassTarget(const PassElement& pass, const Frame& output) {
  if (!pass.floatTarget) return *state_.work;
  if (!state_.floatWork) state_.floatWork = Frame::Create();
  if (state_.floatWork->GetFrameInfo() != output.GetFrameInfo()) {
    state_.floatWork->Allocate(output.GetColorSpace(), Proc::PixFmt::RGBA_HALF,
                               output.GetFrameInfo());
  }
  return *state_.floatWork;
}

// The package's program; one that builds only in the legacy dialect is used
// so from then on. When neither builds, the error of the package's dialect
// is raised.
ShaderProgram& ISFBaseEffect::Program(ShaderStorage& storage) {
  const Package& package = *state_.package;
  if (!state_.legacy || !package.legacyShader) {
    try {
      return storage.MakeShader(*package.shader);
    } catch (const ShaderException&) {
      if (!package.legacyShader) throw;
      std::exception_ptr error = std::current_exception();
      try {
        ShaderProgram& legacy = storage.MakeShader(*package.legacyShader);
        state_.legacy = true;
        return legacy;
      } catch (const ShaderException&) {
        std::rethrow_exception(error);
      }
    }
  }
  return storage.MakeShader(*package.legacyShader);
}

void ISFBaseEffect::RenderPass(ShaderStorage& storage, const ISFOGLCache& cache, Frame& target) {
  const Package& package = *state_.package;
  ShaderProgram& program = Program(storage);
  storage.FBO().Attach(target.GetFirstTexture());
  program.Use();
  int unit = 0;
  for (const auto& [name, index] : package.images) {
    program.Uniform(name, unit);
    state_.inputCopies[static_cast<std::size_t>(unit)]->GetFirstTexture().Use(unit);
    ++unit;
  }
  for (const auto& [name, element] : state_.uniforms) SetUniform(program, element);
  for (const ISFOGLCacheItem& item : cache.Items()) {
    if (!item.name.empty()) {
      program.Uniform(item.name, unit);
      item.target->GetFirstTexture().Use(unit);
      ++unit;
    }
  }
  for (std::size_t i = 0; i < state_.silence.size(); ++i) {
    program.Uniform(package.sounds[i].first, unit);
    state_.silence[i]->GetFirstTexture().Use(unit);
    ++unit;
  }
  storage.Quad().Activate();
  storage.Quad().Draw(program);
}

void ISFBaseEffect::Processing(const Proc::BaseSettingsISF& settings, Frame& output,
                               const std::vector<Ptr<Frame>>& inputs, double time, double progress,
                               ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const std::shared_ptr<const Package> package = PackageFor(settings);
  ISFOGLCache& targets = CacheAs<ISFOGLCache>(cache);
  if (!package->images.empty() && package->images.size() != inputs.size()) {
    Clear(storage, output, package->errorColor);
    return;
  }
  const std::size_t samplers =
      package->images.size() + package->sounds.size() +
      static_cast<std::size_t>(std::count_if(package->passes.begin(), package->passes.end(),
                                             [](const auto& pass) { return !pass.first.empty(); }));
  if (samplers > MaxTextureUnits()) {
    OBRISK_THROW(Exception, "The package samples " + std::to_string(samplers) +
                                " images, sounds and pass targets, more than the " +
                                std::to_string(MaxTextureUnits()) + " that the driver takes");
  }

  // A new package, or a frame at time 0, starts the package afresh.
  bool restart = time == 0.0;
  if (state_.package != package) {
    state_ = DrawState{package, package->uniforms, {}, {}, Frame::Create(), nullptr, false, 0.0, 0};
    for (std::size_t i = 0; i < package->images.size(); ++i) {
      state_.inputCopies.push_back(Frame::Create());
    }
    MakeSilence(storage);
    restart = true;
  }
  if (restart) Restart(inputs, output);
  const bool madeTargets = targets.Prepare(package->passes, output, storage);
  for (ISFOGLCacheItem& item : targets.Items()) {
    if (!item.pass.persistent || restart || madeTargets) {
      Clear(storage, *item.target, ColorF{0.0f, 0.0f, 0.0f, 0.0f});
    }
  }
  if (state_.work->GetFrameInfo() != output.GetFrameInfo()) AllocateLike(*state_.work, output);
  Clear(storage, *state_.work, ColorF{0.0f, 0.0f, 0.0f, 0.0f});
  for (std::size_t i = 0; i < state_.inputCopies.size(); ++i) {
    Frame& copy = *state_.inputCopies[i];
    if (copy.GetFrameInfo() != inputs[i]->GetFrameInfo()) AllocateLike(copy, *inputs[i]);
    Copy(storage, *inputs[i], copy);
  }

  UpdateBuiltins(output, time, progress, restart);
  UpdateCompanions(inputs, targets);
  const std::size_t passCount = std::max<std::size_t>(package->passes.size(), 1);
  auto& items = targets.Items();
  for (std::size_t i = 0; i < passCount; ++i) {
    SetValue(state_.uniforms, Keys::PASSINDEX, static_cast<std::int32_t>(i));
    Frame& target = i < items.size() ? PassTarget(items[i].pass, output) : *state_.work;
    RenderPass(storage, targets, target);
    if (i < items.size()) Copy(storage, target, *items[i].target);
  }
  if (passCount <= items.size()) Copy(storage, *items[passCount - 1].target, *state_.work);
  Copy(storage, *state_.work, output);
  state_.lastTime = time;
  ++state_.frameIndex;
}

}  // namespace Obrisk::Ogl::ISF
