// A minimal plug-in with one transition (a crossfade by progress through the
// built-in mix program), so that the command-line tool's transition path is
// tested on its own.
#include <string>
#include <tuple>

#include "frame/EffectWrapper.h"
#include "frame/PluginExport.h"
#include "obrisk/host/Registry.h"

namespace Obrisk::Testing {
namespace {

class SettingsTestCrossfade final : public Proc::SettingsBase<SettingsTestCrossfade> {
 public:
  inline static const std::string CLASS_ID{"SettingsTestCrossfade"};
  static constexpr std::string_view DESCRIPTION = "Mixes the first input into the second";
  static constexpr auto Fields() { return std::tuple<>(); }
};

class TestCrossfade final
    : public Ogl::EffectAlgorithmWithSettings<Ogl::TransitionAlgorithm, SettingsTestCrossfade> {
 public:
  const std::string_view& GetName() const override {
    static constexpr std::string_view kName = "TestCrossfade";
    return kName;
  }
  void ProcessGpu(const Ptr<Ogl::Frame>& target, const Ptr<Ogl::DataVideoOGL>& first,
                  const Ptr<Ogl::DataVideoOGL>& second, double, double progress,
                  Ogl::ShaderStorage& storage, const Ptr<Ogl::OglCache>&) override {
    Ogl::ShaderProgram& mix = storage.GetShaderProgram(Ogl::BuiltinProgram::kMix);
    mix.Use();
    mix.Uniform("tex0", 0);
    mix.Uniform("tex1", 1);
    mix.Uniform("extAlpha", progress);
    storage.FBO().Attach(target->GetFirstTexture());
    first->FrameData()->GetFirstTexture().Use(0);
    second->FrameData()->GetFirstTexture().Use(1);
    storage.Quad().Activate();
    storage.Quad().Draw(mix);
  }
};

Ptr<Proc::IEffect> CreateCrossfade(const Ptr<Proc::IEffectFactory>& factory,
                                   const Ptr<IRefCountable>&) {
  return Ptr<Proc::IEffect>(
      new Ogl::TwoInputEffectWrapper(factory, std::make_shared<TestCrossfade>()));
}

}  // namespace
}  // namespace Obrisk::Testing

extern "C" QUENVARA_PLUGIN_EXPORT void Registrator(Obrisk::Proc::IEffectRegistry* registry) {
  registry->RegisterTwoInputEffect(Obrisk::Testing::SettingsTestCrossfade::CLASS_ID,
                                   Obrisk::Proc::ImplNames::OGL, &Obrisk::Testing::CreateCrossfade);
}
