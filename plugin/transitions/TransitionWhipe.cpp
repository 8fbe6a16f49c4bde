#include "transitions/TransitionWhipe.h"

#include "transitions/ProgressControlledShaderBase.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {

const std::string_view& TransitionWhipe::GetName() const {
  static constexpr std::string_view kName = "TransitionWhipe";
  return kName;
}

void TransitionWhipe::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                 const Ptr<DataVideoOGL>& second, double, double progress,
                                 ShaderStorage& storage, const Ptr<OglCache>&) {
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  ShaderProgram& program = WhipeShader::Instance().Program(storage);
  program.Use();
  const Proc::FrameInfo& info = target->GetFrameInfo();
  WhipeShader::SetUniforms(program, progress, info.width, info.height, DrawingSettings());
  DrawProgressControlled(storage, program, *target, *frames.first, *frames.second);
}

}  // namespace Obrisk::Ogl
