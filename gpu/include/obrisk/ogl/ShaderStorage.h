// The OpenGL thread's programs, framebuffer and full-frame meshes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>

#include "obrisk/ogl/Mesh.h"
#include "obrisk/ogl/ShaderProgram.h"
#include "obrisk/ogl/ShaderSources.h"
#include "obrisk/ogl/Surface.h"

namespace Obrisk::Ogl {

// Built-in programs fetched by number.
using ShaderProgramId = int;
namespace BuiltinProgram {
constexpr ShaderProgramId kCopyScaled = 258;  // copy of `tex`
constexpr ShaderProgramId kOverlay = 261;     // `texSrc` over `texDst`: `scaleoffset`, `extAlpha`
constexpr ShaderProgramId kMix = 262;         // mix of `tex0` and `tex1` by `extAlpha`
constexpr ShaderProgramId kCopy = 263;        // copy of `tex`
// Tile averages of `tex0` drawn into a frame of `amount` texels: each texel is
// the mean of the source texels whose centres lie in its tile of
// `tile_av_size` source texels (`rFrameSize` = 1 / source size).
constexpr ShaderProgramId kTileAverage = 264;
}  // namespace BuiltinProgram

// The GLSL functions (obrisk_*) that every fragment source may call; exposed
// for tests and tools.
const std::string& ShaderLibrarySource();

class ShaderStorage {
 public:
  ShaderStorage();
  ~ShaderStorage();
  ShaderStorage(const ShaderStorage&) = delete;
  ShaderStorage& operator=(const ShaderStorage&) = delete;

  // At most this many programs are kept, and as many failures; past that the
  // least recently used program (oldest failure) is dropped and built again
  // when next asked for.
  static constexpr std::size_t kDefaultProgramLimit = 256;

  // The program for these sources, built on first use and kept by the
  // sources' name afterwards. Throws ShaderException when it does not build;
  // the failure is remembered and raised again without a new build. The
  // reference stays valid until the storage builds another program.
  template <class V, class F>
  ShaderProgram& MakeShader(const ShaderSources<V, F>& sources) {
    if (ShaderProgram* program = Find(sources.Name())) return *program;
    return Build(sources.Name(), VertexText(sources.Vertex()), FragmentText(sources.Fragment()));
  }

  // A built-in program; throws OglException for an unknown id.
  ShaderProgram& GetShaderProgram(ShaderProgramId id);
  Surface& FBO() { return fbo_; }
  // The full-frame quad that effects draw.
  Ogl::Quad& Quad() { return quad_; }
  // The full-frame quad that frames are drawn through (Frame::Draw).
  Ogl::Quad& FrameQuad() { return quad_; }
  std::size_t ProgramCount() const { return programs_.size(); }
  std::size_t FailureCount() const { return failures_.size(); }
  void SetProgramLimit(std::size_t limit);
  // A sampler object with nearest filtering: bound to a unit, it reads texels
  // exactly whatever the texture's own filter (cheaper on software renderers).
  GLuint NearestSampler();

  static std::string VertexText(Shader::Id id);
  static std::string VertexText(std::string_view text) { return std::string(text); }
  static std::string VertexText(const ShaderSourceFunction& build) { return build(); }
  static std::string FragmentText(std::string_view text) { return std::string(text); }
  static std::string FragmentText(const ShaderSourceFunction& build) { return build(); }

 private:
  ShaderProgram* Find(const std::string& name);
  ShaderProgram& Build(const std::string& name, const std::string& vertex,
                       const std::string& fragment);

  struct Kept {
    std::unique_ptr<ShaderProgram> program;
    std::uint64_t lastUse = 0;
  };
  struct Failure {
    std::exception_ptr error;
    std::uint64_t when = 0;
  };
  // Drops the least recently used entries of `map` until at most `keep` remain.
  template <class Map, class Age>
  static void Trim(Map& map, std::size_t keep, Age age);

  std::map<std::string, Kept, std::less<>> programs_;
  std::map<std::string, Failure, std::less<>> failures_;
  std::uint64_t clock_ = 0;
  std::size_t programLimit_ = kDefaultProgramLimit;
  std::map<ShaderProgramId, std::unique_ptr<ShaderProgram>> builtins_;
  Surface fbo_;
  Ogl::Quad quad_;
  GLuint nearestSampler_ = 0;
};

}  // namespace Obrisk::Ogl
