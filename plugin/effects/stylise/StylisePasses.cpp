#include "effects/stylise/StylisePasses.h"

namespace Obrisk::Ogl {

void DrawFullFrame(ShaderStorage& storage, ShaderProgram& program, Texture& target,
                   const std::function<void(ShaderProgram&)>& setInputs) {
  storage.FBO().Attach(target);
  program.Use();
  setInputs(program);
  storage.Quad().Activate();
  storage.Quad().Draw(program);
}

void DrawSeparablePasses(ShaderStorage& storage, ShaderProgram& program, const Texture& input,
                         Texture& intermediate, Texture& target,
                         const std::function<void(ShaderProgram&)>& setUniforms) {
  const float width = static_cast<float>(input.Width());
  const float height = static_cast<float>(input.Height());
  glBindSampler(0, storage.NearestSampler());
  DrawFullFrame(storage, program, intermediate, [&](ShaderProgram& p) {
    p.Uniform("tex", 0);
    setUniforms(p);
    p.Uniform("local_step", 1.0f / width, 0.0f);
    input.Use(0);
  });
  DrawFullFrame(storage, program, target, [&](ShaderProgram& p) {
    p.Uniform("local_step", 0.0f, 1.0f / height);
    intermediate.Use(0);
  });
  glBindSampler(0, 0);
}

}  // namespace Obrisk::Ogl
