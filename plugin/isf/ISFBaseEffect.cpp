#include "isf/ISFBaseEffect.h"

#include <algorithm>
#include <ctime>
#include <exception>

#include <glog/logging.h>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include "isf/Fnv1a.h"
#include "obrisk/isf/ISFUtils.h"

namespace Obrisk::Ogl::ISF {
namespace {

namespace Keys = Proc::ISF;

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
  } else if (value.type() != typeid(ImageElement) && value.type() != typeid(PassElement)) {
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
  package->vertex =
      parser.GetVertexShader().empty() ? std::string(kDefaultVertex) : parser.GetVertexShader();
  package->fragment = parser.GetFragmentShader();
  // Programs are kept by name, so the name covers both texts.
  const std::uint64_t hash = Fnv1a(package->vertex, Fnv1a(package->fragment));
  package->shader.emplace(std::string(kProgramPrefix) + std::to_string(hash), package->vertex,
                          package->fragment, std::string(kSourcePath));
  package->uniforms = parser.GetElements();
  for (const auto& [name, element] : package->uniforms) {
    if (const auto* image = std::any_cast<ImageElement>(&element.value)) {
      package->images.emplace_back(name, image->index);
    } else if (const auto* pass = std::any_cast<PassElement>(&element.value)) {
      package->passes.emplace_back(name, *pass);
    }
  }
  std::sort(package->images.begin(), package->images.end(),
            [](const auto& a, const auto& b) { return a.second < b.second; });
  std::sort(package->passes.begin(), package->passes.end(),
            [](const auto& a, const auto& b) { return a.second.index < b.second.index; });
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

void ISFBaseEffect::RenderPass(ShaderStorage& storage, const ISFOGLCache& cache) {
  const Package& package = *state_.package;
  ShaderProgram& program = storage.MakeShader(*package.shader);
  storage.FBO().Attach(state_.work->GetFirstTexture());
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
    }
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

  // A new package, or a frame at time 0, starts the package afresh.
  bool restart = time == 0.0;
  if (state_.package != package) {
    state_ = DrawState{package, package->uniforms, {}, Frame::Create(), 0.0, 0};
    for (std::size_t i = 0; i < package->images.size(); ++i) {
      state_.inputCopies.push_back(Frame::Create());
    }
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
  const std::size_t passCount = std::max<std::size_t>(package->passes.size(), 1);
  auto& items = targets.Items();
  for (std::size_t i = 0; i < passCount; ++i) {
    SetValue(state_.uniforms, Keys::PASSINDEX, static_cast<std::int32_t>(i));
    RenderPass(storage, targets);
    if (i < items.size()) Copy(storage, *state_.work, *items[i].target);
  }
  if (passCount <= items.size()) Copy(storage, *items[passCount - 1].target, *state_.work);
  Copy(storage, *state_.work, output);
  state_.lastTime = time;
  ++state_.frameIndex;
}

}  // namespace Obrisk::Ogl::ISF
