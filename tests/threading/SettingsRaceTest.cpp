// Settings changed on the host thread while tasks of the same effect are
// pending on the OpenGL thread: each frame set is drawn with the settings of
// its own Process call, and nothing races (run under ThreadSanitizer too).
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "frame/EffectWrapper.h"
#include "obrisk/ogl/OglManager.h"
#include "support/GpuTestSupport.h"
#include "support/ProbeEffects.h"

namespace Obrisk::Ogl {
namespace {

constexpr int kFrames = 60;

float LevelOf(int frame) {
  return static_cast<float>(frame % 5) / 4.0f;
}

TEST(SettingsRace, EachFrameSetKeepsTheSettingsOfItsProcessCall) {
  auto probe = std::make_shared<Testing::OneInputProbe>(true);
  auto wrapper = MakeRef<OneInputEffectWrapper>(nullptr, probe);
  auto input = Testing::Upload(Testing::MakeTestPattern(16, 16, Proc::PixFmt::RGBA));
  std::vector<Ptr<Proc::IData>> outputs;
  for (int i = 0; i < kFrames; ++i) {
    Testing::SettingsProbe settings;
    settings.SetLevel(LevelOf(i));
    wrapper->SetSettingsObject(settings);
    Ptr<Proc::IData> data = input;
    wrapper->ProcessData(data);
    outputs.push_back(data);
  }
  Testing::SettingsProbe last;
  last.SetLevel(1.0f);
  wrapper->SetSettingsObject(last);
  for (int i = 0; i < kFrames; ++i) {
    const auto pixel = Testing::PixelAt(*Testing::Download(outputs[i]), 3, 3);
    EXPECT_NEAR(pixel[0], LevelOf(i) * 255.0f, 1.0f) << "frame " << i;
  }
}

TEST(SettingsRace, EffectsProcessedFromSeveralHostThreads) {
  constexpr int kThreads = 3;
  std::vector<std::thread> threads;
  std::vector<std::vector<Ptr<Proc::IData>>> outputs(kThreads);
  auto input = Testing::Upload(Testing::MakeTestPattern(8, 8, Proc::PixFmt::RGBA));
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      auto wrapper =
          MakeRef<OneInputEffectWrapper>(nullptr, std::make_shared<Testing::OneInputProbe>(true));
      for (int i = 0; i < kFrames / kThreads; ++i) {
        Testing::SettingsProbe settings;
        settings.SetLevel(LevelOf(t + i));
        wrapper->SetSettingsObject(settings);
        Ptr<Proc::IData> data = input;
        wrapper->ProcessData(data);
        outputs[t].push_back(data);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < static_cast<int>(outputs[t].size()); ++i) {
      EXPECT_NEAR(Testing::PixelAt(*Testing::Download(outputs[t][i]), 0, 0)[0],
                  LevelOf(t + i) * 255.0f, 1.0f);
    }
  }
  OglManager::GetInstance().Finish();
  EXPECT_EQ(Testing::ProbeCache::alive, 0) << "caches outlive their wrappers and tasks";
}

}  // namespace
}  // namespace Obrisk::Ogl
