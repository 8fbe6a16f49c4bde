#include "effects/retro/EffectRetroArtefacts.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "frame/RandomDraws.h"
#include "frame/ShaderSourceKeeper.h"
#include "obrisk/ogl/Mesh3d.h"

namespace Obrisk::Ogl {
namespace {

constexpr const char* kSourcePath = "Proc/Effects/Quenvara/EffectRetroArtefacts";

// Points and lines in their own colours, positions in clip coordinates.
const ShaderSourceKeeper kArtefactShader{"EffectRetroArtefacts", R"(
attribute vec2 vbo_xy;
attribute vec4 vbo_color;
varying vec4 Color;

void main() {
  Color = vbo_color;
  gl_Position = vec4(vbo_xy, 0.0, 1.0);
}
)",
                                         R"(
varying vec4 Color;

void main() { gl_FragColor = Color; }
)",
                                         kSourcePath};

const ShaderSourceKeeper kVignettingShader{"EffectRetroArtefacts_vignetting", Shader::FullFrame,
                                           R"(
varying vec2 TexCoord0;

// Black, more opaque towards the corners.
void main() {
  float r = length(TexCoord0 - 0.5);
  gl_FragColor = vec4(0.0, 0.0, 0.0, smoothstep(0.4, 0.75, r));
}
)",
                                           kSourcePath};

// Scratches are renewed after this many frames.
constexpr std::uint32_t kScratchLifetime = 16;
// Largest sideways speed of a scratch, in clip units per frame.
constexpr double kScratchSpeed = 0.0005;
// Largest opacities of a scratch, a dust speck and a hair.
constexpr double kScratchAlpha = 0.235;
constexpr double kDustAlpha = 0.588;
constexpr double kHairAlpha = 0.098;
// Length of each half of a hair, in clip units.
constexpr float kHairHalf = 0.05f;
// Upward jump of the shaken frame, in texture coordinates.
constexpr float kShake = 0.0025f;

// Dust glyphs: [row][glyph][column], rows 0 to 7, 1 where the speck is.
constexpr int kGlyphSide = 8;
constexpr int kGlyphCount = 6;
constexpr std::array<const char*, kGlyphSide * kGlyphCount> kGlyphRows{
    "####....", ".......#", "######..", "#.......", "........", "#.......",  //
    "...###..", ".......#", ".......#", "#.......", "........", "#.......",  //
    ".....##.", "......#.", ".......#", "#.......", "........", ".####...",  //
    "......#.", "....##..", ".......#", "#.......", "........", ".....##.",  //
    "......#.", "..##....", "........", ".###....", "........", ".......#",  //
    "...####.", ".#......", "#.......", "....##..", "##......", ".......#",  //
    "...####.", "#.......", "##......", "......##", "####....", ".......#",  //
    "....#...", "#.......", "..##....", ".......#", "######..", "......#.",  //
};

bool GlyphBit(int glyph, int row, int column) {
  return kGlyphRows[static_cast<std::size_t>(row * kGlyphCount + glyph)][column] == '#';
}

// A position from -1 to 1.
float ClipDraw() {
  return static_cast<float>(2.0 * UniformDraw() - 1.0);
}

}  // namespace

class EffectRetroArtefacts::CacheImpl final : public OglCache {
 public:
  // Brings the three meshes up to this frame for a destination of width x height.
  void Update(const Proc::SettingsEffectRetroArtefacts& settings, int width, int height) {
    Meshes& meshes = Get();
    const float intensity = settings.GetIntensity();
    UpdateScratches(meshes.scratches, Count(settings.GetScratchCount(), intensity));
    UpdateDust(meshes.dust, Count(settings.GetDustCount(), intensity), width, height);
    UpdateHairs(meshes.hairs, Count(settings.GetHairCount(), intensity));
  }

  // Draws the source through the frame quad moved up by `shake`.
  void DrawFrame(Frame& rgba, float shake, ShaderStorage& storage) {
    PackedMesh packed;
    packed.AddQuad({QuadVertex{0.0f, -shake, -1.0f, -1.0f}, QuadVertex{1.0f, -shake, 1.0f, -1.0f},
                    QuadVertex{1.0f, 1.0f - shake, 1.0f, 1.0f},
                    QuadVertex{0.0f, 1.0f - shake, -1.0f, 1.0f}});
    Quad& frame = Get().frame;
    frame.Upload(packed);
    rgba.Draw(frame, storage);
  }

  void DrawArtefacts(ShaderProgram& program) {
    Meshes& meshes = Get();
    program.Use();
    for (Mesh* mesh : {static_cast<Mesh*>(&meshes.scratches), static_cast<Mesh*>(&meshes.dust),
                       static_cast<Mesh*>(&meshes.hairs)}) {
      mesh->Activate();
      mesh->Draw(program);
    }
  }

 private:
  // GPU objects, made on the OpenGL thread at first use.
  struct Meshes {
    ColoredMesh2d scratches{GL_LINES, GL_DYNAMIC_DRAW};
    ColoredMesh2d dust{GL_POINTS, GL_DYNAMIC_DRAW};
    ColoredMesh2d hairs{GL_LINES, GL_DYNAMIC_DRAW};
    Quad frame{GL_STREAM_DRAW};
  };

  static std::uint32_t Count(std::uint32_t count, float intensity) {
    return static_cast<std::uint32_t>(count * static_cast<double>(intensity));
  }

