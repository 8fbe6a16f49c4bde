#include "transitions/TransitionWaterbrush.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

#include <glm/mat2x2.hpp>

#include "frame/ShaderSourceKeeper.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::SettingsTransitionWaterbrush;

const ShaderSourceKeeper kShader{"TransitionWaterbrush", Shader::FullFrame, R"(
uniform sampler2D tex1;
uniform sampler2D tex2;
uniform sampler2D rectex;  // one column per stroke, five rows of its values
uniform mat2 rot_mat;
uniform float rectex_offset;
uniform float local_step;
uniform float arc_factor;
uniform float t;
uniform float t_fade;
varying vec2 TexCoord0;

float stroke(float j, float row) { return texture2D(rectex, vec2(j, row)).r; }

void main() {
  // Stroke coordinates: x across the strokes, y along them, in stroke widths.
  vec2 c = rot_mat * TexCoord0;
  float j = (c.x + rectex_offset) * local_step;
  // Strokes bow a little between their ends.
  j += arc_factor * (stroke(j, 0.3) - c.y) * (c.y - stroke(j, 0.1));
  float begin = stroke(j, 0.1);
  float end = stroke(j, 0.3);
  float start = stroke(j, 0.5);
  float slope = stroke(j, 0.7);
  float opacity = stroke(j, 0.9);
  // Painted where the stroke lies and its paint has got to; everything
  // fades to the second picture at the end.
  bool painted = c.y >= begin && c.y <= end && t > start + slope * c.y;
  float weight = painted ? opacity * (1.0 - t_fade) + t_fade : t_fade;
  gl_FragColor = obrisk_mixRGBA_(texture2D(tex1, TexCoord0), texture2D(tex2, TexCoord0), weight);
}
)",
                                 "Proc/Effects/Quenvara/TransitionWaterbrush"};

// The integer hash noise (constants 15731, 789221, 1376312589): a value in
// [0, 1) for each whole number, the same on every run.
double HashNoise(std::uint32_t n) {
  n = (n << 13) ^ n;
  const std::uint32_t h = (n * (n * n * 15731u + 789221u) + 1376312589u) & 0x7fffffffu;
  constexpr double kRange = 2147483648.0;
  return h / kRange;
}

// The strokes' time per stroke width along them: quick strokes from their
// near end, long ones from their far end.
constexpr double kQuickSlope = 0.01;
constexpr double kLongSlope = -0.15;
// Long strokes run over this part of the progress, from this offset.
constexpr double kLongSpan = 0.825;
constexpr double kLongStart = 0.05;
// The last tenth of the progress fades what is left to the second picture.
constexpr double kPaintEnd = 0.9;
// Roughness takes up to this share of a stroke's length off each end, and
// up to this share of its opacity.
constexpr double kRaggedEnds = 0.3;
constexpr double kUnevenPaint = 0.5;
// The rows of the stroke texture.
enum StrokeRow { kBegin, kEnd, kStart, kSlope, kOpacity, kRowCount };
constexpr double kPercent = 0.01;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

}  // namespace

// The strokes laid out for one frame size, angle, width and roughness.
class TransitionWaterbrush::CacheImpl final : public OglCache {
 public:
  struct Layout {
    int width = 0;
    int height = 0;
    double angle = 0;
    double size = 0;
    double slope = 0;
    double rough = 0;
    bool operator==(const Layout&) const = default;
  };

  // Rebuilds the strokes when the layout differs from the one they were made for.
  void Prepare(const Layout& layout) {
    if (rectex_ && layout == layout_) return;
    layout_ = layout;
    Build();
  }

  int StrokeCount() const { return strokeCount_; }
  float Offset() const { return offset_; }
  double TotalTime() const { return totalTime_; }
  const glm::mat2& Rotation() const { return rotation_; }
  const Texture& Strokes() const { return *rectex_; }

