#include "effects/key/EffectColorBlender.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "effects/key/KeyPasses.h"
#include "frame/EffectWrapper.h"
#include "obrisk/host/Exception.h"
#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {
namespace {

using Proc::SettingsEffectColorBlender;
using Mode = SettingsEffectColorBlender::BlendMode;

// Which shared function texts a blend function needs.
enum BlendOpt : unsigned {
  kSeparable = 1,   // per channel: blend(d, s) applies blendChannel to each
  kLuminosity = 2,  // Lum, ClipColor, SetLum
  kSaturation = 4   // Sat, SetSat
};

// The blend functions: per channel (d the background, s the layer) for the
// separable modes, on whole colours for the others. Divisions by a zero
// channel take the limit the formula tends to, so no mode gives NaN.
struct ModeText {
  Mode mode;
  unsigned options;
  const char* function;
};

constexpr std::array<ModeText, SettingsEffectColorBlender::kModeCount> kModes{{
    {Mode::kNormal, kSeparable, "float blendChannel(float d, float s) { return s; }"},
    {Mode::kDarken, kSeparable, "float blendChannel(float d, float s) { return min(s, d); }"},
    {Mode::kMultiply, kSeparable, "float blendChannel(float d, float s) { return s * d; }"},
    {Mode::kColorBurn, kSeparable, R"(float blendChannel(float d, float s) {
  if (s < 1e-3) return 1.0 - d < 1e-3 ? 1.0 : 0.0;
  return 1.0 - clamp((1.0 - d) / s, 0.0, 1.0);
})"},
    {Mode::kLinearBurn, kSeparable, "float blendChannel(float d, float s) { return s + d - 1.0; }"},
    {Mode::kDarkerColor, kLuminosity,
     "vec3 blend(vec3 d, vec3 s) { return Lum(d) < Lum(s) ? d : s; }"},
    {Mode::kLighten, kSeparable, "float blendChannel(float d, float s) { return max(s, d); }"},
    {Mode::kScreen, kSeparable, "float blendChannel(float d, float s) { return s + d - s * d; }"},
    {Mode::kColorDodge, kSeparable, R"(float blendChannel(float d, float s) {
  if (d <= 0.0) return 0.0;
  if (s >= 1.0) return 1.0;
  return clamp(d / (1.0 - s), 0.0, 1.0);
})"},
    {Mode::kLinearDodge, kSeparable, "float blendChannel(float d, float s) { return s + d; }"},
    {Mode::kLighterColor, kLuminosity,
     "vec3 blend(vec3 d, vec3 s) { return Lum(d) > Lum(s) ? d : s; }"},
    {Mode::kOverlay, kSeparable, R"(float blendChannel(float d, float s) {
  return 2.0 * d <= 1.0 ? 2.0 * s * d : 1.0 - 2.0 * (1.0 - d) * (1.0 - s);
})"},
    {Mode::kSoftLight, kSeparable, R"(float blendChannel(float d, float s) {
  if (2.0 * s <= 1.0) return d - (1.0 - 2.0 * s) * d * (1.0 - d);
  if (4.0 * d <= 1.0) return d + (2.0 * s - 1.0) * (4.0 * d * (4.0 * d + 1.0) * (d - 1.0) + 7.0 * d);
  return d + (2.0 * s - 1.0) * (sqrt(d) - d);
})"},
    {Mode::kHardLight, kSeparable, R"(float blendChannel(float d, float s) {
  return 2.0 * s <= 1.0 ? 2.0 * s * d : 1.0 - 2.0 * (1.0 - d) * (1.0 - s);
})"},
    {Mode::kVividLight, kSeparable, R"(float blendChannel(float d, float s) {
  if (2.0 * s <= 1.0) {
    if (s <= 0.0) return d >= 1.0 ? 1.0 : 0.0;
    return 1.0 - clamp(0.5 * (1.0 - d) / s, 0.0, 1.0);
  }
  if (s >= 1.0) return d > 0.0 ? 1.0 : 0.0;
  return clamp(0.5 * d / (1.0 - s), 0.0, 1.0);
})"},
    {Mode::kLinearLight, kSeparable,
     "float blendChannel(float d, float s) { return 2.0 * s + d - 1.0; }"},
    {Mode::kPinLight, kSeparable, R"(float blendChannel(float d, float s) {
  return 2.0 * s <= 1.0 ? min(2.0 * s, d) : max(2.0 * s - 1.0, d);
})"},
    {Mode::kHardMix, kSeparable,
     "float blendChannel(float d, float s) { return s + d <= 1.0 ? 0.0 : 1.0; }"},
    {Mode::kDifference, kSeparable, "float blendChannel(float d, float s) { return abs(d - s); }"},
    {Mode::kExclusion, kSeparable,
     "float blendChannel(float d, float s) { return s + d - 2.0 * s * d; }"},
    {Mode::kSubtract, kSeparable, "float blendChannel(float d, float s) { return d - s; }"},
    {Mode::kDivide, kSeparable, R"(float blendChannel(float d, float s) {
  if (s <= 0.0) return d > 0.0 ? 1.0 : 0.0;
  return min(d / s, 1.0);
})"},
    {Mode::kHue, kLuminosity | kSaturation,
     "vec3 blend(vec3 d, vec3 s) { return SetLum(SetSat(s, Sat(d)), Lum(d)); }"},
    {Mode::kSaturation, kLuminosity | kSaturation,
     "vec3 blend(vec3 d, vec3 s) { return SetLum(SetSat(d, Sat(s)), Lum(d)); }"},
    {Mode::kColor, kLuminosity, "vec3 blend(vec3 d, vec3 s) { return SetLum(s, Lum(d)); }"},
    {Mode::kLuminosity, kLuminosity, "vec3 blend(vec3 d, vec3 s) { return SetLum(d, Lum(s)); }"},
}};

