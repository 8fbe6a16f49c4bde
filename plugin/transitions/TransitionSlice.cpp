#include "transitions/TransitionSlice.h"

#include <memory>

#include "obrisk/host/Exception.h"
#include "transitions/SliceShader.h"
#include "transitions/TransitionSupport.h"

namespace Obrisk::Ogl {
namespace {

using Proc::SlicesType;

// The numbering texture of the square types, made on the first frame and
// again whenever the type or the count changes.
class SliceShaderOglCache final : public OglCache {
 public:
  const Texture* Numbering(SlicesType type, int count) {
    if (!IsSquareSlicing(type)) return nullptr;
    const int slices = EffectiveSlicesCount(type, count);
    if (!numbering_ || type != type_ || slices != slices_) {
      numbering_ = MakeSliceNumbering(type, count);
      type_ = type;
      slices_ = slices;
    }
    return numbering_.get();
  }

 private:
  std::unique_ptr<Texture> numbering_;
  SlicesType type_ = SlicesType::Rings;
  int slices_ = 0;
};

SliceKey KeyOf(const Proc::SettingsTransitionSlice& settings) {
  return {static_cast<std::int32_t>(settings.GetBaseTransitionType()),
          settings.GetSlicesDirectionRule(), static_cast<std::int32_t>(settings.GetSlicesType())};
}

const ProgressControlledShaderBase& ShaderOf(const Proc::SettingsTransitionSlice& settings) {
  const ProgressControlledShaderBase* shader = FindSliceShader(KeyOf(settings));
  if (!shader) OBRISK_THROW(EffectException, "Can't find shader");
  return *shader;
}

// The spin every slice runs: rule 1 turns the other way.
Proc::SettingsTransitionModifiedMotionSpin SpinOf(const Proc::SettingsTransitionSlice& settings) {
  Proc::SettingsTransitionModifiedMotionSpin spin;
  spin.SetMotionBoostPower(settings.GetMotionBoostPower());
  spin.SetBlurBoostPower(settings.GetBlurBoostPower());
  spin.SetMaxBlurScale(settings.GetMaxBlurScale());
  spin.SetDirection(settings.GetSlicesDirectionRule() == 1 ? 1 : 0);
  return spin;
}

// The swish every slice runs unless its rule turns it: along the slices'
// length (diagonally for the diagonal halves); rule 1 the other way.
Proc::SettingsTransitionWhipe SwishOf(const Proc::SettingsTransitionSlice& settings) {
  Proc::SettingsTransitionWhipe swish;
  swish.SetMotionBoostPower(settings.GetMotionBoostPower());
  swish.SetBlurBoostPower(settings.GetBlurBoostPower());
  swish.SetMaxBlurScale(settings.GetMaxBlurScale());
  const int s = settings.GetSlicesDirectionRule() == 1 ? -1 : 1;
  int h = s;
  int v = 0;
  switch (settings.GetSlicesType()) {
    case SlicesType::Diagonal:
      v = s;
      break;
    case SlicesType::AntiDiagonal:
      h = -s;
      v = s;
      break;
    case SlicesType::Vertical:
    case SlicesType::SlantedVertical:
      h = 0;
      v = -s;
      break;
    default:
      break;
  }
  swish.SetHDirection(h);
  swish.SetVDirection(v);
  return swish;
}

}  // namespace

const std::string_view& TransitionSlice::GetName() const {
  static constexpr std::string_view kName = "TransitionSlice";
  return kName;
}

void TransitionSlice::SetSettings(const Proc::Settings& settings) {
  ShaderOf(dynamic_cast<const Proc::SettingsTransitionSlice&>(settings));
  EffectAlgorithmWithSettings::SetSettings(settings);
}

Ptr<OglCache> TransitionSlice::CreateCache() {
  return MakeRef<SliceShaderOglCache>();
}

void TransitionSlice::ProcessGpu(const Ptr<Frame>& target, const Ptr<DataVideoOGL>& first,
                                 const Ptr<DataVideoOGL>& second, double, double progress,
                                 ShaderStorage& storage, const Ptr<OglCache>& cache) {
  const Proc::SettingsTransitionSlice& settings = DrawingSettings();
  const Texture* numbering = CacheAs<SliceShaderOglCache>(cache).Numbering(
      settings.GetSlicesType(), settings.GetSlicesCount());
  const TransitionFrames frames = ConvertInputs(*first, *second, storage);
  ShaderProgram& program = ShaderOf(settings).Program(storage);
  program.Use();
  const Proc::FrameInfo& info = target->GetFrameInfo();
  if (settings.GetBaseTransitionType() == Proc::SliceBase::Spin) {
    ModifiedMotionSpinShader::SetUniforms(program, progress, info.width, info.height,
                                          SpinOf(settings));
  } else {
    WhipeShader::SetUniforms(program, progress, info.width, info.height, SwishOf(settings));
  }
  SetCommonSliceVariables(program, settings, info.width, info.height, numbering);
  DrawProgressControlled(storage, program, *target, *frames.first, *frames.second);
}

}  // namespace Obrisk::Ogl