 private:
  void Build() {
    // Picture coordinates in stroke widths, turned by the angle.
    const double shorter = std::min(layout_.width, layout_.height);
    const double strokeWidth = std::max(layout_.size * kPercent * shorter, 1.0);
    const double a = layout_.angle;
    const double sx = layout_.width / strokeWidth;
    const double sy = layout_.height / strokeWidth;
    // Columns are (x, y) images of the unit vectors: across, then along.
    rotation_ =
        glm::mat2(static_cast<float>(std::cos(a) * sx), static_cast<float>(std::sin(a) * sx),
                  static_cast<float>(-std::sin(a) * sy), static_cast<float>(std::cos(a) * sy));
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const glm::vec2 corner :
         {glm::vec2(0, 0), glm::vec2(1, 0), glm::vec2(0, 1), glm::vec2(1, 1)}) {
      const glm::vec2 c = rotation_ * corner;
      minX = std::min<double>(minX, c.x);
      maxX = std::max<double>(maxX, c.x);
      minY = std::min<double>(minY, c.y);
      maxY = std::max<double>(maxY, c.y);
    }
    offset_ = static_cast<float>(-minX);
    strokeCount_ = static_cast<int>(std::ceil(maxX - minX)) + 1;
    const double length = maxY - minY;
    std::vector<float> rows(static_cast<std::size_t>(strokeCount_) * kRowCount);
    const auto set = [&](StrokeRow row, int i, double value) {
      rows[static_cast<std::size_t>(row) * strokeCount_ + i] = static_cast<float>(value);
    };
    totalTime_ = 0.0;
    for (int i = 0; i < strokeCount_; ++i) {
      const auto noise = [&](std::uint32_t k) {
        return HashNoise(std::uint32_t(i) * kRowCount + k);
      };
      const double begin = minY + layout_.rough * kRaggedEnds * length * noise(0);
      const double end = maxY - layout_.rough * kRaggedEnds * length * noise(1);
      const double start = noise(2);
      // The paint sets out from the stroke's near end, or from its far end
      // when the slope is negative.
      const double origin = layout_.slope > 0 ? begin : end;
      set(kBegin, i, begin);
      set(kEnd, i, end);
      set(kStart, i, start - layout_.slope * origin);
      set(kSlope, i, layout_.slope);
      set(kOpacity, i, 1.0 - layout_.rough * kUnevenPaint * noise(3));
      totalTime_ = std::max(totalTime_, start + std::fabs(layout_.slope) * (end - begin));
    }
    Texture::Params params;
    params.width = strokeCount_;
    params.height = kRowCount;
    params.internalFormat = GL_R32F;
    params.format = GL_RED;
    params.type = GL_FLOAT;
    params.filter = GL_NEAREST;
    rectex_ = std::make_unique<Texture>(params, rows.data());
  }

  Layout layout_;
  int strokeCount_ = 0;
  float offset_ = 0.0f;
  double totalTime_ = 0.0;
  glm::mat2 rotation_{1.0f};
  std::unique_ptr<Texture> rectex_;
};

const std::string_view& TransitionWaterbrush::GetName() const {
  static constexpr std::string_view kName = "TransitionWaterbrush";
  return kName;
}

Ptr<OglCache> TransitionWaterbrush::CreateCache() {
  return MakeRef<CacheImpl>();
}

void TransitionWaterbrush::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                      const Ptr<DataVideoOGL>& second, double, double progress,
                                      ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const auto& settings = DrawingSettings();
  auto& strokes = CacheAs<CacheImpl>(cache);
  TransitionFrames frames = ConvertInputs(*first, *second, storage);
  const bool quick = settings.GetType() != SettingsTransitionWaterbrush::kLongStrokes;
  const Proc::FrameInfo& info = frames.first->GetFrameInfo();
  strokes.Prepare({info.width, info.height, settings.GetAngle() * kRadiansPerDegree,
                   static_cast<double>(settings.GetSize()), quick ? kQuickSlope : kLongSlope,
                   settings.GetRough() * kPercent});
  const double q = quick ? progress : kLongSpan * progress + kLongStart;
  ShaderProgram& program = storage.MakeShader(kShader);
  program.Use();
  program.Uniform("tex1", 0);
  program.Uniform("tex2", 1);
  program.Uniform("rectex", 2);
  program.Uniform("rot_mat", strokes.Rotation(), false);
  program.Uniform("rectex_offset", strokes.Offset());
  program.Uniform("local_step", 1.0 / strokes.StrokeCount());
  program.Uniform("arc_factor", 0.5 / (3.0 * info.width));
  program.Uniform("t", std::min(q / kPaintEnd, 1.0) * strokes.TotalTime());
  program.Uniform("t_fade", q > kPaintEnd ? (q - kPaintEnd) / (1.0 - kPaintEnd) : 0.0);
  strokes.Strokes().Use(2);
  DrawFullScreen(storage, program, *target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