// The non-separable helpers of the PDF blend modes (ISO 32000-1, 11.3.5.3).
constexpr const char* kLuminosityText = R"(
float Lum(vec3 c) { return dot(c, vec3(0.3, 0.59, 0.11)); }

// Brings a colour back into [0, 1] keeping its luminosity.
vec3 ClipColor(vec3 c) {
  float l = Lum(c);
  float n = min(c.r, min(c.g, c.b));
  float x = max(c.r, max(c.g, c.b));
  if (n < 0.0) c = l + (c - l) * l / max(l - n, 1e-6);
  if (x > 1.0) c = l + (c - l) * (1.0 - l) / max(x - l, 1e-6);
  return c;
}

vec3 SetLum(vec3 c, float l) { return ClipColor(c + (l - Lum(c))); }
)";

constexpr const char* kSaturationText = R"(
float Sat(vec3 c) { return max(c.r, max(c.g, c.b)) - min(c.r, min(c.g, c.b)); }

// The colour with its largest component at s, its smallest at 0 and the
// middle one in proportion; grey stays black.
vec3 SetSat(vec3 c, float s) {
  float n = min(c.r, min(c.g, c.b));
  float range = Sat(c);
  return range > 0.0 ? (c - n) * s / range : vec3(0.0);
}
)";

constexpr const char* kSeparableText = R"(
vec3 blend(vec3 d, vec3 s) {
  return vec3(blendChannel(d.r, s.r), blendChannel(d.g, s.g), blendChannel(d.b, s.b));
}
)";

// The layer s over the background d (straight alpha): the blend where both
// are present, each alone where the other is transparent (the PDF's
// compositing formula on premultiplied colours), mixed with the background
// by the intensity. A result without coverage is transparent black.
constexpr const char* kCompositeText = R"(
vec4 composite(vec4 d, vec4 s) {
  vec3 b = clamp(blend(d.rgb, s.rgb), 0.0, 1.0);
  d.rgb *= d.a;
  s.rgb *= s.a;
  vec4 over = vec4(b * s.a * d.a + s.rgb * (1.0 - d.a) + d.rgb * (1.0 - s.a),
                   s.a + d.a - s.a * d.a);
  vec4 res = mix(d, over, intensity);
  return res.a > 0.0 ? vec4(res.rgb / res.a, res.a) : vec4(0.0);
}
)";

// Layer texels: TexCoord0 runs over the overlap, layerRect maps it into the
// layer's part of it.
constexpr const char* kOneInputHeader = R"(
uniform vec4 color0;
uniform sampler2D tex1;
uniform float intensity;
uniform vec4 layerRect;
varying vec2 TexCoord0;
)";

