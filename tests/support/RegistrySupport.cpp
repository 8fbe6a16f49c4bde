// The registry helpers, apart from the frame helpers because they pull in the
// whole plug-in through Registrator; the threading tests link the frame alone.
#include <stdexcept>

#include "frame/Registrator.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Testing {

Ptr<Proc::EffectRegistry> MakeRegistry() {
  auto registry = MakeRef<Proc::EffectRegistry>();
  Ogl::RegisterFrameUploader(*registry);
  Registrator(registry.get());
  return registry;
}

Ptr<Proc::IEffect> CreateEffect(Proc::EffectRegistry& registry, const std::string& classId) {
  Ptr<Proc::IEffect> effect;
  if (!registry.CreateEffect(effect, classId, Proc::ImplNames::OGL, nullptr)) {
    throw std::invalid_argument("no effect for " + classId);
  }
  return effect;
}

Ptr<Proc::IEffect> MakeEffect(const std::string& classId) {
  static const auto registry = MakeRegistry();
  return CreateEffect(*registry, classId);
}

Ptr<Proc::IEffect> MakeEffect(const Proc::Settings& settings) {
  Ptr<Proc::IEffect> effect = MakeEffect(settings.GetClassId());
  effect->SetSettingsObject(settings);
  return effect;
}

}  // namespace Obrisk::Testing
