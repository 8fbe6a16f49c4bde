#include "effects/stylise/EffectMosaic.h"

#include <algorithm>

#include "effects/stylise/StylisePasses.h"
#include "frame/ShaderSourceKeeper.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kUpScale{"EffectMosaic_UpScale", Shader::FullFrame, R"(
uniform sampler2D tex1;
uniform vec2 amount;
uniform vec2 rAmount;
varying vec2 TexCoord0;

// The centre of the tile's texel in the small frame.
void main() {
  gl_FragColor = texture2D(tex1, (floor(TexCoord0 * amount) + 0.5) * rAmount);
}
)",
                                  "Proc/Effects/Quenvara/EffectMosaic"};

// Mode 1: the source drawn into the tile frame and that drawn over the target.
void Rescale(Frame& rgba, Frame& tiles, Frame& target, ShaderStorage& storage) {
  storage.FBO().Attach(tiles.GetFirstTexture());
  rgba.Draw(storage.FrameQuad(), storage);
  glFlush();
  storage.FBO().Attach(target.GetFirstTexture());
  tiles.Draw(storage.FrameQuad(), storage);
}

// Mode 0: every tile's mean into the tile frame, then each tile filled with it.
void Average(Frame& rgba, Frame& tiles, Frame& target, ShaderStorage& storage) {
  const Proc::FrameInfo& info = rgba.GetFrameInfo();
  const float width = static_cast<float>(info.width);
  const float height = static_cast<float>(info.height);
  const float amountX = static_cast<float>(std::min(tiles.GetFrameInfo().width, info.width));
  const float amountY = static_cast<float>(std::min(tiles.GetFrameInfo().height, info.height));

  storage.FBO().Attach(tiles.GetFirstTexture());
  glClear(GL_COLOR_BUFFER_BIT);
  DrawFullFrame(storage, storage.GetShaderProgram(BuiltinProgram::kTileAverage),
                tiles.GetFirstTexture(), [&](ShaderProgram& program) {
                  program.Uniform("tex0", 0);
                  program.Uniform("amount", amountX, amountY);
                  program.Uniform("tile_av_size", width / amountX, height / amountY);
                  program.Uniform("rFrameSize", 1.0f / width, 1.0f / height);
                  rgba.GetFirstTexture().Use(0);
                });
  glFlush();
  DrawFullFrame(storage, storage.MakeShader(kUpScale), target.GetFirstTexture(),
                [&](ShaderProgram& program) {
                  program.Uniform("tex1", 1);
                  program.Uniform("amount", amountX, amountY);
                  program.Uniform("rAmount", 1.0f / amountX, 1.0f / amountY);
                  tiles.GetFirstTexture().Use(1);
                });
}

}  // namespace

const std::string_view& EffectMosaic::GetName() const {
  static constexpr std::string_view kName = "EffectMosaic";
  return kName;
}

void EffectMosaic::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                              double, ShaderStorage& storage, const Ptr<OglCache>&) {
  const Proc::SettingsEffectMosaic& settings = DrawingSettings();
  Proc::FrameInfo tileInfo = source->GetFrameInfo();
  tileInfo.width = settings.GetAmountHor(tileInfo.width);
  tileInfo.height = settings.GetAmountVer(tileInfo.height);
  Ptr<Frame> tiles =
      Frame::CreateIntermediate(target->GetColorSpace(), target->GetPixelFormat(), tileInfo);
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  if (settings.GetMode() == Proc::SettingsEffectMosaic::Mode::Rescale) {
    Rescale(*rgba, *tiles, *target, storage);
  } else {
    Average(*rgba, *tiles, *target, storage);
  }
}

}  // namespace Obrisk::Ogl
