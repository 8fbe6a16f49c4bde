#include "effects/transform/EffectTransform.h"

#include <memory>

#include "frame/ShaderSourceKeeper.h"
#include "obrisk/ogl/Mesh3d.h"

namespace Obrisk::Ogl {
namespace {

const ShaderSourceKeeper kShader{"EffectTransform", Shader::Mesh3d, R"(
uniform sampler2D tex;
varying vec2 TexCoord0;

// The picture with soft edges where it is turned: a texture axis that
// follows a screen axis (directly or swapped, as after a quarter turn) keeps
// the edge hard; otherwise the alpha fades over the last pixel inside it.
void main() {
  vec4 colour = texture2D(tex, TexCoord0);
  vec2 du = dFdx(TexCoord0);
  vec2 dv = dFdy(TexCoord0);
  float aligned = 1.0;
  if (length(du) > 0.0 && length(dv) > 0.0) {
    du = normalize(du);
    dv = normalize(dv);
    aligned = max(abs(du.x * dv.y), abs(du.y * dv.x));
  }
  // Distance to the nearest edge of the picture, in texture units.
  float d = min(min(TexCoord0.x, TexCoord0.y), min(1.0 - TexCoord0.x, 1.0 - TexCoord0.y));
  float soft = mix(fwidth(d), 0.0, smoothstep(0.999, 1.0, aligned));
  float edge = soft > 0.0 ? smoothstep(0.0, soft, d) : 1.0;
  gl_FragColor = vec4(colour.rgb, colour.a * edge);
}
)",
                                 "Proc/Effects/Quenvara/EffectTransform"};

// The unit quad in 3-D, built on first use (on the OpenGL thread, where the
// cache's GPU objects live).
class EffectTransformOglCache final : public OglCache {
 public:
  Mesh3d& Quad() {
    if (!mesh_) {
      PackedMesh3d packed;
      packed.AddPoint({-1.0f, -1.0f, 0.0f}, {0.0f, 0.0f});
      packed.AddPoint({-1.0f, 1.0f, 0.0f}, {0.0f, 1.0f});
      packed.AddPoint({1.0f, -1.0f, 0.0f}, {1.0f, 0.0f});
      packed.AddPoint({1.0f, 1.0f, 0.0f}, {1.0f, 1.0f});
      packed.AddTriangle(0, 1, 2);
      packed.AddTriangle(2, 1, 3);
      mesh_ = std::make_unique<Mesh3d>();
      mesh_->Upload(packed, GL_STATIC_DRAW);
    }
    return *mesh_;
  }

 private:
  std::unique_ptr<Mesh3d> mesh_;
};

}  // namespace

EffectTransform::EffectTransform(const Proc::Settings& initial)
    : Proc::CommonEffectTransform(true) {
  SetSettings(initial);
}

const std::string_view& EffectTransform::GetName() const {
  static constexpr std::string_view kName = s_name;
  return kName;
}

const Proc::ITransformSettings& EffectTransform::TransformOf(const Proc::Settings& settings) {
  return dynamic_cast<const Proc::ITransformSettings&>(settings);
}

void EffectTransform::SetSettings(const Proc::Settings& settings) {
  TransformOf(settings);
  std::shared_ptr<const Proc::Settings> snapshot = settings.Clone();
  // The host's object stays the same while the class does, so references to
  // it stay valid; another transform class replaces it.
  if (current_ && current_->GetClassId() == settings.GetClassId()) {
    current_->Deserialize(settings.Serialize());
  } else {
    current_ = settings.Clone();
  }
  settings_ = std::move(snapshot);
}

Ptr<OglCache> EffectTransform::CreateCache() {
  return Ptr<OglCache>(new EffectTransformOglCache());
}

void EffectTransform::UpdateFormatCodecVideo(const Ptr<Proc::IFormatCodecVideo>& format) {
  CommonEffectTransform::UpdateFormatCodecVideo(TransformOf(*settings_), *format);
}

Ptr<DataVideoOGL> EffectTransform::CreateDst(const Proc::ColorSpace& colorSpace, Proc::PixFmt,
                                             const Proc::FrameInfo& info, double progress) {
  return DataVideoOGL::Create(colorSpace, Proc::kPixFmtAlpha,
                              GetDstFrameInfo(TransformOf(*settings_), info, progress));
}

void EffectTransform::OnTransformMatrix(const Proc::Matrix4x4& matrix) {
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      matrix_[column][row] = static_cast<float>(matrix(row, column));
    }
  }
}

void EffectTransform::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source, double,
                                 double progress, ShaderStorage& storage,
                                 const Ptr<OglCache>& cache) {
  Mesh3d& quad = CacheAs<EffectTransformOglCache>(cache).Quad();
  const Proc::Settings& settings = drawing_ ? *drawing_ : *settings_;
  UpdateGPUTransform(TransformOf(settings), source->GetFrameInfo(), target->GetFrameInfo(),
                     progress);
  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);

  storage.FBO().Attach(target->GetFirstTexture());
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  // The drawn colour times (1, 1, 1, opacity) replaces the cleared background.
  EnableState blend(GL_BLEND);
  glBlendColor(1.0f, 1.0f, 1.0f, static_cast<float>(GetOpacity()));
  glBlendFunc(GL_CONSTANT_COLOR, GL_ZERO);
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex", 0);
  program.Uniform("MVP", matrix_, false);
  rgba->GetFirstTexture().Use(0);
  quad.Activate();
  quad.Draw(program);
}

}  // namespace Obrisk::Ogl