  Meshes& Get() {
    if (!meshes_) meshes_ = std::make_unique<Meshes>();
    return *meshes_;
  }

  // Full-height lines that drift sideways, white or black, flickering.
  void UpdateScratches(ColoredMesh2d& mesh, std::uint32_t count) {
    if (count == 0) {
      // None this frame: the last ones go, and the next ones start afresh.
      mesh.Clear();
      regeneration_ = 0;
    } else if (regeneration_ == 0) {
      mesh.Clear();
      mesh.Reserve(2 * std::size_t{count});
      speeds_.clear();
      speeds_.reserve(count);
      for (std::uint32_t i = 0; i < count; ++i) {
        const float x = ClipDraw();
        speeds_.push_back(static_cast<float>((2.0 * UniformDraw() - 1.0) * kScratchSpeed));
        mesh.AddPoint({x, -1.0f}, {});
        mesh.AddPoint({x, 1.0f}, {});
      }
      regeneration_ = kScratchLifetime;
    }
    if (count != 0) {
      for (std::size_t i = 0; i < speeds_.size(); ++i) {
        const float grey = CoinDraw() ? 1.0f : 0.0f;
        const glm::vec4 color{grey, grey, grey, static_cast<float>(UniformDraw() * kScratchAlpha)};
        for (std::size_t end : {2 * i, 2 * i + 1}) {
          mesh.At(end).point.x += speeds_[i];
          mesh.At(end).color = color;
        }
      }
      --regeneration_;
    }
  }

  // Specks from the glyph table, mirrored at random, anywhere in the frame.
  static void UpdateDust(ColoredMesh2d& mesh, std::uint32_t count, int width, int height) {
    constexpr std::size_t kPointsPerSpeck = 20;
    mesh.Clear();
    mesh.Reserve(kPointsPerSpeck * count);
    for (std::uint32_t i = 0; i < count; ++i) {
      const int glyph = RawDraw() % kGlyphCount;
      const int mirror = RawDraw();
      const glm::vec4 color{1.0f, 1.0f, 1.0f, static_cast<float>(UniformDraw() * kDustAlpha)};
      const float x = ClipDraw();
      const glm::vec2 origin{x, ClipDraw()};
      for (int row = 0; row < kGlyphSide; ++row) {
        for (int column = 0; column < kGlyphSide; ++column) {
          const int glyphColumn = (mirror & 1) != 0 ? kGlyphSide - 1 - column : column;
          const int glyphRow = (mirror & 2) != 0 ? kGlyphSide - 1 - row : row;
          if (!GlyphBit(glyph, glyphRow, glyphColumn)) continue;
          mesh.AddPoint(origin + glm::vec2{static_cast<float>(column) / static_cast<float>(width),
                                           static_cast<float>(row) / static_cast<float>(height)},
                        color);
        }
      }
    }
  }

  // Short dark lines that fade in and out along their length.
  static void UpdateHairs(ColoredMesh2d& mesh, std::uint32_t count) {
    mesh.Clear();
    mesh.Reserve(4 * std::size_t{count});
    for (std::uint32_t i = 0; i < count; ++i) {
      const float x = ClipDraw();
      const float y = ClipDraw();
      const glm::vec4 dark{0.0f, 0.0f, 0.0f, static_cast<float>(UniformDraw() * kHairAlpha)};
      const glm::vec4 clear{0.0f};
      mesh.AddPoint({x, y}, clear);
      mesh.AddPoint({x, y + kHairHalf}, dark);
      mesh.AddPoint({x, y + kHairHalf}, dark);
      mesh.AddPoint({x, y + 2 * kHairHalf}, clear);
    }
  }

  std::uint32_t regeneration_ = 0;
  std::vector<float> speeds_;
  std::unique_ptr<Meshes> meshes_;
};

const std::string_view& EffectRetroArtefacts::GetName() const {
  static constexpr std::string_view kName = "EffectRetroArtefacts";
  return kName;
}

Ptr<OglCache> EffectRetroArtefacts::CreateCache() {
  return MakeRef<CacheImpl>();
}

void EffectRetroArtefacts::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& source,
                                      double, double, ShaderStorage& storage,
                                      const Ptr<OglCache>& cache) {
  CacheImpl& artefacts = CacheAs<CacheImpl>(cache);
  const Proc::SettingsEffectRetroArtefacts& settings = DrawingSettings();
  const Proc::FrameInfo& info = target->GetFrameInfo();
  artefacts.Update(settings, info.width, info.height);
  const float shake = settings.GetShake() && CoinDraw() ? kShake : 0.0f;

  Ptr<Frame> rgba = source->FrameData()->ConvertToRGBA(storage);
  storage.FBO().Attach(target->GetFirstTexture());
  artefacts.DrawFrame(*rgba, shake, storage);

  // Artefacts and vignette over the picture; alpha stays.
  EnableState blend(GL_BLEND);
  glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
  artefacts.DrawArtefacts(storage.MakeShader(kArtefactShader));
  if (settings.GetVignetting()) {
    ShaderProgram& vignetting = storage.MakeShader(kVignettingShader);
    vignetting.Use();
    storage.Quad().Activate();
    storage.Quad().Draw(vignetting);
  }
}

}  // namespace Obrisk::Ogl
