// A host that loads the plug-in, uses it and unloads it, again and again,
// with frames still queued at each unload.
#include <vector>

#include <gtest/gtest.h>

#include "obrisk/host/DynamicLibrary.h"
#include "obrisk/ogl/FrameTransfer.h"
#include "obrisk/settings/ColorSettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Proc {
namespace {

using RegistratorFunction = void(IEffectRegistry*);

TEST(PluginUnload, LoadUseAndUnloadInALoopWithFramesQueued) {
  constexpr int kRounds = 4;
  constexpr int kFramesPerRound = 6;
  auto input = Testing::Upload(Testing::MakeTestPattern(5, 3, PixFmt::RGBA));
  const Testing::Pixel original = Testing::PixelAt(*Testing::Download(input), 1, 1);
  for (int round = 0; round < kRounds; ++round) {
    std::vector<Ptr<IData>> outputs;
    {
      DynamicLibrary plugin(QUENVARA_PLUGIN_PATH);
      auto registry = MakeRef<EffectRegistry>();
      Ogl::RegisterFrameUploader(*registry);
      plugin.Find<RegistratorFunction>("Registrator")(registry.get());
      Ptr<IEffect> invert = Testing::CreateEffect(*registry, SettingsEffectInvert::CLASS_ID);
      for (int i = 0; i < kFramesPerRound; ++i) {
        outputs.push_back(invert->ProcessData({Ptr<IData>(input)}));
      }
      // The effect and the registry's creators are the plug-in's: released
      // before it goes, the frames not yet drawn.
      invert.reset();
      registry.reset();
    }
    for (const auto& output : outputs) {
      const Testing::Pixel pixel = Testing::PixelAt(*Testing::Download(output), 1, 1);
      EXPECT_EQ(pixel[0], 255 - original[0]) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace Obrisk::Proc
