// A minimal host: loads the plug-in, inverts a small picture on the GPU and
// prints its first pixel before and after. Usage: quenvara-example-host PLUGIN
#include <cstdio>
#include <string>

#include "obrisk/host/Data.h"
#include "obrisk/host/DynamicLibrary.h"
#include "obrisk/host/Property.h"
#include "obrisk/host/Registry.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/settings/ServiceSettings.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PATH/libquenvara.so\n", argv[0]);
    return 2;
  }
  const std::string pluginPath = argv[1];
  constexpr int kWidth = 16;
  constexpr int kHeight = 9;
  auto cpuFrame = Obrisk::MakeRef<Obrisk::Proc::DataVideoMemory>(
      Obrisk::Proc::ColorSpace{}, Obrisk::Proc::PixFmt::RGBA,
      Obrisk::Proc::FrameInfo{kWidth, kHeight, 1, 1});
  const unsigned char colour[4] = {200, 100, 50, 255};
  for (int i = 0; i < kWidth * kHeight; ++i) {
    for (int c = 0; c < 4; ++c) cpuFrame->Pixels()[i * 4 + c] = colour[c];
  }

  // As in the README:
  Obrisk::DynamicLibrary plugin(pluginPath);
  auto registry = Obrisk::MakeRef<Obrisk::Proc::EffectRegistry>();
  Obrisk::Ogl::RegisterFrameUploader(*registry);  // the host's own GPU service
  plugin.Find<void(Obrisk::Proc::IEffectRegistry*)>("Registrator")(registry.get());

  Obrisk::Ptr<Obrisk::Proc::IEffect> uploader;
  registry->CreateEffect(uploader, Obrisk::Proc::SettingsFrameUploader::CLASS_ID,
                         Obrisk::Proc::ImplNames::OGL, nullptr);
  Obrisk::Ptr<Obrisk::Proc::IEffect> invert;
  registry->CreateEffect(invert, "SettingsEffectInvert", Obrisk::Proc::ImplNames::OGL, nullptr);
  invert->SetSettings(Obrisk::Property::FromJson(R"({"intensity": 1})"));

  Obrisk::Ptr<Obrisk::Proc::IData> frame = cpuFrame;  // RGBA rows from the top
  frame = uploader->ProcessData({frame});             // GPU data
  frame = invert->ProcessData({frame});               // returns at once; the GPU renders later
  auto pixels = Obrisk::Ogl::DownloadFrame(           // waits for the frame and reads it back
      Obrisk::Ptr<Obrisk::Ogl::DataVideoOGL>(static_cast<Obrisk::Ogl::DataVideoOGL*>(frame.get())));

  const unsigned char* out = pixels->Pixels();
  std::printf("%d %d %d -> %d %d %d\n", colour[0], colour[1], colour[2], out[0], out[1], out[2]);
  return 0;
}