constexpr const char* kOneInputMain = R"(
void main() {
  gl_FragColor = composite(color0, texture2D(tex1, TexCoord0 * layerRect.xy + layerRect.zw));
}
)";

constexpr const char* kTwoInputHeader = R"(
uniform vec4 scaleOffset;
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform float intensity;
uniform vec4 layerRect;
varying vec2 TexCoord0;
)";

constexpr const char* kTwoInputMain = R"(
void main() {
  vec4 d = texture2D(tex0, TexCoord0 * scaleOffset.xy + scaleOffset.zw);
  gl_FragColor = composite(d, texture2D(tex1, TexCoord0 * layerRect.xy + layerRect.zw));
}
)";

std::string BlendSource(const ModeText& mode, const char* header, const char* mainText) {
  std::string source = header;
  if (mode.options & kLuminosity) source += kLuminosityText;
  if (mode.options & kSaturation) source += kSaturationText;
  source += mode.function;
  source += "\n";
  if (mode.options & kSeparable) source += kSeparableText;
  return source + kCompositeText + mainText;
}

using BlendSources = ShaderSources<Shader::Id, ShaderSourceFunction>;

// A mode's two programs: the layer over a colour and over an image. Each
// mode's programs have names of their own, as the storage keeps programs by
// name.
struct BlendShader {
  Mode mode;
  BlendSources oneInput;
  BlendSources twoInput;
};

BlendShader MakeBlendShader(const ModeText& mode) {
  const auto source = [mode](const char* header, const char* mainText) {
    return ShaderSourceFunction([=] { return BlendSource(mode, header, mainText); });
  };
  constexpr const char* kPath = "Proc/Effects/Quenvara/EffectColorBlender";
  return {mode.mode,
          BlendSources(fmt::format("OneInputBlendPS_{}", static_cast<int>(mode.mode)),
                       Shader::FullFrame, source(kOneInputHeader, kOneInputMain), kPath),
          BlendSources(fmt::format("TwoInputBlendPS_{}", static_cast<int>(mode.mode)),
                       Shader::FullFrame, source(kTwoInputHeader, kTwoInputMain), kPath)};
}

// The program of `mode`, over an image or a colour.
const BlendSources& GetShader(std::int32_t mode, bool image, bool colour) {
  static const std::vector<BlendShader> kShaders = [] {
    std::vector<BlendShader> shaders;
    for (const ModeText& mode : kModes) shaders.push_back(MakeBlendShader(mode));
    return shaders;
  }();
  const auto found = std::find_if(kShaders.begin(), kShaders.end(),
                                  [&](const BlendShader& s) { return s.mode == mode; });
  if (found == kShaders.end() || (!image && !colour)) {
    BOOST_THROW_EXCEPTION(std::invalid_argument("Blending shader not found"));
  }
  return image ? found->twoInput : found->oneInput;
}

// What a task needs of the settings.
struct BlendValues {
  std::int32_t offsetX = 0;
  std::int32_t offsetY = 0;
  float intensity = 1.0f;
  std::int32_t mode = 0;
  ColorF colour;
  bool hasColour = false;
};

template <class S>
BlendValues ValuesOf(const S& settings) {
  return {settings.GetOffsetX(),
          settings.GetOffsetY(),
          settings.GetIntensity(),
          static_cast<std::int32_t>(settings.GetBlendMode()),
          ToColorF(settings.GetBackgroundColor()),
          settings.HasBackgroundColor()};
}

class ColorBlenderTask final : public IOglTask {
 public:
  ColorBlenderTask(Ptr<DataVideoOGL> layer, Ptr<DataVideoOGL> background, const BlendValues& values)
      : IOglTask(1, "ColorBlenderTask"),
        layer_(std::move(layer)),
        background_(std::move(background)),
        values_(values) {}

  void Execute(ShaderStorage& storage) override {
    Ptr<Frame> layer = layer_->FrameData()->ConvertToRGBA(storage);
    Ptr<Frame> background =
        background_ ? background_->FrameData()->ConvertToRGBA(storage) : Ptr<Frame>();
    layer_.reset();
    background_.reset();
    Frame& target = *GetFrame();
    storage.FBO().Attach(target.GetFirstTexture());
    const BlendOverlap overlap = ComputeBlendOverlap(values_.offsetX, values_.offsetY,
                                                     target.GetFrameInfo(), layer->GetFrameInfo());
    // Where the layer does not reach, the output is the background.
    if (!overlap.CoversOutput()) DrawBackground(background.get(), storage);
    if (overlap.Empty()) return;
    DrawLayer(target, *layer, background.get(), overlap, storage);
  }

