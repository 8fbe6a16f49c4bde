// What the transitions share: their inputs in RGBA layout, playing backwards,
// the aspect values their shaders take, quads of moving pictures, full-screen
// passes and blending that is undone before the call returns.
#pragma once

#include <glm/vec2.hpp>
#include <initializer_list>

#include "obrisk/ogl/DataVideoOGL.h"
#include "obrisk/ogl/Gl.h"
#include "obrisk/ogl/Mesh.h"
#include "obrisk/ogl/ShaderStorage.h"

namespace Obrisk::Ogl {

// The two inputs of a transition call: `first` is the clip that ends,
// `second` the clip that begins. The frames are released with this object.
struct TransitionFrames {
  Ptr<Frame> first;
  Ptr<Frame> second;
};

// Both inputs converted to RGBA layout.
TransitionFrames ConvertInputs(DataVideoOGL& first, DataVideoOGL& second, ShaderStorage& storage);

// A member's progress and input roles after its direction. Played backwards,
// progress runs 1 - p and the inputs exchange roles, so that the moving or
// growing element is the first input leaving instead of the second arriving.
struct TransitionPlayback {
  double progress = 0.0;
  TransitionFrames frames;
};
TransitionPlayback Play(TransitionFrames frames, double progress, bool reversed);

// (w / max(w, h), h / max(w, h)) of the frame: the longer side is 1.
glm::vec2 SizeAspect(const Frame& frame);

// The quad with corners (s0, t0, x0, y0) at `from` and (s1, t1, x1, y1) at
// `to`: vertices bottom-left, bottom-right, top-right, top-left.
PackedMesh::QuadVertices QuadBetween(const QuadVertex& from, const QuadVertex& to);

// The whole picture moved by (dx, dy) in clip units.
PackedMesh::QuadVertices FullQuadMovedBy(float dx, float dy);

// Draws `program`, already in use with its uniforms set, over the whole of
// `target` with `textures` bound to units 0, 1, ... in order.
void DrawFullScreen(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                    std::initializer_list<Frame*> textures);

// DrawFullScreen for programs that read every input at TexCoord0 only. An
// input of the target's size is read through the nearest sampler: every
// fragment lies on one of its texel centres, where the linear filter returns
// that texel alone, so the result is the same at less cost. Inputs of
// another size keep their own filter.
void DrawFullScreenAtTexels(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                            std::initializer_list<Frame*> textures);

// Program 262 over the whole of `target`: `from` mixed into `to` by
// `weight` (0 gives `from`, 1 gives `to`), each read at its texels.
void DrawMix(ShaderStorage& storage, Frame& target, Frame& from, Frame& to, double weight);

// Draws `frame` through `quads` (made for this draw) into the attached target.
void DrawThroughQuads(Frame& frame, const PackedMesh& quads, ShaderStorage& storage);

// Blending for the length of a scope: GL_BLEND is restored and the blend
// equations are set back to GL_FUNC_ADD when it ends, whatever the member set.
class TransitionBlending {
 public:
  TransitionBlending() : blend_(GL_BLEND) {}
  ~TransitionBlending() { glBlendEquation(GL_FUNC_ADD); }
  TransitionBlending(const TransitionBlending&) = delete;
  TransitionBlending& operator=(const TransitionBlending&) = delete;

 private:
  EnableState blend_;
};

// Mirrored-repeat wrapping with linear filtering on texture units 0 and 1 for
// the length of a scope, through a sampler object: the inputs' own textures
// (which others may sample after this call) keep their settings.
class MirroredSampling {
 public:
  MirroredSampling() {
    glGenSamplers(1, &sampler_);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, GL_MIRRORED_REPEAT);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
    glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    for (GLuint unit : kUnits) glBindSampler(unit, sampler_);
  }
  ~MirroredSampling() {
    for (GLuint unit : kUnits) glBindSampler(unit, 0);
    glDeleteSamplers(1, &sampler_);
  }
  MirroredSampling(const MirroredSampling&) = delete;
  MirroredSampling& operator=(const MirroredSampling&) = delete;

 private:
  static constexpr GLuint kUnits[] = {0, 1};
  GLuint sampler_ = 0;
};

}  // namespace Obrisk::Ogl
