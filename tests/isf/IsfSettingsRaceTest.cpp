// ISF packages changed on the host thread while frame sets of the same effect
// are pending on the OpenGL thread: each frame set is drawn with the package
// of its own Process call, and nothing races (run under ThreadSanitizer too).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame/EffectWrapper.h"
#include "isf/EffectISF.h"
#include "obrisk/settings/IsfSettings.h"
#include "support/GpuTestSupport.h"

namespace Obrisk::Ogl {
namespace {

constexpr int kFrames = 40;
constexpr int kLevels = 5;

int LevelOf(int frame) {
  return frame % kLevels * 60;
}

// A package that paints the level into red.
Proc::SettingsEffectISF Package(int level) {
  Proc::SettingsEffectISF settings;
  settings.SetConfig(R"({"INPUTS": [{"NAME": "inputImage", "TYPE": "image"}]})");
  settings.SetPixelShader("void main() { gl_FragColor = vec4(" + std::to_string(level) +
                          ".0 / 255.0, IMG_THIS_PIXEL(inputImage).gba); }\n");
  return settings;
}

TEST(IsfSettingsRace, EachFrameSetKeepsThePackageOfItsProcessCall) {
  Ptr<Proc::IEffect> effect(MakeRef<OneInputEffectWrapper>(nullptr, std::make_shared<EffectISF>()));
  auto input = Testing::Upload(Testing::MakeTestPattern(16, 8, Proc::PixFmt::RGBA));
  std::vector<Ptr<Proc::IData>> outputs;
  for (int i = 0; i < kFrames; ++i) {
    effect->SetSettingsObject(Package(LevelOf(i)));
    outputs.push_back(effect->ProcessData({input}));
  }
  effect->SetSettingsObject(Package(255));
  for (int i = 0; i < kFrames; ++i) {
    const auto pixel = Testing::PixelAt(*Testing::Download(outputs[i]), 3, 3);
    EXPECT_EQ(pixel[0], LevelOf(i)) << "frame " << i;
  }
}

}  // namespace
}  // namespace Obrisk::Ogl