 private:
  void DrawBackground(Frame* background, ShaderStorage& storage) const {
    if (background != nullptr) {
      background->Draw(storage.Quad(), storage);
      return;
    }
    glClearColor(values_.colour.r, values_.colour.g, values_.colour.b, values_.colour.a);
    glClear(GL_COLOR_BUFFER_BIT);
  }

  void DrawLayer(Frame& target, Frame& layer, Frame* background, const BlendOverlap& o,
                 ShaderStorage& storage) const {
    ShaderProgram& program =
        storage.MakeShader(GetShader(values_.mode, background != nullptr, values_.hasColour));
    const auto ratio = [](std::int64_t a, std::int64_t b) {
      return static_cast<float>(a) / static_cast<float>(b);
    };
    program.Use();
    program.Uniform("tex1", 1);
    program.Uniform("intensity", values_.intensity);
    program.Uniform("layerRect", ratio(o.width, o.layerWidth), ratio(o.height, o.layerHeight),
                    ratio(o.px, o.layerWidth), ratio(o.py, o.layerHeight));
    if (background != nullptr) {
      program.Uniform("tex0", 0);
      program.Uniform("scaleOffset", ratio(o.width, o.outputWidth), ratio(o.height, o.outputHeight),
                      ratio(o.ox, o.outputWidth), ratio(o.oy, o.outputHeight));
      background->GetFirstTexture().Use(0);
      glBindSampler(0, storage.NearestSampler());
    } else {
      program.Uniform("color0", values_.colour);
    }
    layer.GetFirstTexture().Use(1);
    glBindSampler(1, storage.NearestSampler());
    const Proc::FrameInfo& info = target.GetFrameInfo();
    glViewport(static_cast<GLint>(o.ox / info.pixelAspectNum),
               static_cast<GLint>(o.oy / info.pixelAspectDen),
               static_cast<GLsizei>(o.width / info.pixelAspectNum),
               static_cast<GLsizei>(o.height / info.pixelAspectDen));
    storage.Quad().Activate();
    storage.Quad().Draw(program);
    glBindSampler(0, 0);
    glBindSampler(1, 0);
  }

  Ptr<DataVideoOGL> layer_;
  Ptr<DataVideoOGL> background_;
  BlendValues values_;
};

constexpr std::uint8_t kTraits = 7;

}  // namespace

BlendOverlap ComputeBlendOverlap(std::int32_t x, std::int32_t y, const Proc::FrameInfo& output,
                                 const Proc::FrameInfo& layer) {
  const std::int64_t kx = output.pixelAspectNum;
  const std::int64_t ky = output.pixelAspectDen;
  const std::int64_t lx = layer.pixelAspectNum;
  const std::int64_t ly = layer.pixelAspectDen;
  BlendOverlap o;
  o.ox = std::max<std::int64_t>(x * kx, 0);
  o.oy = std::max<std::int64_t>(y * ky, 0);
  o.px = std::max<std::int64_t>(-x * lx, 0);
  o.py = std::max<std::int64_t>(-y * ly, 0);
  o.outputWidth = kx * output.width;
  o.outputHeight = ky * output.height;
  o.layerWidth = lx * layer.width;
  o.layerHeight = ly * layer.height;
  o.width = std::min(std::max<std::int64_t>(o.outputWidth - o.ox, 0),
                     std::max<std::int64_t>(o.layerWidth - o.px, 0));
  o.height = std::min(std::max<std::int64_t>(o.outputHeight - o.oy, 0),
                      std::max<std::int64_t>(o.layerHeight - o.py, 0));
  return o;
}

EffectColorBlender::EffectColorBlender(const Ptr<Proc::IEffectFactory>& factory) {
  Ptr<Proc::IEffect> uploader;
  if (factory && factory->CreateEffect(uploader, Proc::SettingsFrameUploader::CLASS_ID,
                                       Proc::ImplNames::OGL, nullptr)) {
    uploader_ = dynamic_cast<Proc::IOneInputEffectVideo*>(uploader.get());
  }
  DrainQueuedTasksOnUnload();
}

