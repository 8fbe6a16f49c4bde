// Renders the invert effect over the generated test card into a PNG, loading
// the plug-in the way a host does.
#include <cstdlib>
#include <iostream>
#include <string>

#include <glog/logging.h>

#include "PngWriter.h"
#include "TestCard.h"
#include "obrisk/host/DynamicLibrary.h"
#include "obrisk/host/Registry.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/ogl/OglManager.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;

using RegistratorFunction = void(Obrisk::Proc::IEffectRegistry*);

int Run(const std::string& output, const std::string& pluginPath) {
  using namespace Obrisk;
  DynamicLibrary plugin(pluginPath);
  auto registry = MakeRef<Proc::EffectRegistry>();
  Ogl::RegisterFrameUploader(*registry);
  plugin.Find<RegistratorFunction>("Registrator")(registry.get());

  Ptr<Proc::IEffect> effect;
  if (!registry->CreateEffect(effect, "SettingsEffectInvert", Proc::ImplNames::OGL, nullptr)) {
    std::cerr << "the plug-in does not offer SettingsEffectInvert\n";
    return 1;
  }
  Ptr<Proc::IEffect> uploader;
  registry->CreateEffect(uploader, "SettingsFrameUploader", Proc::ImplNames::OGL, nullptr);

  Ptr<Proc::IData> frame = Tools::MakeTestCard(kWidth, kHeight);
  frame = uploader->ProcessData({frame});
  frame = effect->ProcessData({frame});
  auto result =
      Ogl::DownloadFrame(Ptr<Ogl::DataVideoOGL>(dynamic_cast<Ogl::DataVideoOGL*>(frame.get())));
  Tools::WritePng(*result, output);
  std::cout << "Rendered " << output << " with " << Ogl::OglManager::GetInstance().Renderer()
            << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  google::InitGoogleLogging(argv[0]);
  FLAGS_logtostderr = true;
  const std::string output = argc > 1 ? argv[1] : "demo-invert.png";
  const std::string plugin = argc > 2 ? argv[2] : QUENVARA_PLUGIN_PATH;
  try {
    return Run(output, plugin);
  } catch (const std::exception& error) {
    std::cerr << "quenvara-demo: " << error.what() << "\n";
    return 1;
  }
}
