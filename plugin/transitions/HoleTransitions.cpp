#include "transitions/HoleTransitions.h"

#include <algorithm>
#include <cmath>

#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

void DrawHoleTransition(ShaderStorage& storage, ShaderProgram& program, Frame& target,
                        DataVideoOGL& first, DataVideoOGL& second, glm::vec2 point,
                        double progress) {
  const float farX = std::max(point.x, 1.0f - point.x);
  const float farY = std::max(point.y, 1.0f - point.y);
  TransitionFrames frames = ConvertInputs(first, second, storage);
  program.Use();
  program.Uniform("tex_top", 0);
  program.Uniform("tex_bot", 1);
  program.Uniform("v_src", point);
  program.Uniform("biggest_side", std::sqrt(farX * farX + farY * farY));
  program.Uniform("aspect", SizeAspect(*frames.first));
  program.Uniform("t", progress);
  DrawFullScreen(storage, program, target, {frames.first.get(), frames.second.get()});
}

}  // namespace Obrisk::Ogl