void EffectColorBlender::SetSettingsObject(const Proc::Settings& settings) {
  if (settings.GetClassId() == GetSettingsObject().GetClassId() &&
      settings.IsEqualTo(GetSettingsObject())) {
    return;
  }
  if (settings.GetClassId() == SettingsEffectColorBlender::CLASS_ID) {
    colorSettings_ = dynamic_cast<const SettingsEffectColorBlender&>(settings);
    image_ = false;
  } else if (settings.GetClassId() == Proc::SettingsEffectImageBlender::CLASS_ID) {
    imageSettings_ = dynamic_cast<const Proc::SettingsEffectImageBlender&>(settings);
    image_ = true;
  } else {
    BOOST_THROW_EXCEPTION(std::invalid_argument("Invalid settings"));
  }
}

const Proc::Settings& EffectColorBlender::GetSettingsObject() const {
  if (image_) return imageSettings_;
  return colorSettings_;
}

std::uint8_t EffectColorBlender::GetTraits() const {
  return kTraits;
}

Property EffectColorBlender::GetStatistic() const {
  return counters_.Make("Obrisk::Ogl::EffectColorBlender::GetStatistic", kEffectType,
                        Proc::ImplNames::OGL);
}

void EffectColorBlender::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  format->SetPixelFormat(Proc::kPixFmtAlpha);
  format->SetAlphaFlag(true);
}

void EffectColorBlender::Process(Ptr<Proc::IData>& first, const Ptr<Proc::IData>& second) {
  first = ProcessData(std::vector<Ptr<Proc::IData>>{first, second});
}

Ptr<Proc::IData> EffectColorBlender::ProcessData(const std::vector<Ptr<Proc::IData>>& frames) {
  if (frames.empty()) BOOST_THROW_EXCEPTION(std::logic_error("invalid data count"));
  const auto start = Proc::ProcessingCounters::Clock::now();
  Ptr<Proc::IData> output = Blend(frames);
  counters_.CountFrame(start);
  return output;
}

Ptr<Proc::IData> EffectColorBlender::Blend(const std::vector<Ptr<Proc::IData>>& frames) {
  const BlendValues values = image_ ? ValuesOf(imageSettings_) : ValuesOf(colorSettings_);
  if (values.intensity == 0.0f || (frames.size() == 1 && !values.hasColour)) {
    return frames.front();
  }
  std::vector<Ptr<DataVideoOGL>> inputs;
  for (Ptr<Proc::IData> frame : frames) {
    if (dynamic_cast<Proc::IDataVideo*>(frame.get()) == nullptr) {
      BOOST_THROW_EXCEPTION(std::invalid_argument("Data is not video"));
    }
    if (uploader_) uploader_->ProcessData(frame);
    auto* gpu = dynamic_cast<DataVideoOGL*>(frame.get());
    if (gpu == nullptr) {
      OBRISK_THROW(EffectException,
                   "The input is not GPU video data and no frame uploader is available");
    }
    inputs.emplace_back(gpu);
  }
  const auto blend = [&](const Ptr<DataVideoOGL>& layer, const Ptr<DataVideoOGL>& background) {
    // The composite takes the background's canvas; over a colour, the layer's.
    const DataVideoOGL& canvas = background ? *background : *layer;
    Ptr<DataVideoOGL> output =
        DataVideoOGL::Create(layer->GetColorSpace(), Proc::kPixFmtAlpha, canvas.GetFrameInfo());
    output->SetStartTime(layer->GetStartTime());
    output->SetDuration(layer->GetDuration());
    if (background) output->AddDependency(background);
    output->AddDependency(layer);
    output->AttachTask(MakeRef<ColorBlenderTask>(layer, background, values));
    return output;
  };
  if (inputs.size() == 1) return blend(inputs.front(), Ptr<DataVideoOGL>());
  Ptr<DataVideoOGL> result = inputs.front();
  for (std::size_t i = 1; i < inputs.size(); ++i) {
    if (!(inputs[i]->GetColorSpace() == result->GetColorSpace())) {
      OBRISK_THROW(EffectException, "Both frames must have the same color space to operate");
    }
    result = blend(inputs[i], result);
  }
  return result;
}

}  // namespace Obrisk::Ogl
