#include "transitions/TransitionSupport.h"

#include <algorithm>
#include <utility>

#include "frame/SinglePass.h"
#include "obrisk/ogl/ShaderProgram.h"

namespace Obrisk::Ogl {

TransitionFrames ConvertInputs(DataVideoOGL& first, DataVideoOGL& second, ShaderStorage& storage) {
  return {first.FrameData()->ConvertToRGBA(storage), second.FrameData()->ConvertToRGBA(storage)};
}

TransitionPlayback Play(TransitionFrames frames, double progress, bool reversed) {
  if (!reversed) return {progress, std::move(frames)};
  return {1.0 - progress, {std::move(frames.second), std::move(frames.first)}};
}

glm::vec2 SizeAspect(const Frame& frame) {
  const auto& info = frame.GetFrameInfo();
  const float longer = static_cast<float>(std::max(info.width, info.height));
  return {static_cast<float>(info.width) / longer, static_cast<float>(info.height) / longer};
}

PackedMesh::QuadVertices QuadBetween(const QuadVertex& from, const QuadVertex& to) {
  return {{{from.s, from.t, from.x, from.y},
           {to.s, from.t, to.x, from.y},
           {to.s, to.t, to.x, to.y},
           {from.s, to.t, from.x, to.y}}};
}

PackedMesh::QuadVertices FullQuadMovedBy(float dx, float dy) {
  return QuadBetween({0.0f, 0.0f, -1.0f + dx, -1.0f + dy}, {1.0f, 1.0f, 1.0f + dx, 1.0f + dy});
}

void DrawFullScreen(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                    std::initializer_list<Frame*> textures) {
  storage.FBO().Attach(target.GetFirstTexture());
  int unit = 0;
  for (Frame* texture : textures) texture->GetFirstTexture().Use(unit++);
  storage.Quad().Activate();
  storage.Quad().Draw(program);
}

void DrawFullScreenAtTexels(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                            std::initializer_list<Frame*> textures) {
  GLuint unit = 0;
  for (Frame* texture : textures) {
    glBindSampler(unit++, TexelAligned(*texture, target) ? storage.NearestSampler() : 0);
  }
  DrawFullScreen(storage, program, target, textures);
  for (GLuint bound = 0; bound < unit; ++bound) glBindSampler(bound, 0);
}

void DrawMix(ShaderStorage& storage, Frame& target, Frame& from, Frame& to, double weight) {
  ShaderProgram& program = storage.GetShaderProgram(BuiltinProgram::kMix);
  program.Use();
  program.Uniform("tex0", 0);
  program.Uniform("tex1", 1);
  program.Uniform("extAlpha", weight);
  DrawFullScreenAtTexels(storage, program, target, {&from, &to});
}

void DrawThroughQuads(Frame& frame, const PackedMesh& quads, ShaderStorage& storage) {
  Quad mesh(quads, GL_STREAM_DRAW);
  frame.Draw(mesh, storage);
}

}  // namespace Obrisk::Ogl
