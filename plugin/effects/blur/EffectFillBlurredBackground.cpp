#include "effects/blur/EffectFillBlurredBackground.h"

#include "effects/blur/BlurPasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

constexpr GaussianUniformNames kUniforms{"kernelSize", "sigma", "normalization", "direction",
                                         "texelsPerTap"};

const ShaderSourceKeeper kShader{"EffectFillBackground_Blur", Shader::FullFrame,
                                 [] { return GaussianPassFragment(kUniforms); },
                                 "Proc/Effects/Quenvara/EffectFillBlurredBackground"};

// Taps one texel apart; the kernel size is both the tap count and the deviation.
GaussianTaps BackgroundTaps(std::int32_t kernelSize) {
  GaussianTaps taps;
  taps.taps = kernelSize;
  const auto squared = static_cast<std::uint32_t>(kernelSize * kernelSize);
  taps.coefficient = -0.5f / static_cast<float>(squared);
  taps.norm = GaussianNorm(taps);
  return taps;
}

// A quad over the whole target showing the rectangle (left, top)-(right,
// bottom) of the texture.
PackedMesh StretchQuad(const std::array<double, 4>& rect) {
  const auto [left, top, right, bottom] = rect;
  const auto u0 = static_cast<float>(left);
  const auto v0 = static_cast<float>(top);
  const auto u1 = static_cast<float>(right);
  const auto v1 = static_cast<float>(bottom);
  PackedMesh mesh;
  mesh.ReserveQuad(1);
  mesh.AddQuad({{{u0, v0, -1.0f, -1.0f},
                 {u1, v0, 1.0f, -1.0f},
                 {u1, v1, 1.0f, 1.0f},
                 {u0, v1, -1.0f, 1.0f}}});
  return mesh;
}

}  // namespace

const std::string_view& EffectFillBlurredBackground::GetName() const {
  static constexpr std::string_view kName = "EffectFillBlurredBackground";
  return kName;
}

void EffectFillBlurredBackground::ProcessGpu(const Ptr<Frame>& target,
                                             const Ptr<DataVideoOGL>& source, double, double,
                                             ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectFillBlurredBackground& settings = DrawingSettings();
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  Ptr<Frame> stretched = rgba->AllocateIntermediate();
  Ptr<Frame> across = rgba->AllocateIntermediate();
  Ptr<Frame> background = rgba->AllocateIntermediate();

  Quad stretch(StretchQuad(settings.GetRect()), GL_STREAM_DRAW);
  storage.FBO().Attach(stretched->GetFirstTexture());
  rgba->Draw(stretch, storage);

  const GaussianTaps taps = BackgroundTaps(settings.GetKernelSize());
  ShaderProgram& blur = storage.MakeShader(kShader);
  const Proc::FrameInfo& info = rgba->GetFrameInfo();
  DrawGaussianPass(storage, blur, kUniforms, taps, {1.0f / static_cast<float>(info.width), 0.0f},
                   stretched->GetFirstTexture(), across->GetFirstTexture());
  DrawGaussianPass(storage, blur, kUniforms, taps, {0.0f, 1.0f / static_cast<float>(info.height)},
                   across->GetFirstTexture(), background->GetFirstTexture());

  DrawPass(storage, target->GetFirstTexture(), storage.Quad(),
           storage.GetShaderProgram(BuiltinProgram::kOverlay), [&](ShaderProgram& program) {
             program.Uniform("scaleoffset", 1.0f, 1.0f, 0.0f, 0.0f);
             program.Uniform("texDst", 0);
             program.Uniform("texSrc", 1);
             program.Uniform("extAlpha", 1.0f);
             background->GetFirstTexture().Use(0);
             rgba->GetFirstTexture().Use(1);
           });
}

}  // namespace Obrisk::Ogl
